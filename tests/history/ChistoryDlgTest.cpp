// The drill result dialog: what it lists after a drill and how levels
// chosen in it reach the cards.
#include "ListHost.h"

#include "res/Texts.h"
#include "history/ChistoryDlg.h"
#include "store/WordStore.h"
#include "support/ModalRun.h"
#include "support/ScriptedModal.h"
#include "support/TestDatabase.h"

#include <QHeaderView>
#include <cstring>
#include <functional>

namespace {

using namespace listhost;
using Counts = std::map<std::string, std::int32_t, UnsignedByteLess>;

QStringList Headers(const CComboListCtrl& list)
{
    QStringList headers;
    for (int c = 0; c < list.columnCount(); ++c)
        headers << list.headerItem()->text(c) + QStringLiteral("/%1").arg(list.columnWidth(c));
    return headers;
}

HistoryEntry Entry(const char* word, int free, int test_w, int test_a, int level, int index)
{
    return HistoryEntry{word, free, test_w, test_a, level, index};
}

class ResultDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestDatabase::LoadBuiltinRegistry();
        std::strcpy(dlg.m_listName, "DUO");
        dlg.m_wordCounts = &counts;
    }

    int Run(const std::function<void()>& steps) { return RunModal(dlg, steps); }

    int RunAndLook(Table& rows)
    {
        return Run([&] {
            rows = ListRows(*dlg.m_list);
            dlg.EndDialog(ModalSeam::IDCANCEL);
        });
    }

    // Opens the level drop-down of `row` with a click, as the learner does.
    CInPlaceCombo* ClickLevelCell(int row)
    {
        ClickCell(*dlg.m_list, row, 4);
        return CInPlaceCombo::Instance();
    }

    void ChooseLevel(int row, int steps) { ChooseInDropDown(*dlg.m_list, row, 4, steps); }

    void PressOk() { QTest::mouseClick(dlg.findChild<QPushButton*>("okButton"), Qt::LeftButton); }

    std::vector<std::int32_t> DuoLevels(std::size_t n) const
    {
        std::vector<std::int32_t> levels;
        for (std::size_t i = 0; i < n; ++i)
            levels.push_back(FindWordList("DUO")->cards[i].level);
        return levels;
    }

    TestDatabase db;
    ScriptedModal modal;
    Counts counts;
    ChistoryDlg dlg;
};

TEST_F(ResultDialog, FreeDrill_ShowsStoredFreePlusPassesAndPlainTestCounters)
{
    DrillHistory = {Entry("absent", 4, 2, 7, 0, 0), Entry("absolute", 0, 0, 0, 3, 1), Entry("abstract", 9, 1, 1, -2, 2)};
    counts = {{"absent", 1}, {"absolute", 2}};
    dlg.m_testMode = 0;
    Table rows;
    EXPECT_EQ(RunAndLook(rows), ModalSeam::IDCANCEL);
    EXPECT_EQ(Headers(*dlg.m_list), (QStringList{"単語/130", "フリー/60", "テスト/60", "誤り/60", "レベル/80"}));
    EXPECT_EQ(rows, (Table{{"absent", "4+1", "7", "2", "none"},
                           {"absolute", "0+2", "0", "0", "Level 3"},
                           {"abstract", "9", "1", "1", "none"}}));
}

TEST_F(ResultDialog, TestDrill_ShowsAnswersAndWrongAnswersAdded)
{
    DrillHistory = {Entry("absent", 4, 1, 5, 5, 0), Entry("absolute", 4, 1, 5, 1, 1), Entry("abstract", 2, 0, 0, 9, 2)};
    counts = {{"absent", 3}, {"absolute", 1}};
    dlg.m_testMode = 1;
    Table rows;
    RunAndLook(rows);
    EXPECT_EQ(rows, (Table{{"absent", "4", "5+3", "1+2", "Level 5"},
                           {"absolute", "4", "5+1", "1+0", "Level 1"},
                           {"abstract", "2", "0", "0", "none"}}));
}

