#include "PrivatePortal.h"

#include "keyhook/PortalRequest.h"
#include "support/ChildProcess.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QTest>

const char* const PrivatePortal::Frontend = "/usr/libexec/xdg-desktop-portal";

namespace {

constexpr char StandInName[] = "org.freedesktop.impl.portal.desktop.vokabotest";
constexpr char ControlInterface[] = "org.vokabo.test.PortalStandIn";
constexpr char TestConnection[] = "vokabo-portal-test";
constexpr int StartMs = 10000;

// A session bus with nothing to start on demand: no real portal or desktop
// service may stand in for the parts a test leaves out.
constexpr char BusConfig[] = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

} // namespace

PrivatePortal::PrivatePortal()
    : m_environment(QProcessEnvironment::systemEnvironment())
{
}

PrivatePortal::~PrivatePortal()
{
    QDBusConnection::disconnectFromBus(QLatin1String(TestConnection));
    for (auto* process : {&m_frontend, &m_standIn, &m_bus}) {
        if (*process) {
            (*process)->kill();
            (*process)->waitForFinished();
        }
    }
}

QString PrivatePortal::start(Parts parts)
{
    if (!m_folder.isValid())
        return QStringLiteral("no temporary folder");
    QString error = startBus();
    if (error.isEmpty())
        error = writeDesktopFiles(parts.shortcuts);
    if (error.isEmpty())
        error = startStandIn();
    if (error.isEmpty() && parts.frontend)
        error = startFrontend();
    return error;
}

QString PrivatePortal::startBus()
{
    const QString config = m_folder.filePath(QStringLiteral("bus.conf"));
    if (!writeFile(config, QString::fromLatin1(BusConfig).arg(m_folder.filePath(QStringLiteral("bus"))).toUtf8()))
        return QStringLiteral("cannot write the bus configuration");
    m_bus = StartChild(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                        QStringLiteral("--print-address")},
                       m_environment);
    m_address = FirstLine(*m_bus);
    if (m_address.isEmpty())
        return QStringLiteral("dbus-daemon did not start: ") + QString::fromLocal8Bit(m_bus->readAllStandardError());
    m_environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
    m_connection = QDBusConnection::connectToBus(m_address, QLatin1String(TestConnection));
    return m_connection.isConnected() ? QString() : QStringLiteral("cannot connect to the private bus");
}

// The frontend finds its desktop backend by the desktop's name: a .portal
// file whose UseIn names it (all versions) and, from 1.18 on, a
// <desktop>-portals.conf that prefers it. The desktop entry is what the
// frontend looks for when a program registers its name; GLib takes an entry
// only if the program it starts is on the PATH.
QString PrivatePortal::writeDesktopFiles(bool shortcuts)
{
    QDir folder(m_folder.path());
    for (const char* sub : {"portals", "data/applications", "bin", "config", "cache", "runtime"}) {
        if (!folder.mkpath(QLatin1String(sub)))
            return QStringLiteral("cannot make the portal folders");
    }
    QFile::setPermissions(folder.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QStringList interfaces{QStringLiteral("org.freedesktop.impl.portal.Screenshot"),
                           QStringLiteral("org.freedesktop.impl.portal.Access")};
    if (shortcuts)
        interfaces.prepend(QStringLiteral("org.freedesktop.impl.portal.GlobalShortcuts"));
    const QByteArray portal = "[portal]\nDBusName=" + QByteArray(StandInName) + "\nInterfaces="
        + interfaces.join(QLatin1Char(';')).toUtf8() + ";\nUseIn=vokabotest\n";
    QFile entry(QStringLiteral(VOKABO_DESKTOP_ENTRY));
    if (!writeFile(folder.filePath(QStringLiteral("portals/vokabotest.portal")), portal)
        || !writeFile(folder.filePath(QStringLiteral("portals/vokabotest-portals.conf")),
                      "[preferred]\ndefault=vokabotest\n")
        || !entry.open(QIODevice::ReadOnly)
        || !writeFile(folder.filePath(QStringLiteral("data/applications/" VOKABO_APP_ID ".desktop")), entry.readAll())
        || !QFile::link(QStringLiteral("/bin/true"), folder.filePath(QStringLiteral("bin/vokabo"))))
        return QStringLiteral("cannot write the portal files");
    return {};
}

QString PrivatePortal::startStandIn()
{
    m_standIn = StartChild(QStringLiteral(VOKABO_PORTAL_STANDIN), {m_folder.path()}, m_environment);
    if (FirstLine(*m_standIn) != QLatin1String("ready"))
        return QStringLiteral("portal_standin did not start: ") + QString::fromLocal8Bit(m_standIn->readAllStandardError());
    return {};
}

QString PrivatePortal::startFrontend()
{
    for (const auto& [name, sub] : {std::pair{"XDG_DESKTOP_PORTAL_DIR", "portals"}, {"XDG_DATA_HOME", "data"},
                                    {"XDG_CONFIG_HOME", "config"}, {"XDG_CACHE_HOME", "cache"},
                                    {"XDG_RUNTIME_DIR", "runtime"}})
        m_environment.insert(QLatin1String(name), m_folder.filePath(QLatin1String(sub)));
    m_environment.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("vokabotest"));
    m_environment.insert(QStringLiteral("PATH"), m_folder.filePath(QStringLiteral("bin")) + QLatin1Char(':')
                                                     + m_environment.value(QStringLiteral("PATH")));
    m_environment.insert(QStringLiteral("GIO_USE_VFS"), QStringLiteral("local"));
    m_frontend = StartChild(QLatin1String(Frontend), {QStringLiteral("--verbose")}, m_environment,
                            m_folder.filePath(QStringLiteral("frontend.log")));
    if (!m_frontend->waitForStarted(StartMs))
        return QStringLiteral("xdg-desktop-portal did not start: ") + m_frontend->errorString();
    const bool up = QTest::qWaitFor(
        [this] {
            return m_frontend->state() != QProcess::Running
                || m_connection.interface()->isServiceRegistered(QLatin1String(PortalService));
        },
        StartMs);
    if (!up || m_frontend->state() != QProcess::Running)
        return QStringLiteral("xdg-desktop-portal did not come up:\n") + frontendOutput();
    return {};
}

bool PrivatePortal::offers(const QString& interface) const
{
    const QDBusMessage introspect = QDBusMessage::createMethodCall(
        QLatin1String(PortalService), QLatin1String(PortalPath), QStringLiteral("org.freedesktop.DBus.Introspectable"),
        QStringLiteral("Introspect"));
    const QDBusReply<QString> xml = m_connection.call(introspect);
    return xml.isValid() && xml.value().contains(QStringLiteral("<interface name=\"%1\">").arg(interface));
}

QVariantList PrivatePortal::control(const QString& method, const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(StandInName), QLatin1String(PortalPath),
                                                       QLatin1String(ControlInterface), method);
    call.setArguments(arguments);
    const QDBusMessage reply = m_connection.call(call, QDBus::Block, StartMs);
    return reply.type() == QDBusMessage::ReplyMessage ? reply.arguments() : QVariantList{};
}

QStringList PrivatePortal::log()
{
    return control(QStringLiteral("Log")).value(0).toStringList();
}

void PrivatePortal::stopFrontend()
{
    m_frontend->kill();
    m_frontend->waitForFinished();
}

QString PrivatePortal::frontendOutput() const
{
    QFile file(m_folder.filePath(QStringLiteral("frontend.log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}
