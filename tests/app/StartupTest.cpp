// The real program started where there is no display to use.
#include "platform/SessionKind.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

// A socket file whose compositor is gone: connecting to it is refused.
bool LeaveStaleSocket(const QString& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = path.toLocal8Bit();
    if (static_cast<std::size_t>(bytes.size()) >= sizeof address.sun_path)
        return false;
    std::copy(bytes.begin(), bytes.end(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return bound;
}

} // namespace

// Without a display that answers, the program ends by itself with one line
// of its own, before Qt can abort (and leave a core file in the data folder)
// and before save.db is made.
TEST(Startup, NoDisplayOrOneThatDoesNotAnswer_OneLineExitOneNoCore)
{
    // :87 has no server here, and wayland-87 no compositor.
    ASSERT_FALSE(QFile::exists(QStringLiteral("/tmp/.X11-unix/X87")));
    QTemporaryDir runtime;
    ASSERT_TRUE(LeaveStaleSocket(runtime.filePath(QStringLiteral("stale-0"))));
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, QString>> variables;
        QString expected;
    };
    const std::vector<Case> cases = {
        {"nothing set", {}, QString::fromLatin1(kNoDisplayMessage)},
        {"X server gone", {{"DISPLAY", QStringLiteral(":87")}}, QString::asprintf(kX11SilentMessage, ":87")},
        {"compositor gone",
         {{"WAYLAND_DISPLAY", QStringLiteral("wayland-87")}, {"XDG_RUNTIME_DIR", runtime.path()}},
         QString::asprintf(kWaylandSilentMessage, "wayland-87")},
        {"compositor's socket left behind, X server gone",
         {{"WAYLAND_DISPLAY", QStringLiteral("stale-0")},
          {"XDG_RUNTIME_DIR", runtime.path()},
          {"DISPLAY", QStringLiteral(":87")}},
         QString::asprintf(kWaylandSilentMessage, "stale-0")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
            environment.remove(QString::fromLatin1(name));
        for (const auto& [name, value] : c.variables)
            environment.insert(QString::fromLatin1(name), value);
        QTemporaryDir folder;
        QProcess program;
        program.setWorkingDirectory(folder.path());
        program.setProcessEnvironment(environment);
        // An abort would leave its core file where the kernel is told to.
        program.setChildProcessModifier([] {
            rlimit core{};
            ::getrlimit(RLIMIT_CORE, &core);
            core.rlim_cur = core.rlim_max;
            ::setrlimit(RLIMIT_CORE, &core);
        });

        program.start(QStringLiteral(VOKABO_BINARY), {});
        ASSERT_TRUE(program.waitForFinished(30000));

        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 1);
        EXPECT_EQ(program.readAllStandardError().toStdString(), c.expected.toStdString());
        EXPECT_EQ(QDir(folder.path())
                      .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden)
                      .join(QLatin1Char(' '))
                      .toStdString(),
                  "");
    }
}
