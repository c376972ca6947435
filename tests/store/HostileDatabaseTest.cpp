// save.db as a hostile or broken file meets the store: at start-up (control
// created when missing, the preload) and in use (a Start's synchronisation
// and a drill's write-back). Whatever the file holds, nothing crashes or
// waits beyond the busy timeout, no built-in list's table and no control is
// dropped, and the learner can drill on; where the file allows it, the next
// Start and the next write-back work.
#include "store/BuiltinLists.h"
#include "store/Database.h"
#include "store/ListSync.h"
#include "store/Preload.h"
#include "store/StoreWork.h"
#include "store/WordStore.h"
#include "support/StatementLog.h"
#include "support/TestDatabase.h"
#include "tools/HostileFolder.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using hostile::Concat;
using hostile::HostileFolder;
using hostile::Row;
using hostile::StoredRows;
using hostile::Table;
using hostile::Word;
using hostile::WordTable;

enum class Mode { Free, Test };
using WriteBack = WriteBackResult;
using Texts = std::vector<std::string>;
// word, free, test_w, test_a, level, index
using History = std::vector<std::tuple<std::string, int, int, int, int, int>>;

const char kQuery[] = "select * from control;";
const char kBegin[] = "BEGIN TRANSACTION";
const char kCommit[] = "COMMIT TRANSACTION";
const char kRollback[] = "ROLLBACK TRANSACTION";
const char kCreateControl[] = "CREATE TABLE IF NOT EXISTS control(listname, beg, end)";
// The word whose UPDATE a write-back sends first (key order).
std::string FirstKey(const std::string& list)
{
    std::string first = Word(list, 0);
    for (int p = 1; p < kBuiltinWordsPerList; ++p)
        first = std::min(first, Word(list, p));
    return first;
}

std::string ControlUpdate(int beg, int end, const std::string& name)
{
    return "UPDATE control SET beg = " + std::to_string(beg) + ", end = " + std::to_string(end) +
           " where listname = '" + name + "'";
}

std::string FreeUpdate(const std::string& table, int amount, const std::string& word)
{
    return "UPDATE " + table + " SET free = free+" + std::to_string(amount) + " WHERE word = '" + word + "'";
}

History Snapshot()
{
    History history;
    for (const HistoryEntry& e : DrillHistory)
        history.emplace_back(e.word, e.free, e.test_w, e.test_a, e.level, e.index);
    return history;
}

// Entries of positions first..last (1-based) with the given stored counters.
History HistoryOf(const std::string& list, int first, int last, const std::function<std::tuple<int, int, int>(int)>& counters)
{
    History history;
    for (int p = first - 1; p < last && p < kBuiltinWordsPerList; ++p) {
        const auto [free, testWrong, testAsked] = counters(p);
        history.emplace_back(Word(list, p), free, testWrong, testAsked, 0, p);
    }
    return history;
}

History StoredHistory(const std::string& list, int first, int last)
{
    return HistoryOf(list, first, last, [](int p) { return std::make_tuple(p, 1, 2); });
}

History ZeroHistory(const std::string& list, int first, int last)
{
    return HistoryOf(list, first, last, [](int) { return std::make_tuple(0, 0, 0); });
}

struct DrillOutcome {
    WriteBack result;
    History history; // DrillHistory when the write-back began
};

// A Start on the list and a drill over its range that counts `amount` for
// every word, ended by the write-back.
DrillOutcome Drill(const std::string& name, int first, int last, Mode mode = Mode::Free, int amount = 1)
{
    WordListState* list = FindWordList(name);
    if (!list) {
        ADD_FAILURE() << "no list " << name;
        return {WriteBack::BeginFailed, {}};
    }
    StartListSyncWithRange(*list, name, first, last);
    WordCounts counts;
    for (int p = first - 1; p < last && p < static_cast<int>(list->cards.size()); ++p)
        counts[list->cards[static_cast<std::size_t>(p)].word] = amount;
    WaitForListSync();
    History history = Snapshot();
    return {WriteBackDrill(name, mode == Mode::Test, counts), history};
}

