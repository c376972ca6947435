// Whole drills through the bars, to the end: the boxes a learner sees, the
// statements sent and the table they leave in save.db, and the result
// dialog's inputs. The rules of the passes are DrillPassTest's.
#include "DrillBarHarness.h"

#include "platform/SharedValues.h"
#include "store/Database.h"
#include "store/StoreWork.h"
#include "store/WordStore.h"
#include "support/StatementLog.h"
#include "support/TestDatabase.h"

#include <sqlite3.h>

#include <mutex>

using namespace drilltest;

namespace {

using Rows = std::vector<std::vector<std::string>>;
using Texts = std::vector<QString>;
using Statements = std::vector<std::string>;

// True when a hot-key press reaches an ordinary window instead of the hook.
bool HotKeyPassesThrough()
{
    class KeySeen : public QObject {
    public:
        bool seen = false;

    protected:
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::KeyPress)
                seen = true;
            return false;
        }
    } watcher;
    QWidget probe;
    probe.installEventFilter(&watcher);
    PressHotKey(&probe, Qt::Key_F);
    return watcher.seen;
}

bool StoreLockFree()
{
    if (!StoreLock.try_lock())
        return false;
    StoreLock.unlock();
    return true;
}

class DrillResultsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BarWindow = nullptr;
        CreateTable("");
        harness.onResultDialog = [this] { lockFreeAtResult = StoreLockFree(); };
        harness.modal.onBox = [this](const ModalSeam::MessageBoxCall& box) {
            if (box.text == kDrillOver) {
                hookGoneAtDrillOver = HotKeyPassesThrough();
                lockFreeAtDrillOver = StoreLockFree();
                sentAtDrillOver = log.Texts();
            }
        };
    }

    // The list's table with stored counters free 4, test_w 1, test_a 5.
    void CreateTable(const char* freeColumnExtra)
    {
        database.Exec(std::string("CREATE TABLE TOEIC(word VARCHAR(255) PRIMARY KEY, free INTEGER") +
                      freeColumnExtra +
                      ", test_w INTEGER, test_a INTEGER, time_1 INTEGER, time_2 INTEGER, time_3 INTEGER, "
                      "time_4 INTEGER, time_5 INTEGER, level INTEGER)");
        for (const char* word : {"apple", "book", "cat", "don''t"})
            database.Exec(std::string("INSERT INTO TOEIC VALUES('") + word + "', 4, 1, 5, 0, 0, 0, 0, 0, 0)");
    }

    void Select(int mode, std::vector<WordCard> selected)
    {
        cards = std::move(selected);
        ASSERT_EQ(bar.SelectCards(cards, 0, static_cast<int>(cards.size()) - 1), 0);
        bar.m_mode = mode;
        std::snprintf(bar.m_listName, sizeof bar.m_listName, "%s", "TOEIC");
    }

    int Run(const std::function<void(CKadoDlg&)>& script) { return harness.Run(bar, script); }

    Rows Table() { return database.Rows("SELECT word, free, test_w, test_a, level FROM TOEIC ORDER BY word"); }
    static Rows Untouched()
    {
        return {{"apple", "4", "1", "5", "0"}, {"book", "4", "1", "5", "0"}, {"cat", "4", "1", "5", "0"},
                {"don't", "4", "1", "5", "0"}};
    }

    // The end every finished drill shares, whatever the write-back did.
    void ExpectDrillEnded(int result, int testMode, std::map<std::string, std::int32_t> counts, int levelFilter = 0)
    {
        EXPECT_EQ(result, 0);
        EXPECT_FALSE(harness.closedByHarness);
        ASSERT_EQ(harness.resultRuns.size(), 1u);
        const ResultRun& run = harness.resultRuns[0];
        EXPECT_EQ(run.listName, "TOEIC");
        EXPECT_EQ(run.testMode, testMode);
        EXPECT_TRUE(run.countsAreBars);
        EXPECT_EQ(run.counts, counts);
        EXPECT_EQ(run.levelFilter, levelFilter);
        EXPECT_TRUE(lockFreeAtDrillOver);
        EXPECT_EQ(sentAtDrillOver, Statements{}) << "written before the learner saw the drill end";
        EXPECT_TRUE(lockFreeAtResult);
        EXPECT_TRUE(hookGoneAtDrillOver);
        EXPECT_EQ(BarWindow, nullptr);
        EXPECT_TRUE(bar.m_testAnswerBar.isNull());
        EXPECT_TRUE(bar.m_freeAnswerBar.isNull());
        EXPECT_NE(sqlite3_get_autocommit(Database), 0) << "a transaction was left open";
    }

    // The learner was told, after "終わり！" and before the result dialog,
    // and the drill was kept: once the cause is gone, the next chance writes
    // it, and only once.
    void ExpectToldAndKept(int cause, const std::function<void()>& removeCause, const Rows& written)
    {
        const auto& boxes = harness.modal.Boxes();
        ASSERT_GE(boxes.size(), 2u);
        EXPECT_EQ(boxes[boxes.size() - 2].text, kDrillOver);
        const ModalSeam::MessageBoxCall& told = boxes.back();
        EXPECT_EQ(told.text, NotSavedText(QString::fromUtf8(kOtherCauseText).arg(sqlite3_errstr(cause))));
        EXPECT_EQ(told.icon, ModalSeam::Icon::Information);
        EXPECT_EQ(told.buttons, ModalSeam::Buttons::Ok);
        EXPECT_EQ(KeptDrillCount(), 1u);
        removeCause();
        EXPECT_EQ(WriteKeptDrills(MissingTables::Leave), SQLITE_OK);
        EXPECT_EQ(Table(), written);
        log.Take();
        EXPECT_EQ(WriteKeptDrills(MissingTables::Leave), SQLITE_OK);
        EXPECT_EQ(log.Take(), Statements{}) << "written twice";
    }

    TestDatabase database;
    StatementLog log;
    std::vector<WordCard> cards;
    CKadoDlg bar;
    DrillHarness harness;
    Statements sentAtDrillOver{"the box never came"};
    bool lockFreeAtDrillOver = false;
    bool lockFreeAtResult = false;
    bool hookGoneAtDrillOver = false;
};

