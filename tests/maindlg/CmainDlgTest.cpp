#include "maindlg/CmainDlg.h"

#include "maindlg/StartRange.h"
#include "res/Texts.h"
#include "platform/WinMessages.h"
#include "bars/CtestInputDlg.h"
#include "drill/CKadoDlg.h"
#include "history/ChistoryDlg.h"
#include "history/CshowHistoryDlg.h"
#include "store/Database.h"
#include "store/ListSync.h"
#include "store/Preload.h"
#include "store/WordStore.h"
#include "support/ModalRun.h"
#include "support/ScriptedModal.h"
#include "support/TestDatabase.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <thread>

namespace {

using Rows = std::vector<std::vector<std::string>>;

// The dialog's own texts, as its boxes and its count label show them.
const QString kOutOfRange = QString::fromUtf8(kSelectionOutOfRangeText);
const QString kZeroWords = QString::fromUtf8(kZeroWordsSelectedText);
const QString kEmpty = QString::fromUtf8(kWordListEmptyText);
const QString kNoSuchList = QString::fromUtf8(kNoSuchWordListText);
const QString kWaitText = QString::fromUtf8(CmainDlg::kWaitForLoadText);
const QString kLoadingText = QString::fromUtf8(CmainDlg::kLoadingText);

// What the drill bar was given when its modal run started.
struct DrillRun {
    const CKadoDlg* bar = nullptr;
    int mode = -1;
    std::string listName;
    std::vector<std::string> words;
    int levelFilter = -1;
    bool mainDialogVisible = true;
};

struct BrowserRun {
    std::string listName;
    int wordCount = -1;
};

// A save.db, the registry, scripted boxes and one main dialog whose drill
// bar and statistics browser only record their runs.
class MainDialogHarness {
public:
    explicit MainDialogHarness(bool loaded = true)
    {
        if (loaded) {
            TestDatabase::LoadBuiltinRegistry();
            listsLoaded.store(true, std::memory_order_release);
            controlLoaded.store(true, std::memory_order_release);
        }
        modal.SetDialogHandler([this](CDialog& dialog, const std::function<int()>& runModal) {
            if (auto* bar = qobject_cast<CKadoDlg*>(&dialog)) {
                drillRuns.push_back({bar, bar->m_mode, bar->m_listName, PassWords(*bar), bar->m_levelFilter,
                                     dlg.isVisible()});
                return realDrills ? runModal() : int(ModalSeam::IDOK);
            }
            if (qobject_cast<ChistoryDlg*>(&dialog))
                return resultDialogAnswer;
            if (auto* browser = qobject_cast<CshowHistoryDlg*>(&dialog)) {
                browserRuns.push_back({browser->m_listName, browser->m_wordCount});
                return int(ModalSeam::IDOK);
            }
            return runModal();
        });
    }

    // The list as if an earlier run had drilled it: control row, table, range.
    void MakeListed(const std::string& name, int beg, int end)
    {
        WordListState* list = FindWordList(name);
        ASSERT_NE(list, nullptr);
        list->listed.store(true);
        list->beg = beg;
        list->end = end;
        db.Exec("INSERT INTO control VALUES('" + name + "', " + std::to_string(beg) + ", " + std::to_string(end) +
                ")");
        db.Exec(FormatStatement(sql::kCreateTable, name.c_str()).text);
    }

    // Runs the dialog modally; `script` acts on it once it is up. Whatever
    // the script leaves open is cancelled, unless it schedules its own ending.
    int Run(const std::function<void()>& script, bool cancelAfterScript = true)
    {
        const int result = RunModal(dlg, script, cancelAfterScript ? LeftOpen::Cancelled : LeftOpen::Stays);
        WaitForListSync();
        return result;
    }

