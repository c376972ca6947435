// A stand-in for a desktop's portal backend, for tests that run the real
// portal frontend (xdg-desktop-portal) on a private bus. It owns
// org.freedesktop.impl.portal.desktop.vokabotest and answers, as a desktop
// would, for:
//   - org.freedesktop.impl.portal.GlobalShortcuts: sessions, binding (every
//     shortcut gets its preferred trigger), listing what a program's earlier
//     binding left, as desktops keep it from one start to the next;
//   - org.freedesktop.impl.portal.Screenshot: a picture of one colour, as a
//     PNG file at a file:// uri; PickColor refuses;
//   - org.freedesktop.impl.portal.Access: grants (the frontend offers
//     screenshots only beside an access dialog);
//   - org.freedesktop.impl.portal.Session and Request: Close.
// A test steers it through org.vokabo.test.PortalStandIn on the same path:
//   Configure(a{sv})  response codes "CreateSession", "BindShortcuts",
//                     "Screenshot" (u; 0 grants); "BindAnyway" (b): a
//                     refused binding still binds and says so, as GNOME
//                     does; "Remembered" (as): ids every program has bound
//                     already; "Colour" (s, #rrggbb), "Width", "Height" (i)
//                     of the picture
//   Activate(s id, t timestamp), Deactivate(s id, t timestamp)
//                     the shortcut's signal for every open session
//   CloseSessions()   the desktop ends every session
//   Log() -> as       what the frontend asked for, in order
// Usage: portal_standin FOLDER   (pictures go to FOLDER). Prints "ready" once
// its name is taken.
#include "keyhook/PortalShortcut.h"

#include <QColor>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QDir>
#include <QImage>
#include <QMap>
#include <QUrl>
#include <cstdio>

namespace {

constexpr char ServiceName[] = "org.freedesktop.impl.portal.desktop.vokabotest";
constexpr char DesktopPath[] = "/org/freedesktop/portal/desktop";
constexpr char ShortcutsInterface[] = "org.freedesktop.impl.portal.GlobalShortcuts";
constexpr char ScreenshotInterface[] = "org.freedesktop.impl.portal.Screenshot";
constexpr char AccessInterface[] = "org.freedesktop.impl.portal.Access";
constexpr char SessionInterface[] = "org.freedesktop.impl.portal.Session";
constexpr char RequestInterface[] = "org.freedesktop.impl.portal.Request";
constexpr char ControlInterface[] = "org.vokabo.test.PortalStandIn";
constexpr char PropertiesInterface[] = "org.freedesktop.DBus.Properties";

class StandInDesktop final : public QDBusVirtualObject {
public:
    explicit StandInDesktop(QString folder)
        : m_folder(std::move(folder))
    {
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const QString interface = message.interface();
        const QString member = message.member();
        const QVariantList args = message.arguments();
        QVariantList reply;
        if (interface == QLatin1String(PropertiesInterface)) {
            // Version 1 everywhere: a frontend asks no permission store
            // before a screenshot of version 1.
            const QVariantMap properties{{QStringLiteral("version"), 1u}};
            if (member == QLatin1String("GetAll"))
                reply << properties;
            else if (member == QLatin1String("Get"))
                reply << QVariant::fromValue(QDBusVariant(properties.value(args.value(1).toString())));
            else
                return false;
        } else if (interface == QLatin1String(ShortcutsInterface)) {
            if (!shortcuts(member, args, &reply))
                return false;
        } else if (interface == QLatin1String(ScreenshotInterface)) {
            if (member == QLatin1String("Screenshot"))
                reply = screenshot(args);
            else if (member == QLatin1String("PickColor"))
                reply = {2u, QVariantMap()};
            else
                return false;
        } else if (interface == QLatin1String(AccessInterface) && member == QLatin1String("AccessDialog")) {
            m_log << QStringLiteral("AccessDialog");
            reply = {0u, QVariantMap()};
        } else if (interface == QLatin1String(SessionInterface) && member == QLatin1String("Close")) {
            m_log << QStringLiteral("Session.Close");
            m_sessions.remove(message.path());
        } else if (interface == QLatin1String(RequestInterface) && member == QLatin1String("Close")) {
            m_log << QStringLiteral("Request.Close");
        } else if (interface == QLatin1String(ControlInterface)) {
            if (!control(member, args, connection, &reply))
                return false;
        } else {
            return false;
        }
        connection.send(message.createReply(reply));
        return true;
    }

private:
    using Sessions = QMap<QString, PortalShortcuts>;