// Statements of a free drill's write-back: one UPDATE per word in key order.
Texts FreeWriteBack(const std::string& list, int first, int last, int amount = 1)
{
    std::map<std::string, int> counts;
    for (int p = first - 1; p < last && p < kBuiltinWordsPerList; ++p)
        counts[Word(list, p)] = amount;
    Texts texts{kBegin};
    for (const auto& [word, count] : counts)
        texts.push_back(FreeUpdate(list, count, word));
    texts.push_back(kCommit);
    return texts;
}

// After any outcome the next drill can begin: nobody holds StoreLock, no
// transaction is left open on the connection, and the list counts as stored.
void ExpectDrillingGoesOn(const std::string& name)
{
    EXPECT_TRUE(StoreLock.try_lock());
    StoreLock.unlock();
    EXPECT_EQ(sqlite3_get_autocommit(Database), 1) << "a transaction was left open";
    ASSERT_NE(FindWordList(name), nullptr);
    EXPECT_TRUE(FindWordList(name)->listed.load());
}

std::vector<std::tuple<std::string, bool, int, int>> Ranges()
{
    std::vector<std::tuple<std::string, bool, int, int>> ranges;
    for (const auto& [name, list] : WordListRegistry)
        ranges.emplace_back(name, list.listed.load(), list.beg, list.end);
    return ranges;
}

// Every list unstored, but those given.
std::vector<std::tuple<std::string, bool, int, int>> RangesExcept(
    const std::vector<std::tuple<std::string, bool, int, int>>& stored)
{
    std::map<std::string, std::tuple<std::string, bool, int, int>> all;
    for (const char* name : kBuiltinListNames)
        all[name] = {name, false, 0, 0};
    for (const auto& range : stored)
        all[std::get<0>(range)] = range;
    std::vector<std::tuple<std::string, bool, int, int>> ranges;
    for (const auto& [name, range] : all)
        ranges.push_back(range);
    return ranges;
}

// Start-up as the program does it: open, control when missing, preload.
int StartUp(const HostileFolder& folder)
{
    EXPECT_EQ(OpenDatabase(folder.Path().c_str()), SQLITE_OK);
    EnsureControlTable();
    return PreloadThread();
}

// ---- files SQLite cannot read or write -------------------------------------