    QPushButton* Button(const char* name) { return dlg.findChild<QPushButton*>(name); }
    QLineEdit* Edit(const char* name) { return dlg.findChild<QLineEdit*>(name); }
    QListWidget* ListBox() { return dlg.findChild<QListWidget*>("wordListBox"); }
    QComboBox* Combo(const char* name) { return dlg.findChild<QComboBox*>(name); }
    QString CountText() { return dlg.findChild<QLabel*>("countLabel")->text(); }
    QTimer* PreloadTimer() { return dlg.findChild<QTimer*>(QStringLiteral("preloadTimer")); }

    void ClickList(const QString& name)
    {
        QListWidget* list = ListBox();
        const auto items = list->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        list->scrollToItem(items[0]);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(items[0]).center());
    }

    // Digits are typed; anything else is set directly, since the digit
    // filter would swallow it yet the range check must hold for any text.
    void Type(const char* name, const std::string& text)
    {
        QLineEdit* edit = Edit(name);
        if (text.find_first_not_of("0123456789") != std::string::npos) {
            edit->setText(QString::fromStdString(text));
            return;
        }
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, QString::fromStdString(text));
    }

    void ClickStart() { QTest::mouseClick(Button("startButton"), Qt::LeftButton); }

    std::vector<std::string> Words(const std::string& name, int first, int last)
    {
        std::vector<std::string> words;
        const WordListState* list = FindWordList(name);
        for (int i = first - 1; i < last && i < static_cast<int>(list->cards.size()); ++i)
            words.push_back(list->cards[i].word);
        return words;
    }

    // Every box of the main dialog: information icon, OK, the program's
    // title, owned by the main dialog.
    void ExpectBoxes(const std::vector<QString>& texts)
    {
        EXPECT_EQ(modal.Texts(), texts);
        for (const auto& box : modal.Boxes()) {
            EXPECT_EQ(box.owner, &dlg);
            EXPECT_EQ(box.icon, ModalSeam::Icon::Information);
            EXPECT_EQ(box.buttons, ModalSeam::Buttons::Ok);
            EXPECT_EQ(box.caption, QStringLiteral("Vokabo"));
        }
    }

    TestDatabase db;
    ScriptedModal modal;
    CmainDlg dlg;
    std::vector<DrillRun> drillRuns;
    std::vector<BrowserRun> browserRuns;
    // The drill bar runs for real; its result dialog answers at once.
    bool realDrills = false;
    int resultDialogAnswer = ModalSeam::IDOK;

private:
    static std::vector<std::string> PassWords(const CKadoDlg& bar)
    {
        std::vector<std::string> words;
        for (const WordCard& card : bar.m_passCards)
            words.push_back(card.word);
        return words;
    }
};

std::vector<QString> ItemTexts(QComboBox* combo)
{
    std::vector<QString> texts;
    for (int i = 0; i < combo->count(); ++i)
        texts.push_back(combo->itemText(i));
    return texts;
}

TEST(MainDialog, Init_ListedFirstList_ShowsListsModesAndStoredRange)
{
    MainDialogHarness h;
    h.MakeListed("DUO", 5, 12);
    h.Run([&] {
        EXPECT_EQ(h.dlg.windowTitle(), QStringLiteral("Vokabo"));
        std::vector<QString> names;
        for (int i = 0; i < h.ListBox()->count(); ++i)
            names.push_back(h.ListBox()->item(i)->text());
        EXPECT_EQ(names, (std::vector<QString>{"DUO", "HS1", "HS2", "HS3", "MS1", "MS2", "MS3", "STEP_Lv1",
                                               "STEP_Lv2hard", "STEP_Lv2nom", "STEP_TokyoUniv", "TOEFL", "TOEIC"}));
        EXPECT_EQ(h.ListBox()->currentRow(), 0);
        EXPECT_EQ(ItemTexts(h.Combo("modeCombo")), (std::vector<QString>{"プレビュー", "フリー", "テスト"}));
        EXPECT_EQ(h.Combo("modeCombo")->currentIndex(), 1);
        EXPECT_EQ(ItemTexts(h.Combo("levelCombo")), (std::vector<QString>{"全部", "1", "2", "3", "4", "5"}));
        EXPECT_EQ(h.Combo("levelCombo")->currentIndex(), 0);
        EXPECT_EQ(h.CountText(), QStringLiteral("30"));
        EXPECT_EQ(h.Edit("firstEdit")->text(), QStringLiteral("5"));
        EXPECT_EQ(h.Edit("lastEdit")->text(), QStringLiteral("12"));
        EXPECT_TRUE(h.Button("historyButton")->isEnabled());
        EXPECT_TRUE(h.Combo("levelCombo")->isEnabled());
        EXPECT_FALSE(h.dlg.findChild<QCheckBox*>("spellCheck")->isChecked());
        EXPECT_FALSE(h.PreloadTimer()->isActive());
    });
    h.ExpectBoxes({});
}

