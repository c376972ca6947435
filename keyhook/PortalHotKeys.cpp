#include "keyhook/PortalHotKeys.h"

#include "keyhook/PortalRequest.h"
#include "keyhook/PortalShortcut.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QLoggingCategory>
#include <QXmlStreamReader>

// Quiet unless asked for: QT_LOGGING_RULES="vokabo.keyhook.info=true" says
// where the hot keys come from and why not from the portal.
Q_LOGGING_CATEGORY(lcKeyHook, "vokabo.keyhook", QtWarningMsg)

namespace {

constexpr char ShortcutsInterface[] = "org.freedesktop.portal.GlobalShortcuts";
constexpr char SessionInterface[] = "org.freedesktop.portal.Session";
// Handle tokens are plain words; only the app id is reverse-DNS.
constexpr char SessionToken[] = "vokabo";

// A held key repeats after the keyboard's delay (half a second to two
// thirds of one on the usual desktops) and then every few dozen
// milliseconds. Some desktops send Activated again for each repeat, and
// not all send Deactivated at the end of a press. An Activated for a key
// that is still down counts as its repeat if it comes within this window of
// the key's previous one, by the portal's own timestamps (or the program's
// clock where the desktop sends none); a key that stays quiet for longer was
// released without a word.
constexpr quint64 RepeatWindowMs = 1000;

bool offers(const QString& introspection, const char* interface)
{
    QXmlStreamReader xml(introspection);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"interface"
            && xml.attributes().value(QLatin1String("name")) == QLatin1String(interface))
            return true;
    }
    return false;
}

// The XDG shortcuts format, modifiers first and the key as its
// keysym name: "CTRL+ALT+SHIFT+f". The table holds letters only.
QString preferredTrigger(const HotKey& hotKey)
{
    QStringList parts;
    if (hotKey.modifiers & Qt::ControlModifier)
        parts << QStringLiteral("CTRL");
    if (hotKey.modifiers & Qt::AltModifier)
        parts << QStringLiteral("ALT");
    if (hotKey.modifiers & Qt::ShiftModifier)
        parts << QStringLiteral("SHIFT");
    if (hotKey.modifiers & Qt::MetaModifier)
        parts << QStringLiteral("LOGO");
    parts << QString(QChar(hotKey.key)).toLower();
    return parts.join(QLatin1Char('+'));
}

PortalShortcuts wantedShortcuts()
{
    PortalShortcuts shortcuts;
    for (const HotKey& hotKey : HotKeys) {
        shortcuts.append({QLatin1String(hotKey.portalId),
                          {{QStringLiteral("description"), QString::fromUtf8(hotKey.description)},
                           {QStringLiteral("preferred_trigger"), preferredTrigger(hotKey)}}});
    }
    return shortcuts;
}

