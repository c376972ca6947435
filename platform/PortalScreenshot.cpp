#include "platform/PortalScreenshot.h"

#include "keyhook/PortalRequest.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusArgument>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVariant>
#include <memory>
#include <utility>

namespace {

constexpr char kInterface[] = "org.freedesktop.portal.Screenshot";
// A desktop may ask the learner to allow screenshots the first time (GNOME
// does), and waits for the answer: a person reads that dialog first. Past
// this the bars come back with their plain look.
constexpr int kAnswerWaitMs = 120000;

QImage PictureAt(const QUrl& uri)
{
    if (!uri.isLocalFile())
        return QImage();
    QImage picture(uri.toLocalFile());
    // The picture is ours now; a desktop that saves screenshots among the
    // learner's pictures would otherwise gain one at every switch.
    QFile::remove(uri.toLocalFile());
    return picture;
}

} // namespace

bool PortalScreenshotSource::Offered()
{
    if (!m_offered) {
        QDBusConnection bus = PortalConnection();
        bool offered = bus.isConnected() && bus.interface()->isServiceRegistered(QLatin1String(PortalService));
        if (offered) {
            // The frontend has the interface only where a backend implements it.
            QDBusInterface properties(QLatin1String(PortalService), QLatin1String(PortalPath),
                                      QStringLiteral("org.freedesktop.DBus.Properties"), bus);
            const QDBusReply<QVariant> version =
                properties.call(QStringLiteral("Get"), QLatin1String(kInterface), QStringLiteral("version"));
            offered = version.isValid();
        }
        m_offered = offered;
    }
    return *m_offered;
}

// GNOME shows its "Allow … to Take Screenshots?" only for the focused
// program, and the shell counts none of the bars as one (they keep out of
// the taskbar): asked during a drill, it refuses without a word and
// see-through never works there. So on GNOME, where no answer of the
// learner's is stored yet, the first copy is asked for while the main
// dialog has the focus, and thrown away; the answer is stored for Vokabo.
// Other desktops ask whichever window has the focus, at the first switch.
void PortalScreenshotSource::AskPermissionWhileFocused()
{
    if (std::exchange(m_askedAhead, true))
        return;
    const QString desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    if (!desktops.split(QLatin1Char(':')).contains(QLatin1String("GNOME"), Qt::CaseInsensitive))
        return;
    if (PermissionStored())
        return;
    Take([](QImage, QRect) {});
}

// The frontend keeps the learner's answer in its permission store, under
// the app id, in the "screenshot" entry of the "screenshot" table.
bool PortalScreenshotSource::PermissionStored()
{
    QDBusMessage lookup = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.impl.portal.PermissionStore"),
        QStringLiteral("/org/freedesktop/impl/portal/PermissionStore"),
        QStringLiteral("org.freedesktop.impl.portal.PermissionStore"), QStringLiteral("Lookup"));
    lookup << QStringLiteral("screenshot") << QStringLiteral("screenshot");
    const QDBusMessage reply = PortalConnection().call(lookup, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    const QDBusArgument permissions = reply.arguments().at(0).value<QDBusArgument>();
    QMap<QString, QStringList> byApp;
    permissions >> byApp;
    return byApp.contains(QStringLiteral(VOKABO_APP_ID));
}

void PortalScreenshotSource::Take(Taken taken)
{
    // Whichever comes first, the portal's answer or the end of the wait.
    auto pending = std::make_shared<Taken>(std::move(taken));
    QTimer::singleShot(kAnswerWaitMs, &m_owner, [pending] {
        if (const Taken done = std::exchange(*pending, nullptr))
            done(QImage(), QRect());
    });
    // The learner's permission belongs to the program that asked: the
    // request goes out on the connection that carries the app id, named
    // before anything else is asked of the portal there.
    if (m_registered) {
        Ask(pending);
        return;
    }
    RegisterAppId(PortalConnection(), &m_owner, [this, pending] {
        m_registered = true;
        Ask(pending);
    });
}

void PortalScreenshotSource::Ask(const std::shared_ptr<Taken>& pending)
{
    if (!*pending)
        return;
    if (!Offered()) {
        std::exchange(*pending, nullptr)(QImage(), QRect());
        return;
    }
    PortalRequest::send(PortalConnection(), QLatin1String(kInterface), QStringLiteral("Screenshot"), {QString()},
                        {{QStringLiteral("interactive"), false}}, &m_owner,
                        [pending](uint response, const QVariantMap& results) {
                            const Taken done = std::exchange(*pending, nullptr);
                            if (!done)
                                return;
                            const QImage picture = response == PortalRequest::Success
                                ? PictureAt(QUrl(results.value(QStringLiteral("uri")).toString()))
                                : QImage();
                            const QScreen* screen = QGuiApplication::primaryScreen();
                            // The picture shows the whole desktop in the
                            // compositor's pixels; the copy derives its scale.
                            done(picture, screen ? screen->virtualGeometry() : QRect());
                        });
}
