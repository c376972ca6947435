// Ten starts of the real program at the same moment, by the same user in the
// same data folder: exactly one runs on, the nine others end with code 1.
#include "RealProgram.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

} // namespace
