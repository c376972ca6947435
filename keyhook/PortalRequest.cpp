#include "keyhook/PortalRequest.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcPortal, "vokabo.portal", QtWarningMsg)

namespace {

constexpr char RequestInterface[] = "org.freedesktop.portal.Request";

// Tokens only need to differ between the calls of one connection.
QString nextToken()
{
    static uint count = 0;
    return QStringLiteral("vokabo%1").arg(++count);
}

// The path the portal gives the Request of a call made with token: the
// caller's unique name without its colon, dots made underscores.
QString requestPath(const QDBusConnection& bus, const QString& token)
{
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("%1/request/%2/%3").arg(QLatin1String(PortalPath), sender, token);
}

} // namespace

QDBusConnection PortalConnection()
{
    // libdbus remembers the first session address it read, so the current
    // one is passed on.
    const QString name = QLatin1String(PortalConnectionName);
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty())
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    return QDBusConnection::connectToBus(address, name);
}

void RegisterAppId(const QDBusConnection& bus, QObject* owner, std::function<void()> next)
{
    QDBusMessage registration = QDBusMessage::createMethodCall(
        QLatin1String(PortalService), QLatin1String(PortalPath), QStringLiteral("org.freedesktop.host.portal.Registry"),
        QStringLiteral("Register"));
    registration << QStringLiteral(VOKABO_APP_ID) << QVariantMap();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(registration), owner);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, owner,
                     [next = std::move(next)](QDBusPendingCallWatcher* call) {
                         call->deleteLater();
                         // The hot keys and the screen copy each name the
                         // shared connection; the second is told it has a name.
                         if (call->isError() && !call->error().message().contains(QLatin1String("already associated")))
                             qCInfo(lcPortal) << "registering the app id:" << call->error().message();
                         next();
                     });
}

PortalRequest::PortalRequest(const QDBusConnection& bus, QObject* owner, Done done)
    : QObject(owner)
    , m_bus(bus)
    , m_done(std::move(done))
{
}

void PortalRequest::send(const QDBusConnection& bus, const QString& interface, const QString& method,
                         QVariantList arguments, QVariantMap options, QObject* owner, Done done)
{
    auto* request = new PortalRequest(bus, owner, std::move(done));
    const QString token = nextToken();
    request->listenAt(requestPath(bus, token));

    options.insert(QStringLiteral("handle_token"), token);
    arguments.append(options);
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(PortalService),
                                                       QLatin1String(PortalPath), interface, method);
    call.setArguments(arguments);
    // The portal answers the call itself at once; only the Response waits
    // for the desktop (and the learner), so the default timeout is plenty.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), request);
    connect(watcher, &QDBusPendingCallWatcher::finished, request, &PortalRequest::replied);
}

void PortalRequest::listenAt(const QString& path)
{
    if (!m_path.isEmpty())
        m_bus.disconnect(QLatin1String(PortalService), m_path, QLatin1String(RequestInterface),
                         QStringLiteral("Response"), this, SLOT(responded(uint, QVariantMap)));
    m_path = path;
    m_bus.connect(QLatin1String(PortalService), m_path, QLatin1String(RequestInterface),
                  QStringLiteral("Response"), this, SLOT(responded(uint, QVariantMap)));
}

void PortalRequest::replied(QDBusPendingCallWatcher* watcher)
{
    watcher->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
    if (reply.isError()) {
        qCInfo(lcPortal) << "portal call failed:" << reply.error().name() << reply.error().message();
        finish(Failed, {});
        return;
    }
    // Portals older than the handle_token convention choose the path
    // themselves; their answer can only be listened for from here on.
    const QString path = reply.value().path();
    if (path != m_path)
        listenAt(path);
}

void PortalRequest::responded(uint response, const QVariantMap& results)
{
    finish(response, results);
}

void PortalRequest::finish(uint response, const QVariantMap& results)
{
    if (!m_done)
        return;
    const Done done = std::move(m_done);
    m_done = nullptr;
    m_bus.disconnect(QLatin1String(PortalService), m_path, QLatin1String(RequestInterface),
                     QStringLiteral("Response"), this, SLOT(responded(uint, QVariantMap)));
    deleteLater();
    done(response, results);
}