TEST_F(DrillResultsTest, Test_OneCardWrongOnce_SecondPassOfOneAndOneWrongAnswerStored)
{
    Select(CKadoDlg::kTest, ThreeCards());
    std::string wrongWord;
    bool hookSuspendedAtNextPass = false;
    harness.modal.onBox = [&, previous = harness.modal.onBox](const ModalSeam::MessageBoxCall& box) {
        if (box.text == kNextPass) {
            hookSuspendedAtNextPass = HotKeyPassesThrough();
            EXPECT_EQ(bar.m_current, 3u);
        }
        previous(box);
    };
    const int result = Run([&](CKadoDlg& b) {
        wrongWord = CurrentCard(b).word;
        TypeAnswer(b, "zzz");
        PressOk(b);
        for (int n = 2; n <= 3; ++n) {
            TypeAnswer(b, CurrentCard(b).word);
            PressOk(b);
        }
        EXPECT_EQ(Shown(b), MeaningText(CurrentCard(b), 1, 1));
        TypeAnswer(b, wrongWord);
        PressOk(b);
    });

    std::map<std::string, std::int32_t> counts{{"apple", 1}, {"book", 1}, {"cat", 1}};
    counts[wrongWord] = 2;
    ExpectDrillEnded(result, 1, counts);
    EXPECT_TRUE(hookSuspendedAtNextPass);
    EXPECT_EQ(harness.modal.Texts(), (Texts{kNextPass, kDrillOver}));
    EXPECT_EQ(harness.modal.Boxes()[0].icon, ModalSeam::Icon::Information);
    EXPECT_EQ(harness.modal.Boxes()[0].buttons, ModalSeam::Buttons::Ok);
    Statements expected{"BEGIN TRANSACTION"};
    Rows rows;
    for (const char* word : {"apple", "book", "cat"}) {
        const bool wrong = word == wrongWord;
        expected.push_back(std::string("UPDATE TOEIC SET test_w = test_w+") + (wrong ? "1" : "0") +
                           ", test_a = test_a+" + (wrong ? "2" : "1") + " WHERE word = '" + word + "'");
        rows.push_back({word, "4", wrong ? "2" : "1", wrong ? "7" : "6", "0"});
    }
    expected.push_back("COMMIT TRANSACTION");
    rows.push_back({"don't", "4", "1", "5", "0"});
    EXPECT_EQ(log.Take(), expected);
    EXPECT_EQ(Table(), rows);
}

