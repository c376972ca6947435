// Starts of the real program by the same user in the same data folder:
// exactly one runs on, every other ends with code 1, and none waits for long
// on a running instance that does not answer.
#include "RealProgram.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <vector>

namespace {

TEST(Instances, TenSimultaneousStarts_OneRunsNineEndWithOne)
{
    QTemporaryDir folder;
    RealProgram program;
    std::vector<std::unique_ptr<QProcess>> starts(10);
    for (auto& start : starts) {
        start = std::make_unique<QProcess>();
        start->setWorkingDirectory(folder.path());
        start->setProcessEnvironment(program.Environment());
    }
    for (auto& start : starts)
        start->start(QStringLiteral(VOKABO_BINARY), {});

    for (auto& start : starts)
        EXPECT_TRUE(start->waitForStarted(10000));
    const auto ended = [&] {
        int count = 0;
        for (auto& start : starts)
            count += start->state() == QProcess::NotRunning ? 1 : 0;
        return count;
    };
    QDeadlineTimer deadline(30000);
    while (ended() < 9 && !deadline.hasExpired())
        for (auto& start : starts)
            start->waitForFinished(10);
    // The survivor is up and answers the wakes of the others; it is still
    // there after them.
    EXPECT_TRUE(program.Answers(10000));

    EXPECT_EQ(ended(), 9);
    int running = 0;
    int endedWithOne = 0;
    for (auto& start : starts) {
        if (start->state() == QProcess::Running)
            ++running;
        else if (start->exitStatus() == QProcess::NormalExit && start->exitCode() == 1)
            ++endedWithOne;
    }
    EXPECT_EQ(running, 1);
    EXPECT_EQ(endedWithOne, 9);
    for (auto& start : starts)
        RealProgram::Stop(*start);
}

TEST(Instances, SecondStart_AgainstAStoppedInstance_EndsWithOneAndLeavesItRunning)
{
    QTemporaryDir folder;
    RealProgram program;
    const auto first = program.Start(folder.path());
    ASSERT_TRUE(program.Answers(20000));

    ::kill(static_cast<pid_t>(first->processId()), SIGSTOP);
    const auto second = program.Start(folder.path());
    const bool ended = second->waitForFinished(10000);
    ::kill(static_cast<pid_t>(first->processId()), SIGCONT);

    EXPECT_TRUE(ended) << "the second start hangs on the stopped instance";
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 1);
    // The wake it gave up on does the first instance no harm.
    EXPECT_TRUE(program.Answers(10000));
    EXPECT_EQ(first->state(), QProcess::Running);
    RealProgram::Stop(*second);
    RealProgram::Stop(*first);
}

} // namespace