// A click lands on whatever lies on top at that point: every control must be
// the one hit at its centre, and every text must fit its control.
TEST(MainDialog, Layout_EveryControlOnTopAtItsCentreAndTextsFit)
{
    MainDialogHarness h;
    h.Run([&] {
        for (const char* name : {"startButton", "modeCombo", "cancelButton", "wordListBox", "firstEdit", "lastEdit",
                                 "levelCombo", "historyButton", "spellCheck"}) {
            auto* control = h.dlg.findChild<QWidget*>(name);
            const QWidget* hit = h.dlg.childAt(control->geometry().center());
            EXPECT_TRUE(hit == control || control->isAncestorOf(hit)) << name;
        }
        for (auto* combo : {h.Combo("modeCombo"), h.Combo("levelCombo")})
            EXPECT_FALSE(combo->geometry().intersects(h.Edit("firstEdit")->geometry()) ||
                         combo->geometry().intersects(h.Button("startButton")->geometry()));
        for (auto* label : h.dlg.findChildren<QLabel*>()) {
            const QFontMetrics metrics = label->fontMetrics();
            EXPECT_LE(metrics.horizontalAdvance(label->text()), label->width()) << label->text().toStdString();
            EXPECT_LE(metrics.height(), label->height()) << label->text().toStdString();
        }
        for (auto* button : h.dlg.findChildren<QPushButton*>()) {
            EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 8, button->width())
                << button->text().toStdString();
            EXPECT_LE(button->fontMetrics().height() + 4, button->height()) << button->text().toStdString();
        }
        auto* check = h.dlg.findChild<QCheckBox*>("spellCheck");
        EXPECT_LE(check->sizeHint().width(), check->width());
    });
}

// The range fields take ASCII digits alone, as the range check reads them:
// other characters are dropped as they are typed, and a paste that holds
// one is refused whole.
TEST(MainDialog, RangeFields_TakeAsciiDigitsOnly)
{
    const struct {
        const char* text;
        const char* typed;
        const char* pasted;
    } cases[] = {
        {"0123456789", "0123456789", "0123456789"},
        {"1a2", "12", ""},
        {"-5", "5", ""},
        {"+3 4", "34", ""},
        {"１٣7", "7", ""}, // full-width one, Arabic-Indic three
    };
    MainDialogHarness h;
    h.Run([&] {
        for (const auto& c : cases) {
            for (const char* name : {"firstEdit", "lastEdit"}) {
                SCOPED_TRACE(std::string(c.text) + " in " + name);
                QLineEdit* edit = h.Edit(name);
                edit->clear();
                for (QChar character : QString::fromUtf8(c.text))
                    QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(character), Qt::NoModifier);
                EXPECT_EQ(edit->text(), QString::fromUtf8(c.typed));
                edit->clear();
                edit->insert(QString::fromUtf8(c.text));
                EXPECT_EQ(edit->text(), QString::fromUtf8(c.pasted));
            }
        }
    });
}