// The portal's interface documentation says s; some portals send o.
QString pathText(const QVariant& value)
{
    if (value.userType() == qMetaTypeId<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace

PortalHotKeys::PortalHotKeys(Sink sink, std::function<void()> readinessChanged, QObject* parent)
    : QObject(parent)
    , m_sink(std::move(sink))
    , m_readinessChanged(std::move(readinessChanged))
    , m_bus(PortalConnection())
{
    m_clock.start();
    setObjectName(QStringLiteral("KeyHookPortal"));
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcuts>();
    if (!m_bus.isConnected()) {
        qCInfo(lcKeyHook) << "hot keys not from the desktop portal: no session bus";
        m_state = State::Failed;
        return;
    }
    auto* owner = new QDBusServiceWatcher(QLatin1String(PortalService), m_bus,
                                          QDBusServiceWatcher::WatchForUnregistration, this);
    connect(owner, &QDBusServiceWatcher::serviceUnregistered, this, &PortalHotKeys::portalGone);
    // Introspection asks nothing of the portal itself, so the name can
    // still be registered afterwards; the call starts a portal not yet
    // running.
    const QDBusMessage introspect = QDBusMessage::createMethodCall(
        QLatin1String(PortalService), QLatin1String(PortalPath),
        QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(introspect), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &PortalHotKeys::introspected);
}

// Leaving the bus ends the shortcut session: the portal closes the sessions
// of a connection that has gone.
PortalHotKeys::~PortalHotKeys()
{
    QDBusConnection::disconnectFromBus(QLatin1String(PortalConnectionName));
}

bool PortalHotKeys::ready() const
{
    return m_state == State::Bound;
}

bool PortalHotKeys::listen()
{
    m_listening = ready();
    return m_listening;
}

void PortalHotKeys::stop()
{
    m_listening = false;
}

QString PortalHotKeys::stateName() const
{
    switch (m_state) {
    case State::Binding:
        return QStringLiteral("binding");
    case State::Bound:
        return QStringLiteral("bound");
    case State::Failed:
        break;
    }
    return QStringLiteral("failed");
}

void PortalHotKeys::introspected(QDBusPendingCallWatcher* watcher)
{
    watcher->deleteLater();
    const QDBusPendingReply<QString> reply = *watcher;
    if (m_state != State::Binding)
        return;
    if (reply.isError()) {
        fail(QStringLiteral("no desktop portal (%1)").arg(reply.error().message()));
        return;
    }
    if (!offers(reply.value(), ShortcutsInterface)) {
        fail(QStringLiteral("the desktop portal has no global shortcuts"));
        return;
    }
    RegisterAppId(m_bus, this, [this] {
        if (m_state == State::Binding)
            createSession();
    });
}

void PortalHotKeys::createSession()
{
    PortalRequest::send(m_bus, QLatin1String(ShortcutsInterface), QStringLiteral("CreateSession"), {},
                        {{QStringLiteral("session_handle_token"), QLatin1String(SessionToken)}}, this,
                        [this](uint response, const QVariantMap& results) { sessionCreated(response, results); });
}

void PortalHotKeys::sessionCreated(uint response, const QVariantMap& results)
{
    if (m_state != State::Binding)
        return;
    if (response != PortalRequest::Success) {
        fail(QStringLiteral("the desktop refused a shortcut session (response %1)").arg(response));
        return;
    }
    m_session = pathText(results.value(QStringLiteral("session_handle")));
    if (m_session.isEmpty()) {
        fail(QStringLiteral("the desktop named no shortcut session"));
        return;
    }
    const QString service = QLatin1String(PortalService);
    m_bus.connect(service, m_session, QLatin1String(SessionInterface), QStringLiteral("Closed"), this,
                  SLOT(sessionClosed()));
    m_bus.connect(service, QLatin1String(PortalPath), QLatin1String(ShortcutsInterface),
                  QStringLiteral("Activated"), this, SLOT(activated(QDBusMessage)));
    m_bus.connect(service, QLatin1String(PortalPath), QLatin1String(ShortcutsInterface),
                  QStringLiteral("Deactivated"), this, SLOT(deactivated(QDBusMessage)));

    PortalRequest::send(m_bus, QLatin1String(ShortcutsInterface), QStringLiteral("ListShortcuts"),
                        {QVariant::fromValue(QDBusObjectPath(m_session))}, {}, this,
                        [this](uint code, const QVariantMap& listed) { shortcutsListed(code, listed); });
}

// Binding again what the desktop has already would raise its dialog (GNOME)
// or open its settings (KDE Plasma) at every start.
void PortalHotKeys::shortcutsListed(uint response, const QVariantMap& results)
{
    if (m_state != State::Binding)
        return;
    const auto listed = qdbus_cast<PortalShortcuts>(results.value(QStringLiteral("shortcuts")));
    QStringList missing;
    for (const HotKey& hotKey : HotKeys)
        missing << QLatin1String(hotKey.portalId);
    for (const PortalShortcut& shortcut : listed)
        missing.removeAll(shortcut.id);
    if (response == PortalRequest::Success && missing.isEmpty()) {
        qCInfo(lcKeyHook) << "hot keys already bound by the desktop";
        bound();
        return;
    }
    bindShortcuts();
}

void PortalHotKeys::bindShortcuts()
{
    // No parent window: the binding is made once, before any bar is known,
    // and the desktop's dialog stands on its own.
    const QVariantList arguments{QVariant::fromValue(QDBusObjectPath(m_session)),
                                 QVariant::fromValue(wantedShortcuts()), QString()};
    PortalRequest::send(m_bus, QLatin1String(ShortcutsInterface), QStringLiteral("BindShortcuts"), arguments, {},
                        this, [this](uint code, const QVariantMap& bound) { shortcutsBound(code, bound); });
}

void PortalHotKeys::shortcutsBound(uint response, const QVariantMap& results)
{
    if (m_state != State::Binding)
        return;
    // What the desktop bound counts, not the response code: GNOME stores the
    // keys the learner confirmed and still answers 2. The desktop may bind
    // fewer than asked for (the learner's choice, keys another program
    // holds); those simply do nothing. With none at all the next backend
    // serves better.
    const QString key = QStringLiteral("shortcuts");
    const auto shortcuts = qdbus_cast<PortalShortcuts>(results.value(key));
    qCInfo(lcKeyHook) << "the desktop answered the binding with response" << response << "and"
                      << shortcuts.size() << "shortcuts";
    if (shortcuts.isEmpty() && (response != PortalRequest::Success || results.contains(key))) {
        fail(QStringLiteral("the desktop bound none of the hot keys (response %1)").arg(response));
        return;
    }
    for (const PortalShortcut& shortcut : shortcuts)
        qCInfo(lcKeyHook) << "hot key" << shortcut.id << "bound to"
                          << shortcut.properties.value(QStringLiteral("trigger_description")).toString();
    bound();
}

void PortalHotKeys::bound()
{
    m_state = State::Bound;
    emit stateChanged();
    m_readinessChanged();
}

void PortalHotKeys::fail(const QString& why)
{
    if (m_state == State::Failed)
        return;
    qCInfo(lcKeyHook).noquote() << "hot keys not from the desktop portal:" << why;
    if (!m_session.isEmpty()) {
        m_bus.asyncCall(QDBusMessage::createMethodCall(QLatin1String(PortalService), m_session,
                                                       QLatin1String(SessionInterface), QStringLiteral("Close")));
        m_session.clear();
    }
    m_state = State::Failed;
    m_listening = false;
    emit stateChanged();
    m_readinessChanged();
}

PortalHotKeys::Press* PortalHotKeys::pressFor(const QDBusMessage& message, int* hotKey)
{
    const QVariantList arguments = message.arguments();
    if (m_state != State::Bound || arguments.size() < 3 || pathText(arguments.at(0)) != m_session)
        return nullptr;
    const QString id = arguments.at(1).toString();
    for (std::size_t i = 0; i < HotKeys.size(); ++i) {
        if (id == QLatin1String(HotKeys[i].portalId)) {
            *hotKey = static_cast<int>(i);
            return &m_presses[i];
        }
    }
    return nullptr;
}

// Presses are followed while delivery is closed too: a key pressed during an
// end-of-pass box and still held after it must not act when its repeats come.
void PortalHotKeys::activated(const QDBusMessage& message)
{
    int hotKey = 0;
    Press* press = pressFor(message, &hotKey);
    if (!press)
        return;
    const quint64 at = timestampOf(message);
    const bool repeat = press->down && at >= press->last && at - press->last < RepeatWindowMs;
    press->down = true;
    press->last = at;
    if (!repeat && m_listening)
        m_sink(HotKeys[hotKey].message);
}

quint64 PortalHotKeys::timestampOf(const QDBusMessage& message) const
{
    const quint64 at = message.arguments().at(2).toULongLong();
    return at != 0 ? at : static_cast<quint64>(m_clock.elapsed());
}

void PortalHotKeys::deactivated(const QDBusMessage& message)
{
    int hotKey = 0;
    if (Press* press = pressFor(message, &hotKey))
        press->down = false;
}

void PortalHotKeys::sessionClosed()
{
    m_session.clear();
    fail(QStringLiteral("the desktop closed the shortcut session"));
}

void PortalHotKeys::portalGone()
{
    fail(QStringLiteral("the desktop portal has gone"));
}