// Preview and free write the passes each word took part in into free.
TEST_F(DrillResultsTest, Preview_TwoPassesAtLevel_WritesPassesIntoFree)
{
    cards = {Card("りんご", "apple", "[a]"), Card("本", "book", "[b]"), Card("否定", "don't", "[d]")};
    cards[0].level = cards[2].level = 3;
    ASSERT_EQ(bar.SelectCardsAtLevel(cards, 0, 2, 3), 0);
    bar.m_mode = CKadoDlg::kPreview;
    std::snprintf(bar.m_listName, sizeof bar.m_listName, "%s", "TOEIC");
    const int result = Run([](CKadoDlg& b) {
        EXPECT_EQ(Shown(b), "apple[a]");
        TickMark(b);
        PressNext(b);
        EXPECT_EQ(Shown(b), "don't[d]");
        PressNext(b);
        // Yes: the word not yet known comes back alone.
        EXPECT_EQ(Shown(b), "don't[d]");
        TickMark(b);
        PressNext(b);
    });

    ExpectDrillEnded(result, 0, {{"apple", 1}, {"don't", 2}}, 3);
    EXPECT_EQ(harness.modal.Texts(), (Texts{kAskNextPass, kAskNextPass, kDrillOver}));
    EXPECT_EQ(log.Take(), (Statements{
                              "BEGIN TRANSACTION",
                              "UPDATE TOEIC SET free = free+1 WHERE word = 'apple'",
                              "UPDATE TOEIC SET free = free+2 WHERE word = 'don''t'",
                              "COMMIT TRANSACTION",
                          }));
    EXPECT_EQ(Table(), (Rows{{"apple", "5", "1", "5", "0"},
                             {"book", "4", "1", "5", "0"},
                             {"cat", "4", "1", "5", "0"},
                             {"don't", "6", "1", "5", "0"}}));
}