TEST(MainDialog, SelectList_NotListed_EmptyRangeDisabledHistoryAndStartAllowed)
{
    MainDialogHarness h;
    h.MakeListed("DUO", 5, 12);
    h.Run([&] {
        h.ClickList("HS1");
        EXPECT_EQ(h.CountText(), QStringLiteral("30"));
        EXPECT_EQ(h.Edit("firstEdit")->text(), QString());
        EXPECT_EQ(h.Edit("lastEdit")->text(), QString());
        EXPECT_FALSE(h.Button("historyButton")->isEnabled());
        EXPECT_FALSE(h.Combo("levelCombo")->isEnabled());
        EXPECT_EQ(h.Combo("levelCombo")->currentIndex(), 0);

        h.ClickStart();
    });
    h.ExpectBoxes({});
    ASSERT_EQ(h.drillRuns.size(), 1u);
    EXPECT_EQ(h.drillRuns[0].listName, "HS1");
    EXPECT_EQ(h.drillRuns[0].words, h.Words("HS1", 1, 30));
    EXPECT_EQ(h.drillRuns[0].levelFilter, 0);
    const WordListState* hs1 = FindWordList("HS1");
    EXPECT_EQ(hs1->beg, 1);
    EXPECT_EQ(hs1->end, 30);
    EXPECT_TRUE(hs1->listed.load());
    EXPECT_EQ(h.db.Rows("select * from control order by listname"),
              (Rows{{"DUO", "5", "12"}, {"HS1", "1", "30"}}));
}

struct DialogRangeCase {
    const char* name;
    std::string firstText, lastText;
    std::vector<QString> boxes;
    bool drill;
    int first, last;
};

