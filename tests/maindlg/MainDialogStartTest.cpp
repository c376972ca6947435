// Start from the main dialog: the range rules, the level filter, the drill
// bar's runs and what the main dialog does around them, the browser.
#include "MainDialogHarness.h"

namespace {

using namespace main_dialog_test;

struct DialogRangeCase {
    const char* name;
    std::string firstText, lastText;
    std::vector<QString> boxes;
    bool drill;
    int first, last;
};

// Given DUO (30 words, never drilled), when the range is typed and Start
// pressed, then the boxes, the stored range, the synchronisation and the
// drill follow the range check: taken as typed, replaced by the whole list
// (one case per box) or refused. The rules themselves are StartRange's.
TEST(MainDialog, Start_RangeRules_StoreSyncAndDrillAsTheRulesSay)
{
    const DialogRangeCase cases[] = {
        {"plain range", "3", "12", {}, true, 3, 12},
        {"last n + 1 accepted", "1", "31", {}, true, 1, 31},
        {"first 0", "0", "10", {kOutOfRange}, true, 1, 30},
        {"last below first", "20", "10", {kZeroWords}, true, 1, 30},
        {"first equals last", "5", "5", {kEmpty}, false, 0, 0},
    };
    for (const DialogRangeCase& c : cases) {
        SCOPED_TRACE(c.name);
        MainDialogHarness h;
        h.Run([&] {
            h.Type("firstEdit", c.firstText);
            h.Type("lastEdit", c.lastText);
            h.ClickStart();
            EXPECT_TRUE(h.dlg.isVisible());
        });
        h.ExpectBoxes(c.boxes);
        const WordListState* duo = FindWordList("DUO");
        if (c.drill) {
            EXPECT_EQ(duo->beg, c.first);
            EXPECT_EQ(duo->end, c.last);
            EXPECT_TRUE(duo->listed.load());
            EXPECT_EQ(h.db.Rows("select * from control"),
                      (Rows{{"DUO", std::to_string(c.first), std::to_string(c.last)}}));
            ASSERT_EQ(h.drillRuns.size(), 1u);
            EXPECT_EQ(h.drillRuns[0].words, h.Words("DUO", c.first, c.last));
            EXPECT_EQ(h.drillRuns[0].listName, "DUO");
        } else {
            EXPECT_EQ(duo->beg, 0);
            EXPECT_EQ(duo->end, 0);
            EXPECT_FALSE(duo->listed.load());
            EXPECT_EQ(h.db.Rows("select * from control"), Rows{});
            EXPECT_TRUE(h.drillRuns.empty());
        }
    }
}

TEST(MainDialog, Start_OneWordList_OnlyOneToTwoDrills)
{
    const struct {
        std::string firstText, lastText;
        std::vector<QString> boxes;
        bool drill;
    } cases[] = {
        {"", "", {kEmpty}, false},
        {"1", "1", {kEmpty}, false},
        {"0", "", {kOutOfRange, kEmpty}, false},
        {"1", "2", {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.firstText + ".." + c.lastText);
        MainDialogHarness h;
        FindWordList("MS1")->cards.resize(1);
        h.Run([&] {
            h.ClickList("MS1");
            h.Type("firstEdit", c.firstText);
            h.Type("lastEdit", c.lastText);
            h.ClickStart();
        });
        h.ExpectBoxes(c.boxes);
        EXPECT_EQ(h.drillRuns.size(), c.drill ? 1u : 0u);
        if (c.drill) {
            EXPECT_EQ(h.drillRuns[0].words, h.Words("MS1", 1, 1));
        }
    }
}

// A level filter hands the level to the selection; a filter that keeps no
// word still stores the range and runs the bar, which reports the empty drill.
TEST(MainDialog, Start_LevelFilter_SelectsOnlyThatLevelEvenWhenNothingMatches)
{
    const struct {
        const char* name;
        int levelPresses;
        std::vector<int> wordNumbers;
    } cases[] = {{"level 3 keeps word 5 of 1..10", 3, {5}}, {"level 2 keeps nothing", 2, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MainDialogHarness h;
        h.MakeListed("DUO", 1, 10);
        FindWordList("DUO")->cards[4].level = 3;
        FindWordList("DUO")->cards[20].level = 3;
        h.Run([&] {
            for (int i = 0; i < c.levelPresses; ++i)
                QTest::keyClick(h.Combo("levelCombo"), Qt::Key_Down);
            h.ClickStart();
            EXPECT_TRUE(h.dlg.isVisible());
        });
        h.ExpectBoxes({});
        std::vector<std::string> expected;
        for (int number : c.wordNumbers)
            expected.push_back(FindWordList("DUO")->cards[number - 1].word);
        ASSERT_EQ(h.drillRuns.size(), 1u);
        EXPECT_EQ(h.drillRuns[0].levelFilter, c.levelPresses);
        EXPECT_EQ(h.drillRuns[0].words, expected);
        EXPECT_EQ(h.db.Rows("select * from control"), (Rows{{"DUO", "1", "10"}}));
    }
}

// Given a test drill on TOEIC started with Enter, then the bar gets the mode
// and the name, runs while the main dialog is hidden, and afterwards the main
// dialog shows again, still in its run, with its fields as they were (no
// refresh) until the learner cancels.
TEST(MainDialog, Start_WithEnter_DrillBarRunsHiddenThenMainDialogGoesOn)
{
    MainDialogHarness h;
    bool shownAfterDrill = false;
    const int result = h.Run(
        [&] {
            h.ClickList("TOEIC");
            QTest::keyClick(h.Combo("modeCombo"), Qt::Key_Down);
            h.Type("lastEdit", "7");
            QTest::keyClick(h.Edit("lastEdit"), Qt::Key_Return);
            QTimer::singleShot(0, &h.dlg, [&] {
                shownAfterDrill = h.dlg.isVisible();
                EXPECT_EQ(h.Edit("firstEdit")->text(), QString());
                EXPECT_EQ(h.Edit("lastEdit")->text(), QStringLiteral("7"));
                EXPECT_FALSE(h.Button("historyButton")->isEnabled());
                QTest::mouseClick(h.Button("cancelButton"), Qt::LeftButton);
            });
        },
        false);
    EXPECT_TRUE(shownAfterDrill);
    EXPECT_EQ(result, ModalSeam::IDCANCEL);
    h.ExpectBoxes({});
    ASSERT_EQ(h.drillRuns.size(), 1u);
    EXPECT_EQ(h.drillRuns[0].mode, 2);
    EXPECT_EQ(h.drillRuns[0].listName, "TOEIC");
    EXPECT_EQ(h.drillRuns[0].words, h.Words("TOEIC", 1, 7));
    EXPECT_FALSE(h.drillRuns[0].mainDialogVisible);
    EXPECT_EQ(h.db.Rows("select * from control"), (Rows{{"TOEIC", "1", "7"}}));
}

// However a real drill ends, the main dialog shows again and its own run
// goes on until the learner cancels it: hiding it for the drill, or the bar
// hiding itself for a screen copy, ends no run.
TEST(MainDialog, EveryEndOfARealDrill_MainDialogBackAndItsRunGoesOn)
{
    const auto finish = [](CKadoDlg& bar) {
        for (int card = 0; card < 2; ++card) {
            SendMessage(&bar, WM_DRILL_MARK);
            SendMessage(&bar, WM_DRILL_NEXT); // last: "次回に行きますか。" Yes, "終わり！"
        }
    };
    const struct {
        const char* name;
        int resultAnswer;
        std::function<void(CKadoDlg&)> end;
    } cases[] = {
        {"answer bar closed", ModalSeam::IDOK, [](CKadoDlg& bar) { bar.m_freeAnswerBar->close(); }},
        {"Escape on the bar", ModalSeam::IDOK, [](CKadoDlg& bar) { QTest::keyClick(&bar, Qt::Key_Escape); }},
        {"finished, result OK", ModalSeam::IDOK, finish},
        {"finished, result Escape", ModalSeam::IDCANCEL, finish},
        {"see-through, then answer bar closed", ModalSeam::IDOK,
         [](CKadoDlg& bar) {
             SendMessage(&bar, WM_DRILL_SEETHROUGH);
             QTest::qWait(200);
             ASSERT_TRUE(bar.isVisible());
             bar.m_freeAnswerBar->close();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MainDialogHarness h;
        h.realDrills = true;
        h.resultDialogAnswer = c.resultAnswer;
        bool shownAfterDrill = false;
        const int result = h.Run(
            [&] {
                h.Type("firstEdit", "1");
                h.Type("lastEdit", "2");
                QTimer::singleShot(0, &h.dlg.DrillBar(), [&] { c.end(h.dlg.DrillBar()); });
                h.ClickStart();
                QTimer::singleShot(0, &h.dlg, [&] {
                    shownAfterDrill = h.dlg.isVisible();
                    QTest::mouseClick(h.Button("cancelButton"), Qt::LeftButton);
                });
            },
            false);
        EXPECT_TRUE(shownAfterDrill);
        EXPECT_EQ(result, ModalSeam::IDCANCEL);
        EXPECT_FALSE(h.dlg.DrillBar().isVisible());
        ASSERT_EQ(h.drillRuns.size(), 1u);
        EXPECT_FALSE(h.drillRuns[0].mainDialogVisible);
    }
}

TEST(MainDialog, SecondStart_SameList_TakesNewRange)
{
    MainDialogHarness h;
    h.Run([&] {
        h.Type("firstEdit", "2");
        h.Type("lastEdit", "4");
        h.ClickStart();
        h.Type("firstEdit", "10");
        h.Type("lastEdit", "20");
        h.ClickStart();
    });
    h.ExpectBoxes({});
    ASSERT_EQ(h.drillRuns.size(), 2u);
    // One drill bar, built at the first Start, serves every drill.
    EXPECT_EQ(h.drillRuns[0].bar, &h.dlg.DrillBar());
    EXPECT_EQ(h.drillRuns[1].bar, &h.dlg.DrillBar());
    EXPECT_EQ(h.drillRuns[1].words, h.Words("DUO", 10, 20));
    EXPECT_EQ(FindWordList("DUO")->beg, 10);
    EXPECT_EQ(FindWordList("DUO")->end, 20);
    EXPECT_EQ(h.db.Rows("select * from control"), (Rows{{"DUO", "10", "20"}}));
}

TEST(MainDialog, ShowHistory_ListedList_BrowserGetsNameAndWordCount)
{
    MainDialogHarness h;
    h.MakeListed("HS3", 2, 8);
    h.Run([&] {
        h.ClickList("HS3");
        QTest::mouseClick(h.Button("historyButton"), Qt::LeftButton);
    });
    h.ExpectBoxes({});
    ASSERT_EQ(h.browserRuns.size(), 1u);
    EXPECT_EQ(h.browserRuns[0].listName, "HS3");
    EXPECT_EQ(h.browserRuns[0].wordCount, 30);
}

} // namespace
