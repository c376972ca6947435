// The windows as a screen reader hears them. The program's windows are
// shown by a11y_windows with Qt's AT-SPI bridge on, on a private session bus
// with at-spi2-core's accessibility bus behind it, and their trees are read
// over that bus as Orca reads them: role and name of every object, and the
// label it is read with.
#include "support/ChildProcess.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <csignal>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kStartMs = 10000;
constexpr int kCallMs = 5000;
constexpr char kSessionConnection[] = "vokabo-test-session";
constexpr char kA11yConnection[] = "vokabo-test-a11y";
constexpr char kAccessible[] = "org.a11y.atspi.Accessible";
// AtspiRelationType's ATSPI_RELATION_LABELLED_BY.
constexpr uint kRelationLabelledBy = 2;

// Where a desktop's accessibility bus is announced on the X server: Qt's
// bridge goes there first when it is set, as on a developer's own desktop.
QString BusOnTheDisplay()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return {};
    QString address;
    const Atom property = XInternAtom(display, "AT_SPI_BUS", True);
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (property != None &&
        XGetWindowProperty(display, DefaultRootWindow(display), property, 0, 1024, False, XA_STRING, &type, &format,
                           &items, &after, &data) == Success &&
        data) {
        address = QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(items));
        XFree(data);
    }
    XCloseDisplay(display);
    return address;
}

// A private session bus and the accessibility bus at-spi2-core starts for
// it. The bus's programs see no display, so the accessibility bus is not
// announced on the X server that later tests share, and a runtime folder of
// their own, where the launcher puts the bus's socket: a desktop's own bus
// has its socket in the learner's.
class AccessibilityBus {
public:
    ~AccessibilityBus()
    {
        // Started by the first question to it; a desktop's own registry is
        // the desktop's to end.
        const pid_t registry = m_ownRegistry ? ProcessOf(m_bus, QStringLiteral("org.a11y.atspi.Registry")) : 0;
        QDBusConnection::disconnectFromBus(QLatin1String(kA11yConnection));
        QDBusConnection::disconnectFromBus(QLatin1String(kSessionConnection));
        // The launcher takes the accessibility bus with it; the registry
        // would follow the bus in its own time.
        const pid_t started[] = {m_launcher, registry};
        for (pid_t process : started) {
            if (process > 0)
                ::kill(process, SIGTERM);
        }
        QDeadlineTimer deadline(kStartMs);
        for (pid_t process : started) {
            while (process > 0 && ::kill(process, 0) == 0 && !deadline.hasExpired())
                QThread::msleep(20);
        }
        if (m_session) {
            m_session->kill();
            m_session->waitForFinished();
        }
    }

    // Empty when the bus is up, else what failed.
    QString Start()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        if (!m_runtime.isValid())
            return QStringLiteral("no temporary folder");
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        m_session = StartChild(QStringLiteral("dbus-daemon"),
                               {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")},
                               environment);
        m_sessionAddress = FirstLine(*m_session);
        if (m_sessionAddress.isEmpty())
            return QStringLiteral("dbus-daemon did not start");
        QDBusConnection session = QDBusConnection::connectToBus(m_sessionAddress, QLatin1String(kSessionConnection));
        const QDBusMessage reply = session.call(
            QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                           QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress")),
            QDBus::Block, kStartMs);
        m_launcher = ProcessOf(session, QStringLiteral("org.a11y.Bus"));
        const QString onTheDisplay = BusOnTheDisplay();
        QString address = onTheDisplay;
        if (address.isEmpty() && reply.type() == QDBusMessage::ReplyMessage)
            address = reply.arguments().value(0).toString();
        if (address.isEmpty())
            return QStringLiteral("no accessibility bus: ") + reply.errorMessage();
        m_bus = QDBusConnection::connectToBus(address, QLatin1String(kA11yConnection));
        m_ownRegistry = onTheDisplay.isEmpty();
        return m_bus.isConnected() ? QString() : QStringLiteral("cannot connect to ") + address;
    }

    QString SessionAddress() const { return m_sessionAddress; }

    // The application object of the process `pid` once it has joined the
    // registry, which it does in its own time; empty if it never does.
    QString ApplicationOf(qint64 pid)
    {
        QDeadlineTimer deadline(kStartMs);
        while (!deadline.hasExpired()) {
            for (const auto& [service, path] : Children(QStringLiteral("org.a11y.atspi.Registry"),
                                                        QStringLiteral("/org/a11y/atspi/accessible/root"))) {
                if (ProcessOf(m_bus, service) == pid)
                    return service;
            }
            QThread::msleep(50);
        }
        return {};
    }

