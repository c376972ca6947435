// The single-instance rule and the wake of a running drill bar, in-process
// and against the real program.
#include "app/InstanceGuard.h"
#include "app/SharedValues.h"
#include "app/WinMessages.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>
#include <QWidget>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

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

QString UniqueName() { return QStringLiteral("vokabo-test-") + QUuid::createUuid().toString(QUuid::Id128); }

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

// Lines the program itself wrote (Qt may add warnings of its own).
int OwnLines(const QString& standardError)
{
    int lines = 0;
    for (const QString& line : standardError.split(QLatin1Char('\n')))
        lines += line.startsWith(QStringLiteral("vokabo: ")) ? 1 : 0;
    return lines;
}

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

QProcessEnvironment OffscreenEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

class BarWindowScope {
public:
    explicit BarWindowScope(QWidget* bar) { BarWindow = bar; }
    ~BarWindowScope() { BarWindow = nullptr; }
};

} // namespace

TEST(InstanceGuard, SecondHolder_IsRefusedUntilTheFirstEnds)
{
    const QString name = UniqueName();
    auto first = std::make_unique<InstanceGuard>(name);
    InstanceGuard second(name);

    ASSERT_TRUE(first->TryAcquire());
    EXPECT_FALSE(second.TryAcquire());

    first.reset();
    EXPECT_TRUE(second.TryAcquire());
}

TEST(InstanceGuard, Wake_ReachesTheOpenBarBeforeTheSecondStartGetsItsAnswer)
{
    const QString name = UniqueName();
    InstanceGuard running(name);
    ASSERT_TRUE(running.TryAcquire());
    ASSERT_TRUE(running.Listen());
    WakeRecorder bar;
    BarWindowScope scope(&bar);

    std::atomic<bool> finished{false};
    std::atomic<bool> answered{false};
    int wakesSeenAtAnswer = -1;
    std::thread secondStart([&] {
        answered = InstanceGuard(name).SendWake(10000);
        finished = true;
    });
    ASSERT_TRUE(SpinUntil([&] {
        if (finished && wakesSeenAtAnswer < 0)
            wakesSeenAtAnswer = bar.wakes;
        return finished.load();
    }));
    secondStart.join();

    EXPECT_TRUE(answered);
    EXPECT_EQ(wakesSeenAtAnswer, 1);
}

TEST(InstanceGuard, Wake_WithoutBar_IsAnsweredAndGoesNowhere)
{
    const QString name = UniqueName();
    InstanceGuard running(name);
    ASSERT_TRUE(running.TryAcquire());
    ASSERT_TRUE(running.Listen());

    std::atomic<bool> finished{false};
    std::atomic<bool> answered{false};
    std::thread secondStart([&] {
        answered = InstanceGuard(name).SendWake(10000);
        finished = true;
    });
    ASSERT_TRUE(SpinUntil([&] { return finished.load(); }));
    secondStart.join();
    EXPECT_TRUE(answered);
}

TEST(InstanceGuard, Wake_WithNobodyListening_GivesUpAfterItsTimeout)
{
    EXPECT_FALSE(InstanceGuard(UniqueName()).SendWake(300));
}

// The real program: these hold the per-user lock of the program itself.
TEST(Startup, SecondStart_WakesTheRunningInstanceAndExitsWithOne)
{
    InstanceGuard running;
    ASSERT_TRUE(running.TryAcquire()) << "another Vokabo runs for this user";
    ASSERT_TRUE(running.Listen());
    WakeRecorder bar;
    BarWindowScope scope(&bar);
    QTemporaryDir folder;

    const ProcessResult result = RunProgram(folder.path(), OffscreenEnvironment());

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(bar.wakes, 1);
    // A second start leaves no trace of its own beside the file SQLite made.
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{QStringLiteral("save.db")});
}

TEST(Startup, UnusableDatabase_ExitsWithOneBeforeTouchingTheInstanceLock)
{
    InstanceGuard running;
    ASSERT_TRUE(running.TryAcquire()) << "another Vokabo runs for this user";
    ASSERT_TRUE(running.Listen());
    WakeRecorder bar;
    BarWindowScope scope(&bar);
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("save.db")));

    const ProcessResult result = RunProgram(folder.path(), OffscreenEnvironment());

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(bar.wakes, 0);
    EXPECT_TRUE(result.standardError.contains(QStringLiteral("vokabo: cannot open ./save.db")))
        << result.standardError.toStdString();
    EXPECT_EQ(OwnLines(result.standardError), 1);
}

TEST(Startup, NoDisplay_SaysSoInOneLineAndStops)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    QTemporaryDir folder;

    const ProcessResult result = RunProgram(folder.path(), environment);

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.standardError.startsWith(QStringLiteral("vokabo: no display"))) << result.standardError.toStdString();
    EXPECT_EQ(result.standardError.count(QLatin1Char('\n')), 1);
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("save.db"))));
}
