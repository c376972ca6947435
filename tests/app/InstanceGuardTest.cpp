// The single-instance rule and the wake of a running drill bar, in-process
// and against the real program.
#include "RealProgram.h"
#include "app/InstanceGuard.h"
#include "app/UnixSocket.h"
#include "platform/SharedValues.h"
#include "platform/WinMessages.h"
#include "tools/HostileFolder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Stands in for a drill bar: counts the wakes it receives.
class WakeRecorder : public QWidget {
public:
    int wakes = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == static_cast<QEvent::Type>(WM_DRILL_SHOW)) {
            ++wakes;
            return true;
        }
        return QWidget::event(e);
    }
};

using Claim = InstanceGuard::Claim;

// Keeps this process's event loop turning (the running instance answers
// wakes from it) until `done` holds or the time is up.
template <class Done> bool SpinUntil(Done done, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

struct ProcessResult {
    int exitCode = -1;
    QString standardError;
};

ProcessResult RunProgram(const QString& workingDirectory, const QProcessEnvironment& environment)
{
    QProcess program;
    program.setWorkingDirectory(workingDirectory);
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(VOKABO_BINARY), {});
    EXPECT_TRUE(program.waitForStarted(10000));
    EXPECT_TRUE(SpinUntil([&] { return program.state() == QProcess::NotRunning; }));
    if (program.state() != QProcess::NotRunning) {
        program.kill();
        program.waitForFinished();
    }
    return {program.exitCode(), QString::fromLocal8Bit(program.readAllStandardError())};
}

// The running instance as the program holds it: the lock taken, the socket
// listening, and a drill bar open to receive its wakes.
struct RunningInstance {
    explicit RunningInstance(const QString& folder) : guard(folder) { BarWindow = &bar; }
    ~RunningInstance() { BarWindow = nullptr; }
    bool Up() { return guard.TryAcquire() == Claim::Held && guard.Listen(); }

    InstanceGuard guard;
    WakeRecorder bar;
};

QByteArray SocketPath(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("vokabo-%1.socket").arg(::getuid())).toLocal8Bit();
}

// A second start's wake, from another thread while this one answers it.
bool WakeAnswered(const QString& folder)
{
    std::atomic<bool> finished{false};
    bool answered = false;
    std::thread secondStart([&] {
        answered = InstanceGuard(folder).SendWake(10000);
        finished = true;
    });
    const bool ended = SpinUntil([&] { return finished.load(); });
    secondStart.join();
    return ended && answered;
}

} // namespace

TEST(InstanceGuard, SecondHolder_IsRefusedUntilTheFirstEnds)
{
    QTemporaryDir folder;
    auto first = std::make_unique<InstanceGuard>(folder.path());
    InstanceGuard second(folder.path());

    ASSERT_EQ(first->TryAcquire(), Claim::Held);
    EXPECT_EQ(second.TryAcquire(), Claim::OtherInstance);

    first.reset();
    EXPECT_EQ(second.TryAcquire(), Claim::Held);
    EXPECT_EQ(InstanceGuard(QString()).TryAcquire(), Claim::Unavailable);
}

TEST(InstanceGuard, Wake_ReachesTheOpenBarBeforeTheSecondStartGetsItsAnswer)
{
    QTemporaryDir folder;
    RunningInstance running(folder.path());
    ASSERT_TRUE(running.Up());

    std::atomic<bool> finished{false};
    std::atomic<bool> answered{false};
    int wakesSeenAtAnswer = -1;
    std::thread secondStart([&] {
        answered = InstanceGuard(folder.path()).SendWake(10000);
        finished = true;
    });
    // One read of `finished` per round: read twice, it could turn true
    // between the reads and end the wait with nothing recorded.
    ASSERT_TRUE(SpinUntil([&] {
        const bool done = finished.load();
        if (done)
            wakesSeenAtAnswer = running.bar.wakes;
        return done;
    }));
    secondStart.join();

    EXPECT_TRUE(answered);
    EXPECT_EQ(wakesSeenAtAnswer, 1);
}

TEST(InstanceGuard, Wake_WithNobodyListening_GivesUpAfterItsTimeout)
{
    QTemporaryDir folder;
    EXPECT_FALSE(InstanceGuard(folder.path()).SendWake(300));
}