    // What a reader hears of the application's windows: one line per
    // object, role and name, indented by its depth below the window.
    std::vector<std::string> Windows(const QString& service)
    {
        std::vector<std::string> heard;
        for (const auto& [childService, path] : Children(service, QStringLiteral("/org/a11y/atspi/accessible/root")))
            Walk(childService, path, 0, heard);
        return heard;
    }

private:
    using Node = std::pair<QString, QString>;

    static pid_t ProcessOf(QDBusConnection& bus, const QString& service)
    {
        const QDBusMessage reply =
            bus.call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                    QStringLiteral("/org/freedesktop/DBus"),
                                                    QStringLiteral("org.freedesktop.DBus"),
                                                    QStringLiteral("GetConnectionUnixProcessID"))
                         << service,
                     QDBus::Block, kCallMs);
        return static_cast<pid_t>(reply.arguments().value(0).toLongLong());
    }

    QDBusMessage Call(const QString& service, const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        return m_bus.call(message, QDBus::Block, kCallMs);
    }

    // An array of objects as AT-SPI names them: bus name and object path.
    static std::vector<Node> Nodes(const QDBusArgument& array)
    {
        std::vector<Node> nodes;
        array.beginArray();
        while (!array.atEnd()) {
            QString service;
            QDBusObjectPath path;
            array.beginStructure();
            array >> service >> path;
            array.endStructure();
            nodes.emplace_back(service, path.path());
        }
        array.endArray();
        return nodes;
    }

    std::vector<Node> Children(const QString& service, const QString& path)
    {
        const QDBusMessage reply = Call(service, path, QLatin1String(kAccessible), QStringLiteral("GetChildren"));
        if (reply.type() != QDBusMessage::ReplyMessage)
            return {};
        return Nodes(reply.arguments().value(0).value<QDBusArgument>());
    }

    QString Name(const QString& service, const QString& path)
    {
        const QDBusMessage reply = Call(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                        QStringLiteral("Get"), {QLatin1String(kAccessible), QStringLiteral("Name")});
        return reply.arguments().value(0).value<QDBusVariant>().variant().toString();
    }

    // The names of the objects that label this one, which a reader says with it.
    QStringList LabelledBy(const QString& service, const QString& path)
    {
        QStringList labels;
        const QDBusMessage reply = Call(service, path, QLatin1String(kAccessible), QStringLiteral("GetRelationSet"));
        const QDBusArgument relations = reply.arguments().value(0).value<QDBusArgument>();
        relations.beginArray();
        while (!relations.atEnd()) {
            uint type = 0;
            relations.beginStructure();
            relations >> type;
            for (const auto& [targetService, targetPath] : Nodes(relations)) {
                if (type == kRelationLabelledBy)
                    labels << Name(targetService, targetPath);
            }
            relations.endStructure();
        }
        relations.endArray();
        return labels;
    }

    void Walk(const QString& service, const QString& path, int depth, std::vector<std::string>& heard)
    {
        const QDBusMessage role = Call(service, path, QLatin1String(kAccessible), QStringLiteral("GetRoleName"));
        QString line = QString(depth * 2, QLatin1Char(' ')) + role.arguments().value(0).toString() +
                       QStringLiteral(" '") + Name(service, path) + QLatin1Char('\'');
        for (const QString& label : LabelledBy(service, path))
            line += QStringLiteral(" labelled by '") + label + QLatin1Char('\'');
        heard.push_back(line.toStdString());
        for (const auto& [childService, childPath] : Children(service, path))
            Walk(childService, childPath, depth + 1, heard);
    }

    QTemporaryDir m_runtime;
    std::unique_ptr<QProcess> m_session;
    QString m_sessionAddress;
    pid_t m_launcher = 0;
    bool m_ownRegistry = false;
    QDBusConnection m_bus{QString()};
};

// The program's windows in one scene of a11y_windows, with the bridge on.
std::unique_ptr<QProcess> Show(const char* scene, const AccessibilityBus& bus)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.SessionAddress());
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    // Of Qt's platforms only those of a real display have the bridge.
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return StartChild(QStringLiteral(VOKABO_A11Y_WINDOWS), {QString::fromLatin1(scene)}, environment);
}