TEST(HostileDatabaseTest, NotADatabase_StartsAndDrillsOnWithoutTouchingTheBytes)
{
    HostileFolder folder;
    std::mt19937 random(8);
    std::string bytes(8192, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    folder.WriteBytes(bytes);
    StatementLog log;

    EXPECT_EQ(StartUp(folder), 0);

    EXPECT_EQ(log.Take(), (Texts{kCreateControl, kQuery}));
    EXPECT_TRUE(listsLoaded.load());
    EXPECT_TRUE(controlLoaded.load());
    EXPECT_EQ(Ranges(), RangesExcept({}));

    const DrillOutcome first = Drill("DUO", 1, 31);
    EXPECT_EQ(first.result, WriteBack::UpdateFailed);
    EXPECT_EQ(first.history, History{});
    ExpectDrillingGoesOn("DUO");
    const DrillOutcome second = Drill("DUO", 2, 5);
    EXPECT_EQ(second.result, WriteBack::UpdateFailed);

    const std::string firstUpdate = FreeWriteBack("DUO", 1, 31)[1];
    EXPECT_EQ(log.Take(), (Texts{kBegin, "INSERT INTO control VALUES('DUO', 1, 31)", kRollback,  //
                                 kBegin, firstUpdate, kRollback,                                  //
                                 kBegin, ControlUpdate(2, 5, "DUO"), kRollback,                   //
                                 kBegin, FreeWriteBack("DUO", 2, 5)[1], kRollback}));
    ExpectDrillingGoesOn("DUO");
    EXPECT_EQ(folder.Bytes(), bytes);
}

TEST(HostileDatabaseTest, EmptyFile_BecomesAWorkingSaveDb)
{
    HostileFolder folder;
    folder.WriteBytes("");

    EXPECT_EQ(StartUp(folder), 0);
    EXPECT_EQ(Ranges(), RangesExcept({}));
    const DrillOutcome drill = Drill("DUO", 3, 7);

    EXPECT_EQ(drill.result, WriteBack::Committed);
    EXPECT_EQ(drill.history, ZeroHistory("DUO", 3, 7));
    EXPECT_EQ(folder.Control(), (Table{{"DUO", "3", "7"}}));
    Table expected;
    for (int p = 0; p < kBuiltinWordsPerList; ++p)
        expected.push_back(Row(Word("DUO", p), p >= 2 && p <= 6 ? 1 : 0, 0, 0));
    EXPECT_EQ(folder.ListTable("DUO"), expected);
    ExpectDrillingGoesOn("DUO");
}

// A file that may be read but not written, or a folder where the rollback
// journal cannot be made: stored ranges show, every write fails and is
// rolled back, and the file stays as it was.
TEST(HostileDatabaseTest, Unwritable_ReadsRangesAndDrillsOnWithoutWriting)
{
    struct Case {
        const char* what;
        bool folder; // the folder is unchangeable, not the file
    };
    for (const Case& c : {Case{"read-only file", false}, Case{"read-only folder", true}}) {
        SCOPED_TRACE(c.what);
        HostileFolder folder;
        folder.Build(Concat({{"CREATE TABLE control(listname, beg, end)", "INSERT INTO control VALUES('DUO', 2, 9)"},
                             WordTable("DUO")}));
        const std::string bytes = folder.Bytes();
        if (!folder.MakeImmutable(c.folder ? folder.Dir() : folder.Path()))
            GTEST_SKIP() << "no way to make a file unchangeable here";
        StatementLog log;

        EXPECT_EQ(StartUp(folder), 0);
        EXPECT_EQ(log.Take(), Texts{kQuery});
        EXPECT_EQ(Ranges(), RangesExcept({{"DUO", true, 2, 9}}));

        const DrillOutcome drill = Drill("DUO", 1, 31, Mode::Test, 2);

        EXPECT_EQ(drill.result, WriteBack::UpdateFailed);
        EXPECT_EQ(drill.history, History{});
        EXPECT_EQ(log.Take(), (Texts{kBegin, ControlUpdate(1, 31, "DUO"), kRollback, kBegin,
                                     "UPDATE DUO SET test_w = test_w+1, test_a = test_a+2 WHERE word = '" + FirstKey("DUO") + "'",
                                     kRollback}));
        ExpectDrillingGoesOn("DUO");
        CloseDatabase();
        EXPECT_EQ(folder.Bytes(), bytes);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Dir()), {}), 1);
    }
}

// Another process holds save.db for longer than the busy timeout: each
// statement gives up after the timeout (the lock is still held when it
// returns), nothing is half done, and once the lock goes the next Start
// and the next write-back work.
TEST(HostileDatabaseTest, LockedLongerThanTheBusyTimeout_GivesUpThenWorksOnceFree)
{
    HostileFolder folder;
    folder.Build(Concat({{"CREATE TABLE control(listname, beg, end)", "INSERT INTO control VALUES('DUO', 2, 9)"},
                         WordTable("DUO")}));
    hostile::LockHolder holder(folder.Path());
    ASSERT_TRUE(holder.Locked());

    ASSERT_EQ(OpenDatabase(folder.Path().c_str()), SQLITE_OK);
    // Four statements give up one after the other; a shorter wait than the
    // program's keeps the test short and changes nothing else.
    sqlite3_busy_timeout(Database, 1000);
    EnsureControlTable();
    EXPECT_EQ(PreloadThread(), 0);
    // The control rows could not be read: nothing counts as stored yet.
    EXPECT_EQ(Ranges(), RangesExcept({}));
    StatementLog log;
    const DrillOutcome locked = Drill("DUO", 1, 31);

    EXPECT_TRUE(holder.Holding()) << "the lock went before the statements gave up";
    EXPECT_EQ(locked.result, WriteBack::UpdateFailed);
    EXPECT_EQ(locked.history, History{});
    EXPECT_EQ(log.Take(), (Texts{kBegin, "INSERT INTO control VALUES('DUO', 1, 31)", kRollback, kBegin,
                                 FreeWriteBack("DUO", 1, 31)[1], kRollback}));
    ExpectDrillingGoesOn("DUO");

    holder.Release();
    const DrillOutcome free = Drill("DUO", 4, 6);

    EXPECT_EQ(free.result, WriteBack::Committed);
    EXPECT_EQ(free.history, StoredHistory("DUO", 4, 6));
    EXPECT_EQ(folder.Control(), (Table{{"DUO", "4", "6"}}));
    Table expected = StoredRows("DUO");
    for (int p = 3; p <= 5; ++p)
        expected[static_cast<std::size_t>(p)][1] = std::to_string(p + 1);
    EXPECT_EQ(folder.ListTable("DUO"), expected);
}