// Given DUO (30 words, never drilled), when the range is typed and Start
// pressed, then the boxes, the stored range, the synchronisation and the
// drill follow the range rules.
TEST(MainDialog, Start_RangeRules_StoreSyncAndDrillAsTheRulesSay)
{
    const DialogRangeCase cases[] = {
        {"both empty: whole list", "", "", {}, true, 1, 30},
        {"plain range", "3", "12", {}, true, 3, 12},
        {"last n + 1 accepted", "1", "31", {}, true, 1, 31},
        {"first 0", "0", "10", {kOutOfRange}, true, 1, 30},
        {"first negative", "-2", "10", {kOutOfRange}, true, 1, 30},
        {"first text", "x1", "10", {kOutOfRange}, true, 1, 30},
        {"last n + 2", "1", "32", {kOutOfRange}, true, 1, 30},
        {"last negative", "1", "-4", {kOutOfRange}, true, 1, 30},
        {"last huge", "", "4294967326", {kOutOfRange}, true, 1, 30},
        {"last 0", "1", "0", {kZeroWords}, true, 1, 30},
        {"last text", "1", "ten", {kZeroWords}, true, 1, 30},
        {"last below first", "20", "10", {kZeroWords}, true, 1, 30},
        {"first n + 2, last empty", "32", "", {kZeroWords}, true, 1, 30},
        {"first huge, last empty", "4294967326", "", {kZeroWords}, true, 1, 30},
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

TEST(MainDialog, Start_ListWithoutCards_WordlistEmptyAndNothingStored)
{
    MainDialogHarness h;
    FindWordList("DUO")->cards.clear();
    h.Run([&] { h.ClickStart(); });
    h.ExpectBoxes({kEmpty});
    EXPECT_TRUE(h.drillRuns.empty());
    EXPECT_FALSE(FindWordList("DUO")->listed.load());
    EXPECT_EQ(h.db.Rows("select * from control"), Rows{});
}

TEST(MainDialog, NameMissingFromRegistry_NoSuchWordlistOnSelectAndStart)
{
    MainDialogHarness h;
    WordListRegistry.erase("HS2");
    h.Run([&] {
        h.ClickList("HS2");
        // The refresh stops before it moves anything into the controls.
        EXPECT_EQ(h.CountText(), QStringLiteral("30"));
        h.ClickStart();
    });
    h.ExpectBoxes({kNoSuchList, kNoSuchList});
    EXPECT_TRUE(h.drillRuns.empty());
    EXPECT_EQ(h.db.Rows("select * from control"), Rows{});
}

// Given the preload has not finished, Start only asks to wait: nothing is
// stored, synchronised or drilled, and the fields keep what was typed.
TEST(MainDialog, Start_WhilePreloadRuns_OnlyTheWaitingMessage)
{
    const struct {
        const char* name;
        bool listsDone;
    } cases[] = {{"nothing loaded", false}, {"lists loaded, control not yet", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MainDialogHarness h(false);
        TestDatabase::LoadBuiltinRegistry();
        listsLoaded.store(c.listsDone, std::memory_order_release);
        h.Run([&] {
            const QString countBefore = h.CountText();
            h.Type("firstEdit", "3");
            h.Type("lastEdit", "9");
            h.ClickStart();
            EXPECT_EQ(h.CountText(), countBefore);
            EXPECT_EQ(h.Edit("firstEdit")->text(), QStringLiteral("3"));
            EXPECT_EQ(h.Edit("lastEdit")->text(), QStringLiteral("9"));
            EXPECT_TRUE(h.dlg.isVisible());
        });
        h.ExpectBoxes({kWaitText});
        // Closing the window ends its polling.
        EXPECT_FALSE(h.PreloadTimer()->isActive());
        EXPECT_TRUE(h.drillRuns.empty());
        EXPECT_EQ(FindWordList("DUO")->beg, 0);
        EXPECT_FALSE(FindWordList("DUO")->listed.load());
        EXPECT_EQ(h.db.Rows("select * from control"), Rows{});
    }
}

// Given the dialog waiting for the preload, when the real preload finishes,
// then the first tick after it shows the list and stops the polling.
TEST(MainDialog, Waiting_PreloadFinishes_FirstTickShowsListAndStopsTimer)
{
    MainDialogHarness h(false);
    h.db.Exec("INSERT INTO control VALUES('DUO', 5, 12)");
    int ticks = 0;
    QObject::connect(h.PreloadTimer(), &QTimer::timeout, [&] { ++ticks; });
    h.Run([&] {
        EXPECT_EQ(h.CountText(), kLoadingText);
        EXPECT_FALSE(h.Button("historyButton")->isEnabled());
        EXPECT_FALSE(h.Combo("levelCombo")->isEnabled());
        EXPECT_TRUE(h.PreloadTimer()->isActive());
        EXPECT_EQ(h.PreloadTimer()->interval(), 1000);

        std::thread preload(PreloadThread);
        preload.join();
        if (ticks == 0) {
            EXPECT_EQ(h.CountText(), kLoadingText);
        }

        EXPECT_TRUE(QTest::qWaitFor([&] { return h.CountText() != kLoadingText; }, 5000));
        EXPECT_EQ(ticks, 1);
        EXPECT_FALSE(h.PreloadTimer()->isActive());
        EXPECT_EQ(h.CountText(), QStringLiteral("30"));
        EXPECT_EQ(h.Edit("firstEdit")->text(), QStringLiteral("5"));
        EXPECT_EQ(h.Edit("lastEdit")->text(), QStringLiteral("12"));
        EXPECT_TRUE(h.Button("historyButton")->isEnabled());
        EXPECT_TRUE(h.Combo("levelCombo")->isEnabled());
    });
    h.ExpectBoxes({});
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

TEST(MainDialog, CancelEscapeAndCloseBox_EndTheRunWithCancel)
{
    const struct {
        const char* name;
        std::function<void(MainDialogHarness&)> close;
    } cases[] = {
        {"Cancel button", [](MainDialogHarness& h) { QTest::mouseClick(h.Button("cancelButton"), Qt::LeftButton); }},
        {"Escape", [](MainDialogHarness& h) { QTest::keyClick(h.Edit("firstEdit"), Qt::Key_Escape); }},
        {"close box", [](MainDialogHarness& h) { h.dlg.close(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MainDialogHarness h;
        bool closedByScript = false;
        const int result = h.Run([&] {
            c.close(h);
            closedByScript = !h.dlg.isVisible();
        });
        EXPECT_TRUE(closedByScript);
        EXPECT_EQ(result, ModalSeam::IDCANCEL);
        EXPECT_TRUE(h.drillRuns.empty());
        h.ExpectBoxes({});
    }
}

} // namespace