struct Scene {
    const char* name;
    std::vector<std::string> heard;
};

const Scene kScenes[] = {
    {"main",
     {
         "dialog 'Vokabo'",
         "  panel '設定'",
         "  push button 'スタート'",
         "  combo box 'フリー' labelled by 'モード'",
         "    list 'モード'",
         "      list item 'プレビュー'",
         "      list item 'フリー'",
         "      list item 'テスト'",
         "  label 'モード'",
         "  list '単語リスト'",
         "    list item 'DUO'",
         "    list item 'HS1'",
         "    list item 'HS2'",
         "    list item 'HS3'",
         "    list item 'MS1'",
         "    list item 'MS2'",
         "    list item 'MS3'",
         "    list item 'STEP_Lv1'",
         "    list item 'STEP_Lv2hard'",
         "    list item 'STEP_Lv2nom'",
         "    list item 'STEP_TokyoUniv'",
         "    list item 'TOEFL'",
         "    list item 'TOEIC'",
         "  push button 'キャンセル'",
         "  text 'から' labelled by 'から'",
         "  text 'まで' labelled by 'まで'",
         "  label 'から'",
         "  label 'まで'",
         "  label '単語数'",
         "  label '30' labelled by '単語数'",
         "  combo box '全部' labelled by 'レベル'",
         "    list 'レベル'",
         "      list item '全部'",
         "      list item '1'",
         "      list item '2'",
         "      list item '3'",
         "      list item '4'",
         "      list item '5'",
         "  label 'レベル'",
         "  push button '履歴を表示'",
         "  check box 'スペルチェック'",
     }},
    {"free",
     {
         "dialog '解答'",
         "  text '英単語'",
         "  check box '覚えた'",
         "  push button '前の単語'",
         "  push button '次の単語'",
         "dialog '単語カード'",
         "  push button '単語と意味を切り替え'",
         "  label 'りんご(1/1)'",
     }},
    {"test",
     {
         "dialog '解答'",
         "  text '英単語'",
         "  push button 'ok'",
         "dialog '単語カード'",
         "  push button '単語と意味を切り替え'",
         "  label 'りんご(1/1)'",
     }},
    {"result",
     {
         "dialog '結果'",
         "  tree '今回の単語'",
         "    column header '単語'",
         "    column header 'フリー'",
         "    column header 'テスト'",
         "    column header '誤り'",
         "    column header 'レベル'",
         "    tree item 'apple'",
         "    tree item '4+1'",
         "    tree item '5'",
         "    tree item '1'",
         "    tree item 'none'",
         "    tree item 'book'",
         "    tree item '3+1'",
         "    tree item '2'",
         "    tree item '0'",
         "    tree item 'Level 2'",
         "  push button 'OK'",
     }},
    {"browser",
     {
         "dialog '履歴'",
         "  tree '単語の履歴'",
         "    column header '単語'",
         "    column header 'フリー'",
         "    column header 'テスト'",
         "    column header '誤り'",
         "    column header 'レベル'",
         "    tree item 'apple'",
         "    tree item '0'",
         "    tree item '0'",
         "    tree item '0'",
         "    tree item 'none'",
         "    tree item 'book'",
         "    tree item '0'",
         "    tree item '0'",
         "    tree item '0'",
         "    tree item 'Level 2'",
         "  push button 'Prev'",
         "  label 'page:'",
         "  text 'page:' labelled by 'page:'",
         "  label '/'",
         "  label '1'",
         "  push button 'Next'",
         "  push button 'Query'",
         "  push button 'Save'",
         "  push button 'OK'",
     }},
};

} // namespace

TEST(ScreenReader, EveryWindow_OverTheAtspiBus_EveryObjectHasItsName)
{
    AccessibilityBus bus;
    const QString problem = bus.Start();
    ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();

    for (const Scene& scene : kScenes) {
        SCOPED_TRACE(scene.name);
        const std::unique_ptr<QProcess> windows = Show(scene.name, bus);
        ASSERT_EQ(FirstLine(*windows), QStringLiteral("shown")) << windows->readAllStandardError().toStdString();
        const QString application = bus.ApplicationOf(windows->processId());
        ASSERT_FALSE(application.isEmpty()) << "the windows never joined the accessibility registry";

        EXPECT_EQ(bus.Windows(application), scene.heard);
    }
}
