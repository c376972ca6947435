// The synchronisation of a list's table with the list in memory: statement
// sequences, resulting tables, DrillHistory and `listed`.
#include "HostileDatabase.h"

namespace {

using namespace hostile_db;

struct StoredRow {
    std::string word;
    int free = 0;
    int testWrong = 0;
    int testAsked = 0;
};

std::vector<std::string> NumberedWords(int count)
{
    std::vector<std::string> words;
    for (int n = 1; n <= count; ++n)
        words.push_back("w" + std::to_string(100 + n));
    return words;
}

// A registry entry as the main dialog leaves it at Start.
WordListState& List(const std::string& name, const std::vector<std::string>& words, int beg, int end, bool listed)
{
    WordListState& list = FindOrInsertWordList(name);
    list.cards.clear();
    for (const std::string& word : words)
        list.cards.push_back(WordCard{"meaning of " + word, word, "[" + word + "]", 0});
    list.count = static_cast<int>(words.size());
    list.beg = beg;
    list.end = end;
    list.listed.store(listed);
    return list;
}

void StoreTable(TestDatabase& db, const std::string& name, const std::vector<StoredRow>& rows)
{
    db.Exec(CreateTableText(name));
    for (const StoredRow& row : rows)
        db.Exec("INSERT INTO " + name + " VALUES('" + QuoteWord(row.word) + "', " + std::to_string(row.free) + ", " +
                std::to_string(row.testWrong) + ", " + std::to_string(row.testAsked) + ", 0, 0, 0, 0, 0, 0)");
}

Table TableRows(TestDatabase& db, const std::string& name)
{
    return db.Rows("select * from " + name + " order by rowid");
}
Table ControlRows(TestDatabase& db) { return db.Rows("select * from control order by rowid"); }

class ListSyncTest : public ::testing::Test {
protected:
    void StoredTable(const std::string& name, const std::vector<StoredRow>& rows) { StoreTable(db, name, rows); }
    Table TableRows(const std::string& name) { return ::TableRows(db, name); }
    Table ControlRows() { return ::ControlRows(db); }

    // Given the stored table L (and `trigger` on it), when a Start with the
    // range beg..end synchronises the list `words`, then the range is
    // committed on its own, the table is read and `changes` are committed,
    // leaving `table` and `history`.
    void ExpectStoredSync(const std::vector<StoredRow>& stored, const char* trigger,
                          const std::vector<std::string>& words, int beg, int end, const Texts& changes,
                          const Table& table, const History& history)
    {
        db.Exec("DROP TABLE IF EXISTS L");
        db.Exec("DELETE FROM control");
        db.Exec("INSERT INTO control VALUES('L', 1, 1)");
        StoredTable("L", stored);
        if (trigger)
            db.Exec(trigger);
        WordListState& entry = List("L", words, beg, end, true);
        log.Clear();

        EXPECT_EQ(ListSyncThread(&entry, "L"), SQLITE_OK);

        EXPECT_EQ(log.Take(), Concat({{kBegin, ControlUpdate(beg, end, "L"), kCommit, "select * from L;", kBegin},
                                      changes,
                                      {kCommit}}));
        EXPECT_EQ(TableRows("L"), table);
        EXPECT_EQ(ControlRows(), (Table{{"L", std::to_string(beg), std::to_string(end)}}));
        EXPECT_EQ(Snapshot(), history);
        EXPECT_TRUE(entry.listed.load());
    }