// ---- control missing or odd --------------------------------------------------

// Without control the program makes one at start-up. A table already there
// keeps its counters: the first Start cannot create it again, so it stores
// the range in a new row and reads the stored counters, as later Starts do.
TEST(HostileDatabaseTest, ControlMissing_CreatedAtStartAndCountersKept)
{
    HostileFolder folder;
    folder.Build(WordTable("DUO"));
    StatementLog log;

    EXPECT_EQ(StartUp(folder), 0);
    EXPECT_EQ(log.Take(), (Texts{kCreateControl, kQuery}));
    const DrillOutcome first = Drill("DUO", 1, 2);
    const DrillOutcome second = Drill("DUO", 1, 3);

    EXPECT_EQ(first.result, WriteBack::Committed);
    EXPECT_EQ(first.history, StoredHistory("DUO", 1, 2));
    EXPECT_EQ(second.result, WriteBack::Committed);
    EXPECT_EQ(second.history, HistoryOf("DUO", 1, 3, [](int p) { return std::make_tuple(p + (p < 2 ? 1 : 0), 1, 2); }));
    EXPECT_EQ(folder.Control(), (Table{{"DUO", "1", "3"}}));
    Table expected = StoredRows("DUO");
    expected[0][1] = "2";
    expected[1][1] = "3";
    expected[2][1] = "3";
    EXPECT_EQ(folder.ListTable("DUO"), expected);
    EXPECT_EQ(folder.Tables(), (Table{{"DUO"}, {"control"}}));
    ExpectDrillingGoesOn("DUO");
}

// control dropped behind the program's back while it runs: the range cannot
// be stored, the counters still are.
TEST(HostileDatabaseTest, ControlDroppedWhileRunning_CountersStillWritten)
{
    HostileFolder folder;
    folder.Build(Concat({{"CREATE TABLE control(listname, beg, end)", "INSERT INTO control VALUES('DUO', 1, 30)"},
                         WordTable("DUO")}));
    EXPECT_EQ(StartUp(folder), 0);
    folder.Build({"DROP TABLE control"});
    StatementLog log;

    const DrillOutcome drill = Drill("DUO", 1, 2);

    EXPECT_EQ(drill.result, WriteBack::Committed);
    EXPECT_EQ(drill.history, History{});
    EXPECT_EQ(log.Take(), Concat({{kBegin, ControlUpdate(1, 2, "DUO"), kRollback}, FreeWriteBack("DUO", 1, 2)}));
    Table expected = StoredRows("DUO");
    expected[0][1] = "1";
    expected[1][1] = "2";
    EXPECT_EQ(folder.ListTable("DUO"), expected);
    ExpectDrillingGoesOn("DUO");
}

