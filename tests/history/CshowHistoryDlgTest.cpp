// The statistics browser: paging through a list's stored counters and
// saving level changes of the page on display.
#include "ListHost.h"

#include "res/Texts.h"
#include "history/CshowHistoryDlg.h"
#include "store/Database.h"
#include "store/WordStore.h"
#include "support/ModalRun.h"
#include "support/ScriptedModal.h"
#include "support/StatementLog.h"
#include "support/TestDatabase.h"

#include <QLabel>
#include <cstring>
#include <functional>

namespace {

using namespace listhost;

// What the learner sees below the list.
struct Pager {
    QString page;
    QString pageCount;
    bool prevEnabled;
    bool nextEnabled;
    bool operator==(const Pager&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Pager& p)
{
    return out << "{'" << p.page.toStdString() << "' / '" << p.pageCount.toStdString() << "', prev "
               << p.prevEnabled << ", next " << p.nextEnabled << "}";
}

class Browser : public ::testing::Test {
protected:
    void SetUp() override { TestDatabase::LoadBuiltinRegistry(); }

    // A list table in save.db: the given words in this order, word i with
    // the counters free = 10 + i, test_w = 20 + i, test_a = 30 + i.
    void CreateTable(const std::string& name, const std::vector<std::string>& words)
    {
        db.Exec("BEGIN");
        db.Exec(FormatStatement(sql::kCreateTable, name.c_str()).text);
        for (std::size_t i = 0; i < words.size(); ++i)
            db.Exec("INSERT INTO " + name + " values ('" + words[i] + "', " + std::to_string(10 + i) + ", " +
                    std::to_string(20 + i) + ", " + std::to_string(30 + i) + ", 0, 0, 0, 0, 0, 0)");
        db.Exec("COMMIT");
    }

    std::vector<std::string> Words(const char* list) const
    {
        std::vector<std::string> words;
        for (const WordCard& card : FindWordList(list)->cards)
            words.push_back(card.word);
        return words;
    }

    // A list of words w0, w1, ...; 31 need two pages.
    void MakeBigList(int words = 31)
    {
        WordListState& big = FindOrInsertWordList("BIG");
        for (int i = 0; i < words; ++i)
            big.cards.push_back(WordCard{"meaning", "w" + std::to_string(i), "[p]", 0});
        big.count = words;
    }

    // The rows a page should show when the table holds the counters of CreateTable.
    static std::vector<QString> Row(const std::string& word, int tableRow, const char* level = "none")
    {
        return {QString::fromStdString(word), QString::number(10 + tableRow), QString::number(30 + tableRow),
                QString::number(20 + tableRow), level};
    }

    int Run(const char* listName, std::int32_t wordCount, const std::function<void()>& steps)
    {
        std::strcpy(dlg.m_listName, listName);
        dlg.m_wordCount = wordCount;
        return RunModal(dlg, steps);
    }

    // The rows of page 1 when the browser opens on the list.
    Table FirstPage(const char* listName, std::int32_t wordCount)
    {
        Table rows;
        Run(listName, wordCount, [&] {
            rows = ListRows(*dlg.m_list);
            Close();
        });
        return rows;
    }

    QPushButton* Button(const char* name) { return dlg.findChild<QPushButton*>(name); }
    void Press(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }
    void Close() { Press("okButton"); }
    Pager Look() const
    {
        return {dlg.findChild<QLineEdit*>("pageEdit")->text(), dlg.findChild<QLabel*>("pageCountLabel")->text(),
                dlg.findChild<QPushButton*>("prevButton")->isEnabled(),
                dlg.findChild<QPushButton*>("nextButton")->isEnabled()};
    }
    void Query(const QString& typed)
    {
        QLineEdit* field = dlg.findChild<QLineEdit*>("pageEdit");
        field->setFocus();
        field->clear();
        QTest::keyClicks(field, typed);
        // Query is the default button: Return in the field runs it.
        QTest::keyClick(field, Qt::Key_Return);
    }
    void ChooseLevel(int row, int steps) { ChooseInDropDown(*dlg.m_list, row, 4, steps); }