    bool shortcuts(const QString& member, const QVariantList& args, QVariantList* reply)
    {
        const QString session = args.value(1).value<QDBusObjectPath>().path();
        if (member == QLatin1String("CreateSession")) {
            m_log << QStringLiteral("CreateSession app_id=%1").arg(args.value(2).toString());
            if (m_createSession == 0) {
                m_sessions.insert(session, {});
                m_sessionApps.insert(session, args.value(2).toString());
            }
            *reply = {m_createSession, QVariantMap{{QStringLiteral("shortcuts"),
                                                    QVariant::fromValue(PortalShortcuts())}}};
        } else if (member == QLatin1String("BindShortcuts")) {
            const auto wanted = qdbus_cast<PortalShortcuts>(args.value(2));
            QStringList entries;
            PortalShortcuts bound;
            for (const PortalShortcut& shortcut : wanted) {
                const QString trigger = shortcut.properties.value(QStringLiteral("preferred_trigger")).toString();
                const QString description = shortcut.properties.value(QStringLiteral("description")).toString();
                entries << QStringLiteral("%1=%2 (%3)").arg(shortcut.id, trigger, description);
                bound.append({shortcut.id,
                              {{QStringLiteral("description"), description},
                               {QStringLiteral("trigger_description"), trigger}}});
            }
            m_log << QStringLiteral("BindShortcuts ") + entries.join(QStringLiteral(", "));
            if (!m_sessions.contains(session) || (m_bindShortcuts != 0 && !m_bindAnyway)) {
                *reply = {m_bindShortcuts != 0 ? m_bindShortcuts : 2u, QVariantMap()};
                return true;
            }
            m_sessions[session] = bound;
            m_remembered[m_sessionApps.value(session)] = bound;
            *reply = {m_bindShortcuts, QVariantMap{{QStringLiteral("shortcuts"), QVariant::fromValue(bound)}}};
        } else if (member == QLatin1String("ListShortcuts")) {
            m_log << QStringLiteral("ListShortcuts");
            const PortalShortcuts listed = m_remembered.value(m_sessionApps.value(session), m_rememberedByAll);
            *reply = {0u, QVariantMap{{QStringLiteral("shortcuts"), QVariant::fromValue(listed)}}};
        } else {
            return false;
        }
        return true;
    }

    QVariantList screenshot(const QVariantList& args)
    {
        const QVariantMap options = qdbus_cast<QVariantMap>(args.value(3));
        m_log << QStringLiteral("Screenshot app_id=%1 interactive=%2")
                     .arg(args.value(1).toString(),
                          options.value(QStringLiteral("interactive")).toBool() ? "true" : "false");
        if (m_screenshot != 0)
            return {m_screenshot, QVariantMap()};
        QImage picture(m_width, m_height, QImage::Format_RGB32);
        picture.fill(m_colour);
        const QString file = QDir(m_folder).filePath(QStringLiteral("screenshot-%1.png").arg(++m_pictures));
        if (!picture.save(file, "PNG"))
            return {2u, QVariantMap()};
        return {0u, QVariantMap{{QStringLiteral("uri"), QUrl::fromLocalFile(file).toString()}}};
    }

    bool control(const QString& member, const QVariantList& args, const QDBusConnection& connection,
                 QVariantList* reply)
    {
        if (member == QLatin1String("Configure")) {
            const QVariantMap settings = qdbus_cast<QVariantMap>(args.value(0));
            m_createSession = settings.value(QStringLiteral("CreateSession"), m_createSession).toUInt();
            m_bindShortcuts = settings.value(QStringLiteral("BindShortcuts"), m_bindShortcuts).toUInt();
            m_screenshot = settings.value(QStringLiteral("Screenshot"), m_screenshot).toUInt();
            m_bindAnyway = settings.value(QStringLiteral("BindAnyway"), m_bindAnyway).toBool();
            for (const QString& id : settings.value(QStringLiteral("Remembered")).toStringList())
                m_rememberedByAll.append({id, {{QStringLiteral("trigger_description"), QStringLiteral("remembered")}}});
            if (settings.contains(QStringLiteral("Colour")))
                m_colour = QColor(settings.value(QStringLiteral("Colour")).toString());
            m_width = settings.value(QStringLiteral("Width"), m_width).toInt();
            m_height = settings.value(QStringLiteral("Height"), m_height).toInt();
        } else if (member == QLatin1String("Activate") || member == QLatin1String("Deactivate")) {
            const QString signal = member == QLatin1String("Activate") ? QStringLiteral("Activated")
                                                                         : QStringLiteral("Deactivated");
            for (auto it = m_sessions.cbegin(); it != m_sessions.cend(); ++it) {
                QDBusMessage emitted = QDBusMessage::createSignal(QLatin1String(DesktopPath),
                                                                  QLatin1String(ShortcutsInterface), signal);
                emitted << QVariant::fromValue(QDBusObjectPath(it.key())) << args.value(0) << args.value(1)
                        << QVariantMap();
                connection.send(emitted);
            }
        } else if (member == QLatin1String("CloseSessions")) {
            for (auto it = m_sessions.cbegin(); it != m_sessions.cend(); ++it)
                connection.send(QDBusMessage::createSignal(it.key(), QLatin1String(SessionInterface),
                                                           QStringLiteral("Closed")));
            m_sessions.clear();
        } else if (member == QLatin1String("Log")) {
            *reply << m_log;
        } else {
            return false;
        }
        return true;
    }

    QString m_folder;
    QStringList m_log;
    Sessions m_sessions;
    QMap<QString, QString> m_sessionApps;
    // What the desktop keeps of each program's binding, by app id.
    QMap<QString, PortalShortcuts> m_remembered;
    PortalShortcuts m_rememberedByAll;
    bool m_bindAnyway = false;
    uint m_createSession = 0;
    uint m_bindShortcuts = 0;
    uint m_screenshot = 0;
    QColor m_colour{0x33, 0x66, 0x99};
    int m_width = 64;
    int m_height = 48;
    int m_pictures = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: portal_standin FOLDER\n");
        return 2;
    }
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcuts>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    StandInDesktop desktop{QString::fromLocal8Bit(argv[1])};
    if (!bus.registerVirtualObject(QLatin1String(DesktopPath), &desktop, QDBusConnection::SubPath)
        || !bus.registerService(QLatin1String(ServiceName))) {
        std::fprintf(stderr, "portal_standin: cannot take %s: %s\n", ServiceName,
                     qPrintable(bus.lastError().message()));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return application.exec();
}
