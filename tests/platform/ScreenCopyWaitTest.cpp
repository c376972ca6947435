// The wait around a screen copy: bars hidden until the copy is answered,
// drill messages kept meanwhile, nothing completed after Stop.
#include "platform/ScreenCopyWait.h"
#include "support/StandInScreen.h"

#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

constexpr int kSwitch = 1; // starts another copy when handled
constexpr int kEnd = 2;    // ends the run when handled
constexpr int kOther = 3;

class ScreenCopyWaitTest : public ::testing::Test {
protected:
    ScreenCopyWaitTest() { screen.answerLater = true; }

    // Until the source has been asked `copies` copies in all.
    void UntilAsked(int copies)
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return screen.asked == copies; }, 10000)) << "asked " << screen.asked;
    }

    StandInScreen screen;
    Log log;
    ScreenCopyWait wait{{
        [this] { log.push_back("hide"); },
        [this](bool copied) { log.push_back(copied ? "show, copied" : "show, no copy"); },
        [this](int message) {
            log.push_back("handle " + std::to_string(message));
            if (message == kSwitch)
                wait.Start();
            if (message == kEnd)
                wait.Stop();
        },
    }};
};

TEST_F(ScreenCopyWaitTest, LateAnswer_BarsStayHiddenUntilItThenKeptMessagesInOrder)
{
    for (const bool copied : {true, false}) {
        SCOPED_TRACE(copied ? "copied" : "copy failed");
        log.clear();
        const int before = screen.asked;
        wait.Start();
        wait.Defer(kOther);
        wait.Defer(kOther + 1);
        // The screen gets its time to repaint without the bars first.
        EXPECT_EQ(screen.asked, before);
        UntilAsked(before + 1);
        QTest::qWait(100);
        EXPECT_TRUE(wait.Waiting());
        EXPECT_EQ(log, Log{"hide"});

        screen.Answer(copied);

        EXPECT_FALSE(wait.Waiting());
        EXPECT_EQ(log, (Log{"hide", copied ? "show, copied" : "show, no copy", "handle 3", "handle 4"}));
    }
}

TEST_F(ScreenCopyWaitTest, Stop_CopyAnsweredAfterItCompletesNothing)
{
    // Stopped before the copy is asked: it never is.
    wait.Start();
    wait.Defer(kOther);
    wait.Stop();
    QTest::qWait(150);
    EXPECT_EQ(screen.asked, 0);
    EXPECT_FALSE(wait.Waiting());

    // Stopped while the copy is under way; the next run starts its own
    // copy, and the old answer, coming late, completes neither.
    wait.Start();
    UntilAsked(1);
    wait.Defer(kOther);
    wait.Stop();
    wait.Start();
    UntilAsked(2);
    screen.Answer(true);
    EXPECT_EQ(log, (Log{"hide", "hide", "hide", "show, copied"}));
    EXPECT_FALSE(wait.Waiting());
}

TEST_F(ScreenCopyWaitTest, KeptSwitchOrEnd_RestWaitsForTheNewCopyOrIsDropped)
{
    wait.Start();
    wait.Defer(kSwitch);
    wait.Defer(kOther);
    UntilAsked(1);
    screen.Answer(true);
    // The kept switch hides the bars again: what came after it waits.
    EXPECT_EQ(log, (Log{"hide", "show, copied", "handle 1", "hide"}));
    EXPECT_TRUE(wait.Waiting());
    UntilAsked(2);
    screen.Answer(true);
    EXPECT_EQ(log, (Log{"hide", "show, copied", "handle 1", "hide", "show, copied", "handle 3"}));

    log.clear();
    wait.Start();
    wait.Defer(kEnd);
    wait.Defer(kOther);
    UntilAsked(3);
    screen.Answer(true);
    EXPECT_EQ(log, (Log{"hide", "show, copied", "handle 2"}));
    EXPECT_FALSE(wait.Waiting());
}

} // namespace