    TestDatabase db;
    ScriptedModal modal;
    CshowHistoryDlg dlg;
};

TEST_F(Browser, ThirtyWords_OnePageInListOrderAndNextOnlyDisablesItself)
{
    const std::vector<std::string> words = Words("DUO");
    CreateTable("DUO", words);
    FindWordList("DUO")->cards[3].level = 5;
    Table expected;
    for (int i = 0; i < 30; ++i)
        expected.push_back(Row(words[i], i, i == 3 ? "Level 5" : "none"));
    StatementLog log;
    Table first, afterNext;
    Pager before, after;
    int firstRowTop = -1;
    Run("DUO", 30, [&] {
        first = ListRows(*dlg.m_list);
        // Filled list: its first rows show, whichever row holds the focus mark.
        firstRowTop = dlg.m_list->visualRect(dlg.m_list->model()->index(0, 0)).top();
        before = Look();
        Press("nextButton");
        afterNext = ListRows(*dlg.m_list);
        after = Look();
        Close();
    });
    EXPECT_EQ(first, expected);
    EXPECT_EQ(firstRowTop, 0);
    EXPECT_EQ(afterNext, expected);
    EXPECT_EQ(before, (Pager{"1", "1", false, true}));
    EXPECT_EQ(after, (Pager{"1", "1", false, false}));
    EXPECT_EQ(log.Take(), std::vector<std::string>{"select * from DUO limit 0, 30;"});
}

TEST_F(Browser, ThirtyOneWords_SecondPageShowsTheLastWord)
{
    MakeBigList();
    CreateTable("BIG", Words("BIG"));
    StatementLog log;
    Table page2, backOn1;
    Pager on2, on1;
    Run("BIG", 31, [&] {
        Press("nextButton");
        page2 = ListRows(*dlg.m_list);
        on2 = Look();
        Press("prevButton");
        backOn1 = ListRows(*dlg.m_list);
        on1 = Look();
        Close();
    });
    EXPECT_EQ(page2, (Table{Row("w30", 30)}));
    EXPECT_EQ(on2, (Pager{"2", "2", true, false}));
    EXPECT_EQ(backOn1.size(), 30u);
    EXPECT_EQ(backOn1[29], Row("w29", 29));
    EXPECT_EQ(on1, (Pager{"1", "2", false, true}));
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"select * from BIG limit 0, 30;", "select * from BIG limit 30, 30;",
                                                    "select * from BIG limit 0, 30;"}));
}