// Whatever a killed instance left where the socket goes gives way to the
// next holder's socket, which only the learner may use and which goes again
// with its holder.
TEST(InstanceGuard, Listen_OverWhatLiesInTheSocketsPlace_AnswersAndCleansUp)
{
    struct Case {
        const char* name;
        std::function<bool(const QByteArray&)> leave;
    };
    const std::vector<Case> cases = {
        {"nothing", [](const QByteArray&) { return true; }},
        {"a killed instance's socket", [](const QByteArray& path) { return UnixSocket::Listen(path, 0700).IsValid(); }},
        {"a file", [](const QByteArray& path) { return QFile(QString::fromLocal8Bit(path)).open(QIODevice::WriteOnly); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        const QByteArray path = SocketPath(folder.path());
        ASSERT_TRUE(c.leave(path));
        {
            InstanceGuard running(folder.path());
            ASSERT_EQ(running.TryAcquire(), Claim::Held);
            ASSERT_TRUE(running.Listen());
            struct stat info {};
            ASSERT_EQ(::lstat(path.constData(), &info), 0);
            EXPECT_EQ(info.st_mode & (S_IFMT | 07777), S_IFSOCK | 0700u);
            EXPECT_TRUE(WakeAnswered(folder.path()));
        }
        EXPECT_FALSE(QFileInfo::exists(QString::fromLocal8Bit(path)));
    }
}

// Peers that are no second start, or a broken one, do not hold up the next
// start's wake, and each is let go: answered once it sent a whole line,
// dropped unanswered when it sent none within the time limit.
TEST(InstanceGuard, OddPeers_AreLetGoAndDoNotHoldUpTheWake)
{
    QTemporaryDir folder;
    RunningInstance running(folder.path());
    ASSERT_TRUE(running.Up());
    struct Case {
        const char* name;
        QByteArray sends;
        QByteArray answer;
    };
    const std::vector<Case> cases = {
        {"silent", "", ""},
        {"half a request", "WM_DRILL_", ""},
        {"a long line without its end", QByteArray(4096, 'x'), ""},
        {"another request", "WM_DRILL_NEXT\n", "done\n"},
    };
    std::vector<UnixSocket> peers;
    for (const Case& c : cases) {
        peers.push_back(UnixSocket::Connect(SocketPath(folder.path())));
        ASSERT_TRUE(peers.back().Send(c.sends, QDeadlineTimer(1000))) << c.name;
    }

    EXPECT_TRUE(WakeAnswered(folder.path()));
    std::vector<QByteArray> received(cases.size());
    std::vector<bool> ended(cases.size(), false);
    ASSERT_TRUE(SpinUntil([&] {
        for (std::size_t i = 0; i < peers.size(); ++i)
            if (!ended[i])
                ended[i] = peers[i].ReadLine(received[i], 64) != UnixSocket::Line::Partial;
        return std::all_of(ended.begin(), ended.end(), [](bool e) { return e; });
    }));

    EXPECT_EQ(running.bar.wakes, 1);
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(received[i].toStdString(), cases[i].answer.toStdString()) << cases[i].name;
}

// The lock and the socket go only where nobody else can put a lock or a
// socket of their own in their place; when another user has taken the
// folder under /tmp first, into a folder of the learner's own.
TEST(InstanceGuard, RuntimeFolder_IsTheSessionsOrAPrivateOneOfTheUsers)
{
    QTemporaryDir top;
    const QString session = top.filePath(QStringLiteral("session"));
    const QString parent = top.filePath(QStringLiteral("tmp"));
    const QString own = parent + QStringLiteral("/vokabo-%1").arg(::getuid());
    const QString deep = session + QLatin1Char('/') + QString(110, QLatin1Char('d'));
    const QString home = top.filePath(QStringLiteral("home"));
    const QString homeCache = home + QStringLiteral("/.cache");
    const QString cache = top.filePath(QStringLiteral("cache"));
    const QString deepCache = cache + QLatin1Char('/') + QString(110, QLatin1Char('c'));
    const QString data = top.filePath(QStringLiteral("data"));
    const auto folder = [](const QString& path, mode_t mode) {
        return QDir().mkpath(path) && ::chmod(path.toLocal8Bit().constData(), mode) == 0;
    };
    const auto ownIsAFile = [&] { return QFile(own).open(QIODevice::WriteOnly); };
    using Places = InstanceGuard::Places;
    struct Case {
        const char* name;
        std::function<bool()> prepare; // false: cannot be made here
        Places places;                  // `shared` is always `parent`
        QString expected;
    };
    const std::vector<Case> cases = {
        {"private session folder", [&] { return folder(session, 0700); }, {.session = session}, session},
        {"no session folder", [] { return true; }, {}, own},
        {"session folder others can write", [&] { return folder(session, 0777); }, {.session = session}, own},
        {"relative session folder", [] { return true; }, {.session = QStringLiteral("run")}, own},
        {"session folder too deep for a socket's path", [&] { return folder(deep, 0700); }, {.session = deep}, own},
        {"own folder already there", [&] { return folder(own, 0700); }, {}, own},
        {"own folder others can write", [&] { return folder(own, 0733); }, {}, QString()},
        {"own folder is a link", [&] { return folder(session, 0700) && QFile::link(session, own); }, {}, QString()},
        {"own folder is a file", ownIsAFile, {}, QString()},
        {"own folder of another user",
         [&] { return folder(own, 0700) && ::chown(own.toLocal8Bit().constData(), 65534, 65534) == 0; }, {},
         QString()},
        {"own folder of another user, then HOME's .cache, made",
         [&] { return folder(own, 0700) && ::chown(own.toLocal8Bit().constData(), 65534, 65534) == 0 &&
                      folder(home, 0700); },
         {.home = home, .data = data}, homeCache},
        {"own folder a file, then XDG_CACHE_HOME", [&] { return ownIsAFile() && folder(cache, 0700); },
         {.cacheHome = cache, .home = home, .data = data}, cache},
        {"own folder a file, relative XDG_CACHE_HOME ignored", [&] { return ownIsAFile() && folder(home, 0755); },
         {.cacheHome = QStringLiteral("cache"), .home = home, .data = data}, homeCache},
        {"own folder a file, cache others can write, then the data folder",
         [&] { return ownIsAFile() && folder(cache, 0777) && folder(data, 0755); }, {.cacheHome = cache, .home = home, .data = data},
         data},
        {"own folder a link, HOME missing, then the data folder",
         [&] { return folder(session, 0700) && QFile::link(session, own) && folder(data, 0700); },
         {.home = home, .data = data}, data},
        {"own folder a file, cache too deep for a socket's path, then the data folder",
         [&] { return ownIsAFile() && folder(deepCache, 0700) && folder(data, 0700); },
         {.cacheHome = deepCache, .home = home, .data = data}, data},
        {"own folder a file, cache and data folder others can write",
         [&] { return ownIsAFile() && folder(cache, 0777) && folder(data, 0777); }, {.cacheHome = cache, .home = home, .data = data},
         QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(own);
        for (const QString& path : {own, session, home, cache, data})
            QDir(path).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(parent));
        if (c.prepare()) { // chown needs root
            Places places = c.places;
            places.shared = parent;
            EXPECT_EQ(InstanceGuard::RuntimeFolder(places).toStdString(), c.expected.toStdString());
        }
        // A cache folder made here is the learner's alone.
        struct stat made {};
        if (c.expected == homeCache && ::stat(homeCache.toLocal8Bit().constData(), &made) == 0) {
            EXPECT_EQ(made.st_mode & 0777, 0700u);
        }
    }
}

// The real program. A second start, in a TMPDIR of its own, wakes the running
// instance and leaves save.db as it was: not even control is made there.
TEST(Startup, SecondStart_WakesTheRunningInstanceAndLeavesSaveDbAsItWas)
{
    RealProgram program;
    RunningInstance running(program.RuntimeFolder());
    ASSERT_TRUE(running.Up());
    hostile::HostileFolder folder;
    folder.Build(hostile::WordTable("DUO"));
    const std::string bytes = folder.Bytes();

    const ProcessResult result = RunProgram(QString::fromStdString(folder.Dir()), program.Environment());

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(running.bar.wakes, 1);
    EXPECT_EQ(folder.Bytes(), bytes);
    EXPECT_EQ(QDir(QString::fromStdString(folder.Dir())).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{QStringLiteral("save.db")});
}

// A lock that cannot be opened must not keep Vokabo from starting ever
// again: it runs unguarded and says so in one line.
TEST(Startup, LockThatCannotBeOpened_RunsAndSaysSoInOneLine)
{
    RealProgram program;
    ASSERT_TRUE(QDir(program.RuntimeFolder()).mkdir(QStringLiteral("vokabo-%1.lock").arg(::getuid())));
    QTemporaryDir folder;

    const auto run = program.Start(folder.path());

    // Only a start past the instance check writes to save.db.
    EXPECT_TRUE(SpinUntil([&] { return QFileInfo(folder.filePath(QStringLiteral("save.db"))).size() > 0; }));
    EXPECT_EQ(run->state(), QProcess::Running);
    RealProgram::Stop(*run);
    EXPECT_EQ(run->exitStatus(), QProcess::CrashExit) << "ended by SIGTERM, not by itself";
    const QString standardError = QString::fromLocal8Bit(run->readAllStandardError());
    EXPECT_TRUE(standardError.contains(QStringLiteral("a second instance can no longer be detected")))
        << standardError.toStdString();
    EXPECT_EQ(RealProgram::OwnLines(standardError).size(), 1);
}

TEST(Startup, UnusableDatabase_ExitsWithOneBeforeTouchingTheInstanceLock)
{
    RealProgram program;
    RunningInstance running(program.RuntimeFolder());
    ASSERT_TRUE(running.Up());
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("save.db")));

    const ProcessResult result = RunProgram(folder.path(), program.Environment());

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(running.bar.wakes, 0);
    EXPECT_TRUE(result.standardError.contains(QStringLiteral("vokabo: cannot open ./save.db")))
        << result.standardError.toStdString();
    EXPECT_EQ(RealProgram::OwnLines(result.standardError).size(), 1);
}