TEST_F(DrillResultsTest, ClosingAnswerBarMidDrill_WritesNothingAndShowsNoResult)
{
    struct Case {
        int mode;
        std::function<void(CKadoDlg&)> script;
    };
    const Case cases[] = {
        {CKadoDlg::kTest,
         [](CKadoDlg& b) {
             TypeAnswer(b, CurrentCard(b).word);
             b.m_testAnswerBar->close();
         }},
        {CKadoDlg::kFree,
         [](CKadoDlg& b) {
             TickMark(b);
             PressNext(b);
             b.m_freeAnswerBar->close();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Select(c.mode, ThreeCards());
        log.Clear();
        EXPECT_EQ(Run(c.script), 0);
        EXPECT_FALSE(harness.closedByHarness);
        EXPECT_TRUE(harness.modal.Boxes().empty());
        EXPECT_TRUE(harness.resultRuns.empty());
        EXPECT_TRUE(log.Take().empty());
        EXPECT_EQ(Table(), Untouched());
        EXPECT_EQ(BarWindow, nullptr);
    }
}

// The answer bar stays usable while a box is up: closing it then ends the
// drill there, with nothing counted, written or moved on.
TEST_F(DrillResultsTest, AnswerBarClosedAtEndOfPassBox_DrillEndsThereWithoutWriting)
{
    struct Case {
        int mode;
        QString box;
        std::function<void(CKadoDlg&)> script;
        std::int32_t count;
    };
    const Case cases[] = {
        {CKadoDlg::kFree, kAskNextPass, [](CKadoDlg& b) { TickMark(b); PressNext(b); }, 0},
        {CKadoDlg::kTest, kNextPass, [](CKadoDlg& b) { TypeAnswer(b, "zzz"); PressOk(b); }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Select(c.mode, {Card("りんご", "apple", "[a]")});
        harness.modal.Clear();
        std::string shownAtBox;
        harness.modal.onBox = [&](const ModalSeam::MessageBoxCall& box) {
            if (box.text != c.box)
                return;
            shownAtBox = Shown(bar);
            if (bar.m_freeAnswerBar)
                bar.m_freeAnswerBar->close();
            else
                bar.m_testAnswerBar->close();
        };
        log.Clear();
        EXPECT_EQ(Run(c.script), 0);
        EXPECT_FALSE(harness.closedByHarness);
        EXPECT_EQ(harness.modal.Texts(), Texts{c.box});
        EXPECT_TRUE(harness.resultRuns.empty());
        EXPECT_TRUE(log.Take().empty());
        EXPECT_EQ(bar.m_wordCounts.at("apple"), c.count);
        EXPECT_EQ(bar.m_current, bar.m_passCards.size()) << "a next pass began";
        EXPECT_EQ(Shown(bar), shownAtBox);
        EXPECT_EQ(Table(), Untouched());
    }
}

TEST_F(DrillResultsTest, FailingUpdate_RollsBackTellsAndKeepsTheDrill)
{
    database.Exec("CREATE TRIGGER refuse_book BEFORE UPDATE ON TOEIC WHEN old.word = 'book' "
                  "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    Select(CKadoDlg::kFree, ThreeCards());
    const int result = Run([](CKadoDlg& b) {
        for (int n = 0; n < 3; ++n) {
            TickMark(b);
            PressNext(b);
        }
    });

    ExpectDrillEnded(result, 0, {{"apple", 1}, {"book", 1}, {"cat", 1}});
    EXPECT_EQ(log.Take(), (Statements{
                              "BEGIN TRANSACTION",
                              "UPDATE TOEIC SET free = free+1 WHERE word = 'apple'",
                              "UPDATE TOEIC SET free = free+1 WHERE word = 'book'",
                              "ROLLBACK TRANSACTION",
                          }));
    EXPECT_EQ(Table(), Untouched());
    ExpectToldAndKept(SQLITE_CONSTRAINT, [this] { database.Exec("DROP TRIGGER refuse_book"); },
                      {{"apple", "5", "1", "5", "0"}, {"book", "5", "1", "5", "0"}, {"cat", "5", "1", "5", "0"},
                       {"don't", "4", "1", "5", "0"}});
}

TEST_F(DrillResultsTest, FailingCommit_RollsBackTellsAndKeepsTheDrill)
{
    // A deferred foreign key lets every UPDATE pass and fails the COMMIT.
    database.Exec("DROP TABLE TOEIC");
    database.Exec("CREATE TABLE allowed(n INTEGER PRIMARY KEY)");
    database.Exec("INSERT INTO allowed VALUES(4)");
    database.Exec("PRAGMA foreign_keys = ON");
    CreateTable(" REFERENCES allowed(n) DEFERRABLE INITIALLY DEFERRED");
    Select(CKadoDlg::kFree, {Card("りんご", "apple", "[a]")});
    const int result = Run([](CKadoDlg& b) {
        TickMark(b);
        PressNext(b);
    });

    ExpectDrillEnded(result, 0, {{"apple", 1}});
    EXPECT_EQ(log.Take(), (Statements{
                              "BEGIN TRANSACTION",
                              "UPDATE TOEIC SET free = free+1 WHERE word = 'apple'",
                              "COMMIT TRANSACTION",
                              "ROLLBACK TRANSACTION",
                          }));
    EXPECT_EQ(Table(), Untouched());
    ExpectToldAndKept(SQLITE_CONSTRAINT, [this] { database.Exec("PRAGMA foreign_keys = OFF"); },
                      {{"apple", "5", "1", "5", "0"}, {"book", "4", "1", "5", "0"}, {"cat", "4", "1", "5", "0"},
                       {"don't", "4", "1", "5", "0"}});
}

TEST_F(DrillResultsTest, FailingBegin_RunsNoUpdateNorEndOfTransaction_KeepsTheDrill)
{
    // A transaction already open makes "BEGIN TRANSACTION" fail.
    database.Exec("BEGIN");
    Select(CKadoDlg::kTest, {Card("りんご", "apple", "[a]")});
    const int result = Run([](CKadoDlg& b) {
        TypeAnswer(b, "apple");
        PressOk(b);
    });
    const Statements sent = log.Take();
    const bool stillOpen = sqlite3_get_autocommit(Database) == 0;
    database.Exec("ROLLBACK");

    EXPECT_TRUE(stillOpen) << "the drill ended someone else's transaction";
    EXPECT_EQ(sent, Statements{"BEGIN TRANSACTION"});
    ExpectDrillEnded(result, 1, {{"apple", 1}});
    EXPECT_EQ(Table(), Untouched());
    ExpectToldAndKept(SQLITE_ERROR, [] {},
                      {{"apple", "4", "1", "6", "0"}, {"book", "4", "1", "5", "0"}, {"cat", "4", "1", "5", "0"},
                       {"don't", "4", "1", "5", "0"}});
}

} // namespace