// Names built to break out of their statement, lookalikes of built-in lists
// and of control, a NULL name and one too long for any statement: their rows
// go where they can, nothing else is dropped, and the built-in lists drill on.
TEST(HostileDatabaseTest, HostileNamesInControl_NothingElseDroppedAndListsDrillOn)
{
    HostileFolder folder;
    const std::string longName(1500, 'L');
    folder.Build(Concat({{"CREATE TABLE control(listname, beg, end)",
                          "INSERT INTO control VALUES('x''; DROP TABLE control; --', 1, 1)",
                          "INSERT INTO control VALUES('DUO; DROP TABLE HS1', 1, 1)",
                          "INSERT INTO control VALUES('DUO', 1, 30)", "INSERT INTO control VALUES(NULL, 4, 5)",
                          "INSERT INTO control VALUES('duo', 1, 1)", "INSERT INTO control VALUES('control', 1, 1)",
                          "INSERT INTO control VALUES('HS1', 2, 3)",
                          "INSERT INTO control VALUES('" + longName + "', 6, 7)",
                          "CREATE TABLE \"" + longName + "\"(word)"},
                         WordTable("DUO"), WordTable("HS1")}));

    EXPECT_EQ(StartUp(folder), 0);
    EXPECT_EQ(Ranges(), RangesExcept({{"DUO", true, 1, 30}, {"HS1", true, 2, 3}}));
    const DrillOutcome duo = Drill("DUO", 1, 31);
    const DrillOutcome hs1 = Drill("HS1", 2, 3, Mode::Test, 2);

    EXPECT_EQ(duo.result, WriteBack::Committed);
    EXPECT_EQ(duo.history, StoredHistory("DUO", 1, 30));
    EXPECT_EQ(hs1.result, WriteBack::Committed);
    EXPECT_EQ(hs1.history, StoredHistory("HS1", 2, 3));
    EXPECT_EQ(folder.Control(),
              (Table{{"DUO", "1", "31"}, {"NULL", "4", "5"}, {"HS1", "2", "3"}, {longName, "6", "7"}}));
    EXPECT_EQ(folder.Tables(), (Table{{"DUO"}, {"HS1"}, {longName}, {"control"}}));
    Table duoRows = StoredRows("DUO");
    for (auto& row : duoRows)
        row[1] = std::to_string(std::stoi(row[1]) + 1);
    EXPECT_EQ(folder.ListTable("DUO"), duoRows);
    Table hs1Rows = StoredRows("HS1");
    hs1Rows[1] = Row(Word("HS1", 1), 1, 2, 4);
    hs1Rows[2] = Row(Word("HS1", 2), 2, 2, 4);
    EXPECT_EQ(folder.ListTable("HS1"), hs1Rows);
    ExpectDrillingGoesOn("DUO");
}

// Ranges that are NULL, text, fractions, blobs or too big for 32 bits read
// as SQLite's integer conversion gives them; the next Start stores a sound one.
TEST(HostileDatabaseTest, OddValuesInBegAndEnd_ReadAsIntegersAndReplacedAtStart)
{
    HostileFolder folder;
    folder.Build(Concat({{"CREATE TABLE control(listname, beg, end)", "INSERT INTO control VALUES('DUO', NULL, 'abc')",
                          "INSERT INTO control VALUES('HS1', '12abc', 3.7)",
                          "INSERT INTO control VALUES('HS2', x'3435', 99999999999)"},
                         WordTable("DUO"), WordTable("HS1"), WordTable("HS2")}));

    EXPECT_EQ(StartUp(folder), 0);
    // 99999999999 keeps its low 32 bits, as sqlite3_column_int documents.
    EXPECT_EQ(Ranges(), RangesExcept({{"DUO", true, 0, 0}, {"HS1", true, 12, 3}, {"HS2", true, 45, 1215752191}}));
    for (const char* list : {"DUO", "HS1", "HS2"}) {
        SCOPED_TRACE(list);
        const DrillOutcome drill = Drill(list, 2, 4);
        EXPECT_EQ(drill.result, WriteBack::Committed);
        EXPECT_EQ(drill.history, StoredHistory(list, 2, 4));
        ExpectDrillingGoesOn(list);
    }
    EXPECT_EQ(folder.Control(), (Table{{"DUO", "2", "4"}, {"HS1", "2", "4"}, {"HS2", "2", "4"}}));
}

// ---- word tables the program did not make ------------------------------------