TEST_F(ResultDialog, LevelFilter_ListsOnlyEntriesOfThatLevelWithAllRowsSelected)
{
    DrillHistory = {Entry("absent", 0, 0, 0, 3, 0), Entry("absolute", 0, 0, 0, 2, 1), Entry("abstract", 0, 0, 0, 3, 2),
                    Entry("abundant", 0, 0, 0, 0, 3)};
    counts = {{"absent", 1}, {"abstract", 1}};
    dlg.m_levelFilter = 3;
    Table rows;
    int current = -1;
    int selected = 0;
    Run([&] {
        rows = ListRows(*dlg.m_list);
        current = dlg.m_list->currentIndex().row();
        selected = static_cast<int>(dlg.m_list->selectedItems().size());
        dlg.EndDialog(ModalSeam::IDCANCEL);
    });
    EXPECT_EQ(rows, (Table{{"absent", "0+1", "0", "0", "Level 3"}, {"abstract", "0+1", "0", "0", "Level 3"}}));
    EXPECT_EQ(dlg.m_entries.size(), 2u);
    EXPECT_EQ(dlg.m_entries[1].index, 2);
    EXPECT_EQ(current, 1);
    EXPECT_EQ(selected, 2);
}

TEST_F(ResultDialog, NoOrEmptyCountMap_ShowsNoColumnsAndNoRowsEvenAfterAFullRun)
{
    DrillHistory = {Entry("absent", 4, 2, 7, 0, 0)};
    counts = {{"absent", 1}};
    Table rows;
    RunAndLook(rows);
    ASSERT_EQ(dlg.m_list->columnCount(), 5);

    for (const Counts* map : {static_cast<const Counts*>(nullptr), static_cast<const Counts*>(&counts)}) {
        counts.clear();
        dlg.m_wordCounts = map;
        RunAndLook(rows);
        EXPECT_EQ(dlg.m_list->columnCount(), 0);
        EXPECT_TRUE(rows.empty());
        EXPECT_TRUE(dlg.m_entries.empty());
    }
}

TEST_F(ResultDialog, SecondRun_RebuildsColumnsAndRows)
{
    DrillHistory = {Entry("absent", 1, 0, 0, 0, 0), Entry("absolute", 2, 0, 0, 0, 1)};
    counts = {{"absent", 1}, {"absolute", 1}};
    Table rows;
    RunAndLook(rows);
    DrillHistory = {Entry("abstract", 3, 0, 0, 0, 2)};
    counts = {{"abstract", 2}};
    RunAndLook(rows);
    EXPECT_EQ(Headers(*dlg.m_list).size(), 5);
    EXPECT_EQ(rows, (Table{{"abstract", "3+2", "0", "0", "none"}}));
}

// A drill of words 6 to 8: the row's entry says which card the level goes to.
TEST_F(ResultDialog, LevelChosenInDropDown_AppliedToTheEntrysCardAtOk)
{
    DrillHistory = {Entry("absent", 0, 0, 0, 0, 5), Entry("absolute", 0, 0, 0, 0, 6), Entry("abstract", 0, 0, 0, 4, 7)};
    counts = {{"absent", 1}, {"absolute", 1}, {"abstract", 1}};
    FindWordList("DUO")->cards[7].level = 4;
    QStringList items;
    const int result = Run([&] {
        CInPlaceCombo* combo = ClickLevelCell(1);
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QTest::keyClick(combo, Qt::Key_Down);
        QTest::keyClick(combo, Qt::Key_Down);
        QTest::keyClick(combo, Qt::Key_Return);
        QCoreApplication::processEvents();
        EXPECT_EQ(dlg.m_list->GetItemText(1, 4), "Level 2");
        PressOk();
    });
    EXPECT_EQ(result, ModalSeam::IDOK);
    EXPECT_EQ(items, kLevels);
    EXPECT_EQ(DuoLevels(9), (std::vector<std::int32_t>{0, 0, 0, 0, 0, 0, 2, 4, 0}));
    // The entry keeps the level the word had at Start.
    EXPECT_EQ(dlg.m_entries[1].level, 0);
    EXPECT_TRUE(modal.Texts().empty());
}