// A page typed on a list of three pages: up to 1 the first, past the last
// the last, in between that page; the field keeps what was typed.
TEST_F(Browser, Query_TypedPage_ShowsThePageItNamesWithItsButtons)
{
    MakeBigList(61);
    CreateTable("BIG", Words("BIG"));
    const struct {
        const char* typed;
        int page;
    } cases[] = {{"2", 2}, {"3", 3}, {"5", 3}, {"99999999999999", 3}, {"1", 1}, {"0", 1}, {"-3", 1}, {"abc", 1}, {"", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        Table rows;
        Pager pager;
        Run("BIG", 61, [&] {
            Press("nextButton");
            Query(QString::fromUtf8(c.typed));
            rows = ListRows(*dlg.m_list);
            pager = Look();
            Close();
        });
        ASSERT_EQ(rows.size(), c.page == 3 ? 1u : 30u);
        const int first = (c.page - 1) * 30;
        EXPECT_EQ(rows[0], Row("w" + std::to_string(first), first));
        EXPECT_EQ(pager, (Pager{c.typed, "3", c.page > 1, c.page < 3}));
        EXPECT_EQ(dlg.m_page, c.page);
    }
}

TEST_F(Browser, UnsavedLevel_LostOnNextAndSavedLevelKeptInCardAcrossRuns)
{
    MakeBigList();
    CreateTable("BIG", Words("BIG"));
    QString afterChange, afterReturn;
    Run("BIG", 31, [&] {
        ChooseLevel(2, 4);
        afterChange = dlg.m_list->GetItemText(2, 4);
        Press("nextButton");
        Press("prevButton");
        afterReturn = dlg.m_list->GetItemText(2, 4);
        Close();
    });
    EXPECT_EQ(afterChange, "Level 4");
    EXPECT_EQ(afterReturn, "none");
    EXPECT_EQ(FindWordList("BIG")->cards[2].level, 0);

    Run("BIG", 31, [&] {
        ChooseLevel(2, 4);
        ChooseLevel(29, 1);
        Press("saveButton");
        EXPECT_TRUE(dlg.isVisible());
        Close();
    });
    EXPECT_EQ(FindWordList("BIG")->cards[2].level, 4);
    EXPECT_EQ(FindWordList("BIG")->cards[29].level, 1);

    Table rows;
    Pager pager;
    Run("BIG", 31, [&] {
        rows = ListRows(*dlg.m_list);
        pager = Look();
        Close();
    });
    EXPECT_EQ(rows[2], Row("w2", 2, "Level 4"));
    EXPECT_EQ(rows[29], Row("w29", 29, "Level 1"));
    EXPECT_EQ(pager, (Pager{"1", "2", false, true}));
}

TEST_F(Browser, SaveOnSecondPage_AppliesOnlyThatPageAtItsCardIndexes)
{
    MakeBigList();
    CreateTable("BIG", Words("BIG"));
    FindWordList("BIG")->cards[0].level = 3;
    Run("BIG", 31, [&] {
        Press("nextButton");
        ChooseLevel(0, 2);
        Press("saveButton");
        Close();
    });
    std::vector<std::int32_t> levels;
    for (const WordCard& card : FindWordList("BIG")->cards)
        levels.push_back(card.level);
    std::vector<std::int32_t> expected(31, 0);
    expected[0] = 3;
    expected[30] = 2;
    EXPECT_EQ(levels, expected);
}

TEST_F(Browser, RowsInOtherOrder_CardOutsideTheFetchedRowsShowsZeros)
{
    MakeBigList();
    std::vector<std::string> reversed = Words("BIG");
    std::reverse(reversed.begin(), reversed.end());
    CreateTable("BIG", reversed);
    const Table rows = FirstPage("BIG", 31);
    ASSERT_EQ(rows.size(), 30u);
    // Table rows 0..29 hold w30..w1; w0 stands in row 30.
    EXPECT_EQ(rows[0], (std::vector<QString>{"w0", "0", "0", "0", "none"}));
    EXPECT_EQ(rows[1], Row("w1", 29));
    EXPECT_EQ(rows[29], Row("w29", 1));
}

TEST_F(Browser, MissingTable_ShowsCardsWithZeroCounters)
{
    const Table rows = FirstPage("HS1", 30);
    ASSERT_EQ(rows.size(), 30u);
    EXPECT_EQ(rows[0], (std::vector<QString>{"accept", "0", "0", "0", "none"}));
    EXPECT_TRUE(modal.Texts().empty());
}

TEST_F(Browser, ListMissingFromRegistry_SaysSoOnEveryLoadAndOnSave)
{
    CreateTable("GONE", {"a", "b"});
    Table rows;
    Run("GONE", 31, [&] {
        rows = ListRows(*dlg.m_list);
        Press("nextButton");
        Press("saveButton");
        Close();
    });
    EXPECT_TRUE(rows.empty());
    const QString text = kNoSuchWordListText;
    EXPECT_EQ(modal.Texts(), (std::vector<QString>{text, text, text}));
    for (const auto& box : modal.Boxes())
        EXPECT_EQ(box.owner, &dlg);
}

TEST_F(Browser, ListWithoutWords_NoPagesAndQueryShowsNothing)
{
    FindOrInsertWordList("EMPTY");
    Table rows{{"x"}};
    Pager pager;
    Run("EMPTY", 0, [&] {
        Query("4");
        rows = ListRows(*dlg.m_list);
        pager = Look();
        Close();
    });
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(pager, (Pager{"4", "0", true, false}));
    EXPECT_EQ(dlg.m_page, 0);
    EXPECT_TRUE(modal.Texts().empty());
}

} // namespace