// Missing counter columns read as 0 and make the write-back fail as a whole;
// extra columns do no harm to reading and counting; rows the table cannot
// take end the insertions, and what came before is kept.
TEST(HostileDatabaseTest, WordTablesWithMissingOrExtraColumns_DrillOnAndKeepWhatFits)
{
    HostileFolder folder;
    std::vector<std::string> build{"CREATE TABLE control(listname, beg, end)", "INSERT INTO control VALUES('DUO', 1, 30)",
                                   "INSERT INTO control VALUES('HS1', 1, 30)", "INSERT INTO control VALUES('HS2', 1, 30)",
                                   "CREATE TABLE DUO(word)", "CREATE TABLE HS2(word, free)"};
    for (int p = 0; p < kBuiltinWordsPerList; ++p)
        build.push_back("INSERT INTO DUO VALUES('" + Word("DUO", p) + "')");
    for (int p = 0; p < 10; ++p)
        build.push_back("INSERT INTO HS2 VALUES('" + Word("HS2", p) + "', 5)");
    build.push_back("CREATE TABLE HS1(word VARCHAR(255) PRIMARY KEY, free INTEGER, test_w INTEGER, test_a INTEGER, "
                    "time_1 INTEGER, time_2 INTEGER, time_3 INTEGER, time_4 INTEGER, time_5 INTEGER, level INTEGER, "
                    "extra1, extra2 TEXT)");
    for (int p = 0; p < kBuiltinWordsPerList; ++p)
        build.push_back("INSERT INTO HS1 VALUES('" + Word("HS1", p) + "', " + std::to_string(p) +
                        ", 1, 2, 0, 0, 0, 0, 0, 0, 'x', NULL)");
    folder.Build(build);
    EXPECT_EQ(StartUp(folder), 0);

    const DrillOutcome duo = Drill("DUO", 1, 3);
    EXPECT_EQ(duo.result, WriteBack::UpdateFailed);
    EXPECT_EQ(duo.history, ZeroHistory("DUO", 1, 3));
    Table duoRows;
    for (int p = 0; p < kBuiltinWordsPerList; ++p)
        duoRows.push_back({Word("DUO", p)});
    EXPECT_EQ(folder.ListTable("DUO"), duoRows);

    const DrillOutcome hs1 = Drill("HS1", 1, 2);
    EXPECT_EQ(hs1.result, WriteBack::Committed);
    EXPECT_EQ(hs1.history, StoredHistory("HS1", 1, 2));
    EXPECT_EQ(folder.Peek("select free from HS1 order by rowid limit 3"), (Table{{"1"}, {"2"}, {"2"}}));

    StatementLog log;
    const DrillOutcome hs2 = Drill("HS2", 9, 13);
    EXPECT_EQ(hs2.result, WriteBack::Committed);
    // Positions 8 and 9 stored (free 5, the others missing); 10 is the first
    // insert, which the two-column table refuses; 11 and 12 never come.
    EXPECT_EQ(hs2.history, HistoryOf("HS2", 9, 11, [](int p) { return p < 10 ? std::make_tuple(5, 0, 0) : std::make_tuple(0, 0, 0); }));
    const Texts sent = log.Take();
    ASSERT_GE(sent.size(), 8u);
    EXPECT_EQ(Texts(sent.begin(), sent.begin() + 7),
              (Texts{kBegin, ControlUpdate(9, 13, "HS2"), kCommit, "select * from HS2;", kBegin,
                     "INSERT INTO HS2 values('" + Word("HS2", 10) + "', 0, 0, 0, 0, 0, 0, 0, 0, 0)", kCommit}));
    Table hs2Rows;
    for (int p = 0; p < 10; ++p)
        hs2Rows.push_back({Word("HS2", p), p >= 8 ? "6" : "5"});
    EXPECT_EQ(folder.ListTable("HS2"), hs2Rows);
    ExpectDrillingGoesOn("HS2");
}