TEST_F(ResultDialog, LevelChosenThenEscape_LeavesTheCardsUnchanged)
{
    DrillHistory = {Entry("absent", 0, 0, 0, 0, 0), Entry("absolute", 0, 0, 0, 0, 1)};
    counts = {{"absent", 1}, {"absolute", 1}};
    const int result = Run([&] {
        ChooseLevel(0, 3);
        EXPECT_EQ(dlg.m_list->GetItemText(0, 4), "Level 3");
        // The first Escape goes to the list, the dialog's own closes it.
        QTest::keyClick(dlg.m_list, Qt::Key_Escape);
    });
    EXPECT_EQ(result, ModalSeam::IDCANCEL);
    EXPECT_EQ(DuoLevels(2), (std::vector<std::int32_t>{0, 0}));
}

TEST_F(ResultDialog, ReturnAndEscapeInDropDown_NeitherCloseTheDialog)
{
    DrillHistory = {Entry("absent", 0, 0, 0, 1, 0)};
    counts = {{"absent", 1}};
    bool openAfterKeys = false;
    Run([&] {
        CInPlaceCombo* combo = ClickLevelCell(0);
        QTest::keyClick(combo, Qt::Key_Down);
        QTest::keyClick(combo, Qt::Key_Escape);
        QCoreApplication::processEvents();
        EXPECT_EQ(dlg.m_list->GetItemText(0, 4), "Level 1");
        combo = ClickLevelCell(0);
        QTest::keyClick(combo, Qt::Key_Return);
        QCoreApplication::processEvents();
        openAfterKeys = dlg.isVisible();
        dlg.EndDialog(ModalSeam::IDCANCEL);
    });
    EXPECT_TRUE(openAfterKeys);
}

TEST_F(ResultDialog, OkForListMissingFromRegistry_SaysSoAndStaysOpen)
{
    DrillHistory = {Entry("absent", 0, 0, 0, 0, 0)};
    counts = {{"absent", 1}};
    std::strcpy(dlg.m_listName, "NOPE");
    bool openAfterOk = false;
    const int result = Run([&] {
        ChooseLevel(0, 5);
        PressOk();
        openAfterOk = dlg.isVisible();
        dlg.EndDialog(ModalSeam::IDCANCEL);
    });
    EXPECT_TRUE(openAfterOk);
    EXPECT_EQ(result, ModalSeam::IDCANCEL);
    EXPECT_EQ(modal.Texts(), std::vector<QString>{kNoSuchWordListText});
    ASSERT_EQ(modal.Boxes().size(), 1u);
    EXPECT_EQ(modal.Boxes()[0].owner, &dlg);
    EXPECT_EQ(modal.Boxes()[0].icon, ModalSeam::Icon::Information);
    EXPECT_EQ(DuoLevels(1), std::vector<std::int32_t>{0});
}

TEST_F(ResultDialog, ComboItemRequest_AnsweredOnlyForLevelColumnWithFocusInList)
{
    DrillHistory = {Entry("absent", 0, 0, 0, 0, 0)};
    counts = {{"absent", 1}};
    std::vector<std::pair<long, QStringList>> answers;
    Run([&] {
        const auto ask = [&](int column) {
            QStringList items{"stale"};
            const long result = SendMessage(&dlg, UWM_COMBO_ITEMS, column, &items);
            answers.emplace_back(result, items);
        };
        dlg.m_list->setFocus();
        ask(4);
        ask(3);
        dlg.findChild<QPushButton*>("okButton")->setFocus();
        ask(4);
        dlg.EndDialog(ModalSeam::IDCANCEL);
    });
    EXPECT_EQ(answers, (std::vector<std::pair<long, QStringList>>{{1, kLevels}, {1, {}}, {1, {}}}));
}

} // namespace