    TestDatabase db;
    StatementLog log;
};

TEST_F(ListSyncTest, ListSync_FirstStart_CreatesTableInListOrderAndFillsHistory)
{
    const std::vector<std::string> words = NumberedWords(30);
    WordListState& duo = List("DUO", words, 1, 30, false);
    duo.cards[7].level = 4;

    EXPECT_EQ(ListSyncThread(&duo, "DUO"), SQLITE_OK);

    Texts expectedLog = {kBegin, "INSERT INTO control VALUES('DUO', 1, 30)", CreateTableText("DUO")};
    Table expectedTable;
    History expectedHistory;
    for (int p = 0; p < 30; ++p) {
        expectedLog.push_back(NewWordInsert("DUO", words[p]));
        expectedTable.push_back(Row(words[p]));
        expectedHistory.emplace_back(words[p], 0, 0, 0, p == 7 ? 4 : 0, p);
    }
    expectedLog.push_back(kCommit);
    EXPECT_EQ(log.Take(), expectedLog);
    EXPECT_EQ(TableRows("DUO"), expectedTable);
    EXPECT_EQ(ControlRows(), (Table{{"DUO", "1", "30"}}));
    EXPECT_EQ(Snapshot(), expectedHistory);
    EXPECT_TRUE(duo.listed.load());
}

TEST_F(ListSyncTest, ListSync_SecondStart_StoresRangeAndReadsStoredCounters)
{
    const std::vector<std::string> words = NumberedWords(30);
    std::vector<StoredRow> stored;
    Table expectedTable;
    for (int p = 0; p < 30; ++p) {
        stored.push_back({words[p], p, p % 3, p % 5});
        expectedTable.push_back(Row(words[p], p, p % 3, p % 5));
    }
    StoredTable("DUO", stored);
    db.Exec("INSERT INTO control VALUES('DUO', 1, 30)");
    WordListState& duo = List("DUO", words, 5, 10, true);
    DrillHistory.push_back(HistoryEntry{"left over", 1, 2, 3, 4, 5});

    EXPECT_EQ(ListSyncThread(&duo, "DUO"), SQLITE_OK);

    EXPECT_EQ(log.Take(), (Texts{kBegin, ControlUpdate(5, 10, "DUO"), kCommit, "select * from DUO;", kBegin, kCommit}));
    EXPECT_EQ(TableRows("DUO"), expectedTable);
    EXPECT_EQ(ControlRows(), (Table{{"DUO", "5", "10"}}));
    History expectedHistory;
    for (int p = 4; p <= 9; ++p)
        expectedHistory.emplace_back(words[p], p, p % 3, p % 5, 0, p);
    EXPECT_EQ(Snapshot(), expectedHistory);
    EXPECT_TRUE(duo.listed.load());
}

// Given a stored table and the list (a b c d e f), range 2..5: the matching
// head keeps its counters, everything after the first difference is deleted
// in the order read and the rest of the list is inserted with zero counters.
TEST_F(ListSyncTest, ListSync_StoredTableDiffers_KeepsMatchingHeadAndRebuildsTail)
{
    struct Case {
        const char* name;
        std::vector<StoredRow> stored;
        Texts changes; // between the second BEGIN and COMMIT
        Table table;
        History history;
    };
    const std::vector<std::string> words = {"a", "b", "c", "d", "e", "f"};
    const Case cases[] = {
        {"third row differs",
         {{"a", 1, 1, 1}, {"b", 2, 2, 2}, {"x", 3, 3, 3}, {"c", 4, 4, 4}, {"d", 5, 5, 5}},
         {WordDelete("L", "x"), WordDelete("L", "c"), WordDelete("L", "d"), WordInsert("L", "c"), WordInsert("L", "d"),
          WordInsert("L", "e"), WordInsert("L", "f")},
         {Row("a", 1, 1, 1), Row("b", 2, 2, 2), Row("c"), Row("d"), Row("e"), Row("f")},
         {{"b", 2, 2, 2, 0, 1}, {"c", 0, 0, 0, 0, 2}, {"d", 0, 0, 0, 0, 3}, {"e", 0, 0, 0, 0, 4}}},
        {"more rows than cards",
         {{"a", 1, 1, 1}, {"b", 2, 2, 2}, {"c", 3, 3, 3}, {"d", 4, 4, 4}, {"e", 5, 5, 5}, {"f", 6, 6, 6},
          {"g", 7, 7, 7}, {"h", 8, 8, 8}},
         {WordDelete("L", "g"), WordDelete("L", "h")},
         {Row("a", 1, 1, 1), Row("b", 2, 2, 2), Row("c", 3, 3, 3), Row("d", 4, 4, 4), Row("e", 5, 5, 5),
          Row("f", 6, 6, 6)},
         {{"b", 2, 2, 2, 0, 1}, {"c", 3, 3, 3, 0, 2}, {"d", 4, 4, 4, 0, 3}, {"e", 5, 5, 5, 0, 4}}},
        {"fewer rows, all matching",
         {{"a", 1, 1, 1}, {"b", 2, 2, 2}, {"c", 3, 3, 3}},
         {WordInsert("L", "d"), WordInsert("L", "e"), WordInsert("L", "f")},
         {Row("a", 1, 1, 1), Row("b", 2, 2, 2), Row("c", 3, 3, 3), Row("d"), Row("e"), Row("f")},
         {{"b", 2, 2, 2, 0, 1}, {"c", 3, 3, 3, 0, 2}, {"d", 0, 0, 0, 0, 3}, {"e", 0, 0, 0, 0, 4}}},
        {"same words in another order",
         {{"b", 2, 2, 2}, {"a", 1, 1, 1}, {"c", 3, 3, 3}, {"d", 4, 4, 4}, {"e", 5, 5, 5}, {"f", 6, 6, 6}},
         {WordDelete("L", "b"), WordDelete("L", "a"), WordDelete("L", "c"), WordDelete("L", "d"), WordDelete("L", "e"),
          WordDelete("L", "f"), WordInsert("L", "a"), WordInsert("L", "b"), WordInsert("L", "c"), WordInsert("L", "d"),
          WordInsert("L", "e"), WordInsert("L", "f")},
         {Row("a"), Row("b"), Row("c"), Row("d"), Row("e"), Row("f")},
         {{"b", 0, 0, 0, 0, 1}, {"c", 0, 0, 0, 0, 2}, {"d", 0, 0, 0, 0, 3}, {"e", 0, 0, 0, 0, 4}}},
        {"empty table",
         {},
         {WordInsert("L", "a"), WordInsert("L", "b"), WordInsert("L", "c"), WordInsert("L", "d"), WordInsert("L", "e"),
          WordInsert("L", "f")},
         {Row("a"), Row("b"), Row("c"), Row("d"), Row("e"), Row("f")},
         {{"b", 0, 0, 0, 0, 1}, {"c", 0, 0, 0, 0, 2}, {"d", 0, 0, 0, 0, 3}, {"e", 0, 0, 0, 0, 4}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectStoredSync(c.stored, nullptr, words, 2, 5, c.changes, c.table, c.history);
    }
}

// An insert that fails in the update branch ends the insertions; the
// statements before it are committed and the failed word keeps its entry.
TEST_F(ListSyncTest, ListSync_InsertFailsInUpdateBranch_CommitsWhatCameBefore)
{
    struct Case {
        const char* name;
        std::vector<std::string> words;
        const char* trigger;
        Texts changes;
        Table table;
        History history;
    };
    const Case cases[] = {
        {"word twice in the list",
         {"a", "b", "c", "b", "d"},
         nullptr,
         {WordInsert("L", "b"), WordInsert("L", "c"), WordInsert("L", "b")},
         {Row("a", 3, 1, 2), Row("b"), Row("c")},
         {{"a", 3, 1, 2, 0, 0}, {"b", 0, 0, 0, 0, 1}, {"c", 0, 0, 0, 0, 2}, {"b", 0, 0, 0, 0, 3}}},
        {"insert refused by the table",
         {"a", "b", "c", "d"},
         "CREATE TRIGGER refuse BEFORE INSERT ON L WHEN NEW.word = 'c' BEGIN SELECT RAISE(ABORT, 'no'); END",
         {WordInsert("L", "b"), WordInsert("L", "c")},
         {Row("a", 3, 1, 2), Row("b")},
         {{"a", 3, 1, 2, 0, 0}, {"b", 0, 0, 0, 0, 1}, {"c", 0, 0, 0, 0, 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectStoredSync({{"a", 3, 1, 2}}, c.trigger, c.words, 1, 5, c.changes, c.table, c.history);
    }
}

// Every failure ends the same way: `listed` true, ROLLBACK, the lock left,
// the failing statement's code returned; DrillHistory keeps what it had.
TEST(ListSyncFailureTest, ListSync_StatementFails_RollsBackAndMarksListed)
{
    const std::vector<StoredRow> abc = {{"a", 1, 1, 1}, {"b", 2, 2, 2}, {"c", 3, 3, 3}};
    const Table abcRows = {Row("a", 1, 1, 1), Row("b", 2, 2, 2), Row("c", 3, 3, 3)};
    const Table noTable = {};
    struct Case {
        const char* name;
        std::vector<std::string> setup; // run before the synchronisation
        bool withTable;
        std::vector<StoredRow> stored;
        std::vector<std::string> words;
        bool listed;
        Texts log;
        int rc;
        Table control;
        Table table;
        History history;
    };
    const Case cases[] = {
        {"BEGIN inside an open transaction",
         {"INSERT INTO control VALUES('L', 1, 3)", "BEGIN"},
         true, abc, {"a", "b", "c"}, true,
         {kBegin, kRollback},
         SQLITE_ERROR, {{"L", "1", "3"}}, abcRows, {}},
        {"control refuses the new row",
         {"CREATE TRIGGER refuse BEFORE INSERT ON control BEGIN SELECT RAISE(ABORT, 'no'); END"},
         false, {}, {"a", "b", "c"}, false,
         {kBegin, "INSERT INTO control VALUES('L', 2, 3)", kRollback},
         SQLITE_CONSTRAINT, {}, noTable, {}},
        {"word twice in a new list",
         {},
         false, {}, {"a", "b", "a"}, false,
         {kBegin, "INSERT INTO control VALUES('L', 2, 3)", CreateTableText("L"), NewWordInsert("L", "a"),
          NewWordInsert("L", "b"), NewWordInsert("L", "a"), kRollback},
         SQLITE_CONSTRAINT, {}, noTable, {{"b", 0, 0, 0, 0, 1}, {"a", 0, 0, 0, 0, 2}}},
        {"control refuses the update",
         {"INSERT INTO control VALUES('L', 1, 3)",
          "CREATE TRIGGER refuse BEFORE UPDATE ON control BEGIN SELECT RAISE(ABORT, 'no'); END"},
         true, abc, {"a", "b", "c"}, true,
         {kBegin, ControlUpdate(2, 3, "L"), kRollback},
         SQLITE_CONSTRAINT, {{"L", "1", "3"}}, abcRows, {}},
        {"table refuses a deletion",
         {"INSERT INTO control VALUES('L', 1, 3)",
          "CREATE TRIGGER refuse BEFORE DELETE ON L BEGIN SELECT RAISE(ABORT, 'no'); END"},
         true, {{"a", 1, 1, 1}, {"x", 2, 2, 2}, {"c", 3, 3, 3}}, {"a", "b", "c"}, true,
         {kBegin, ControlUpdate(2, 3, "L"), kCommit, "select * from L;", kBegin, WordDelete("L", "x"), kRollback},
         SQLITE_CONSTRAINT, {{"L", "2", "3"}}, {Row("a", 1, 1, 1), Row("x", 2, 2, 2), Row("c", 3, 3, 3)}, {}},
        {"COMMIT refused by a deferred foreign key",
         {"INSERT INTO control VALUES('L', 1, 3)", "PRAGMA foreign_keys = ON",
          "CREATE TABLE ref(w REFERENCES L(word) DEFERRABLE INITIALLY DEFERRED)", "INSERT INTO ref VALUES('x')"},
         true, {{"a", 1, 1, 1}, {"x", 2, 2, 2}}, {"a", "b", "c"}, true,
         {kBegin, ControlUpdate(2, 3, "L"), kCommit, "select * from L;", kBegin, WordDelete("L", "x"),
          WordInsert("L", "b"), WordInsert("L", "c"), kCommit, kRollback},
         SQLITE_CONSTRAINT, {{"L", "2", "3"}}, {Row("a", 1, 1, 1), Row("x", 2, 2, 2)},
         {{"b", 0, 0, 0, 0, 1}, {"c", 0, 0, 0, 0, 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestDatabase db;
        if (c.withTable)
            StoreTable(db, "L", c.stored);
        for (const std::string& statement : c.setup)
            db.Exec(statement);
        WordListState& entry = List("L", c.words, 2, 3, c.listed);
        StatementLog log;

        EXPECT_EQ(ListSyncThread(&entry, "L"), c.rc);

        EXPECT_EQ(log.Take(), c.log);
        EXPECT_TRUE(entry.listed.load());
        EXPECT_EQ(Snapshot(), c.history);
        EXPECT_EQ(ControlRows(db), c.control);
        if (c.table.empty())
            EXPECT_FALSE(db.TableExists("L"));
        else
            EXPECT_EQ(TableRows(db, "L"), c.table);
        // The lock was left on the way out.
        EXPECT_TRUE(StoreLock.try_lock());
        StoreLock.unlock();
        // No transaction is left open either.
        EXPECT_EQ(sqlite3_get_autocommit(Database), 1);
    }
}

// A list without its control row gets one with its range, and its table
// keeps its counters: a table that was there before the list was known (the
// first Start of every run), a row gone while the program runs, and a list
// whose first synchronisation failed, which gets its table made as well.
TEST(ListSyncControlRowTest, ListSync_NoControlRow_RowAddedAndCountersKept)
{
    const std::string insertRow = "INSERT INTO control VALUES('L', 2, 3)";
    const Table kept = {Row("a", 1, 1, 1), Row("b", 2, 2, 2), Row("c")};
    const History keptHistory = {{"b", 2, 2, 2, 0, 1}, {"c", 0, 0, 0, 0, 2}};
    struct Case {
        const char* name;
        bool withTable;
        bool listed;
        Texts log;
        Table table;
        History history;
    };
    const Case cases[] = {
        {"table before the list was known", true, false,
         {kBegin, insertRow, CreateTableText("L"), kCommit, "select * from L;", kBegin, WordDelete("L", "x"),
          WordInsert("L", "c"), kCommit},
         kept, keptHistory},
        {"row gone while running", true, true,
         {kBegin, ControlUpdate(2, 3, "L"), insertRow, kCommit, "select * from L;", kBegin, WordDelete("L", "x"),
          WordInsert("L", "c"), kCommit},
         kept, keptHistory},
        {"first synchronisation failed", false, true,
         {kBegin, ControlUpdate(2, 3, "L"), insertRow, kCommit, "select * from L;", kBegin, CreateTableText("L"),
          NewWordInsert("L", "a"), NewWordInsert("L", "b"), NewWordInsert("L", "c"), kCommit},
         {Row("a"), Row("b"), Row("c")}, {{"b", 0, 0, 0, 0, 1}, {"c", 0, 0, 0, 0, 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestDatabase db;
        if (c.withTable)
            StoreTable(db, "L", {{"a", 1, 1, 1}, {"b", 2, 2, 2}, {"x", 3, 3, 3}});
        WordListState& entry = List("L", {"a", "b", "c"}, 2, 3, c.listed);
        StatementLog log;

        EXPECT_EQ(ListSyncThread(&entry, "L"), SQLITE_OK);

        EXPECT_EQ(log.Take(), c.log);
        EXPECT_EQ(ControlRows(db), (Table{{"L", "2", "3"}}));
        EXPECT_EQ(TableRows(db, "L"), c.table);
        EXPECT_EQ(Snapshot(), c.history);
        EXPECT_TRUE(entry.listed.load());
    }
}

// The thread takes its own copy of the name: the caller's text may change
// or go away at once.
TEST_F(ListSyncTest, StartListSync_CallerChangesName_ThreadKeepsItsCopy)
{
    WordListState& entry = List("DUO", {"a", "b", "c"}, 1, 3, false);
    {
        std::string name = "DUO";
        StartListSync(entry, name);
        name.assign("HS1");
    }
    WaitForListSync();

    EXPECT_EQ(TableRows("DUO"), (Table{Row("a"), Row("b"), Row("c")}));
    EXPECT_EQ(ControlRows(), (Table{{"DUO", "1", "3"}}));
    EXPECT_FALSE(db.TableExists("HS1"));
    EXPECT_TRUE(entry.listed.load());
}

// Starts in quick succession: each thread waits for the one before, so the
// statements come whole and in Start order, and the range written after the
// wait is the one the second thread stores.
TEST_F(ListSyncTest, StartListSync_SuccessiveStarts_RunOneAfterAnotherInOrder)
{
    WordListState& first = List("A", {"a1", "a2"}, 1, 2, false);
    WordListState& second = List("B", {"b1", "b2"}, 2, 2, false);
    StartListSync(first, "A");
    StartListSync(second, "B");
    WaitForListSync();
    first.beg = 2;
    StartListSync(first, "A");
    WaitForListSync();

    EXPECT_EQ(log.Take(),
              (Texts{kBegin, "INSERT INTO control VALUES('A', 1, 2)", CreateTableText("A"), NewWordInsert("A", "a1"),
                     NewWordInsert("A", "a2"), kCommit, kBegin, "INSERT INTO control VALUES('B', 2, 2)",
                     CreateTableText("B"), NewWordInsert("B", "b1"), NewWordInsert("B", "b2"), kCommit, kBegin,
                     ControlUpdate(2, 2, "A"), kCommit, "select * from A;", kBegin, kCommit}));
    EXPECT_EQ(ControlRows(), (Table{{"A", "2", "2"}, {"B", "2", "2"}}));
    EXPECT_EQ(Snapshot(), (History{{"a2", 0, 0, 0, 0, 1}}));
}

} // namespace