// A row whose word is NULL can never match a card, so the synchronisation
// counts it stale like any other row after the first difference. It must
// really go: left in place it would be the first difference again at every
// Start, and every Start would wipe the counters of the words behind it.
TEST(HostileDatabaseTest, RowsWithNullWords_RemovedSoLaterCountersSurvive)
{
    HostileFolder folder;
    std::vector<std::string> build{"CREATE TABLE control(listname, beg, end)", "INSERT INTO control VALUES('DUO', 1, 30)",
                                   std::string("CREATE TABLE DUO") + hostile::kWordTableColumns,
                                   "INSERT INTO DUO VALUES('" + Word("DUO", 0) + "', 7, 1, 2, 0, 0, 0, 0, 0, 0)",
                                   "INSERT INTO DUO VALUES(NULL, 9, 9, 9, 0, 0, 0, 0, 0, 0)"};
    for (int p = 1; p < kBuiltinWordsPerList; ++p)
        build.push_back("INSERT INTO DUO VALUES('" + Word("DUO", p) + "', 3, 1, 2, 0, 0, 0, 0, 0, 0)");
    build.push_back("INSERT INTO DUO VALUES(NULL, 8, 8, 8, 0, 0, 0, 0, 0, 0)");
    folder.Build(build);
    EXPECT_EQ(StartUp(folder), 0);

    const DrillOutcome first = Drill("DUO", 1, 3);
    const DrillOutcome second = Drill("DUO", 1, 3);

    EXPECT_EQ(first.result, WriteBack::Committed);
    EXPECT_EQ(first.history, HistoryOf("DUO", 1, 3, [](int p) { return p == 0 ? std::make_tuple(7, 1, 2) : std::make_tuple(0, 0, 0); }));
    EXPECT_EQ(second.result, WriteBack::Committed);
    EXPECT_EQ(second.history, HistoryOf("DUO", 1, 3, [](int p) { return std::make_tuple(p == 0 ? 8 : 1, p == 0 ? 1 : 0, p == 0 ? 2 : 0); }));
    Table expected{Row(Word("DUO", 0), 9, 1, 2)};
    for (int p = 1; p < kBuiltinWordsPerList; ++p)
        expected.push_back(Row(Word("DUO", p), p < 3 ? 2 : 0, 0, 0));
    EXPECT_EQ(folder.ListTable("DUO"), expected);
    ExpectDrillingGoesOn("DUO");
}

// A control row whose table is gone: taken as stored, every Start would
// fail on the missing table and every drill's counters would be lost. The
// first Start makes the table again, as for a new list, and keeps the row.
TEST(HostileDatabaseTest, ControlRowWithoutTable_TableMadeAgainAtTheNextStart)
{
    HostileFolder folder;
    folder.Build(Concat({{"CREATE TABLE control(listname, beg, end)", "INSERT INTO control VALUES('DUO', 2, 9)",
                          "INSERT INTO control VALUES('HS1', 1, 30)"},
                         WordTable("HS1")}));
    EXPECT_EQ(StartUp(folder), 0);
    EXPECT_EQ(Ranges(), RangesExcept({{"DUO", true, 2, 9}, {"HS1", true, 1, 30}}));
    StatementLog log;

    const DrillOutcome drill = Drill("DUO", 2, 4);

    Texts sync{kBegin,
               ControlUpdate(2, 4, "DUO"),
               kCommit,
               "select * from DUO;",
               kBegin,
               "CREATE TABLE DUO(word VARCHAR(255) PRIMARY KEY, free INTEGER,\t\t\t\t\ttest_w INTEGER, test_a INTEGER, "
               "time_1 INTEGER, time_2 INTEGER, time_3 INTEGER,\t\t\t\t\ttime_4 INTEGER, time_5 INTEGER, level INTEGER);"};
    for (int p = 0; p < kBuiltinWordsPerList; ++p)
        sync.push_back("INSERT INTO DUO values ('" + Word("DUO", p) + "', 0, 0, 0, 0, 0, 0, 0, 0, 0);");
    sync.push_back(kCommit);
    EXPECT_EQ(log.Take(), Concat({sync, FreeWriteBack("DUO", 2, 4)}));
    EXPECT_EQ(drill.result, WriteBack::Committed);
    EXPECT_EQ(drill.history, ZeroHistory("DUO", 2, 4));
    EXPECT_EQ(folder.Control(), (Table{{"DUO", "2", "4"}, {"HS1", "1", "30"}}));
    Table expected;
    for (int p = 0; p < kBuiltinWordsPerList; ++p)
        expected.push_back(Row(Word("DUO", p), p >= 1 && p <= 3 ? 1 : 0, 0, 0));
    EXPECT_EQ(folder.ListTable("DUO"), expected);
    EXPECT_EQ(folder.ListTable("HS1"), StoredRows("HS1"));
    ExpectDrillingGoesOn("DUO");
}

} // namespace
