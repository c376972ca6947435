// save.db with tables the program did not make in the shape it makes them: a
// control missing, dropped or holding hostile names and odd values, word
// tables with missing or extra columns, NULL words, a control row without
// its table. No built-in list's table and no control is dropped, and the
// learner can drill on.
#include "HostileDatabase.h"

namespace {

using namespace hostile_db;

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
                     WordInsert("HS2", Word("HS2", 10)), kCommit}));
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

    Texts sync{kBegin, ControlUpdate(2, 4, "DUO"), kCommit, "select * from DUO;", kBegin, CreateTableText("DUO")};
    for (int p = 0; p < kBuiltinWordsPerList; ++p)
        sync.push_back(NewWordInsert("DUO", Word("DUO", p)));
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
