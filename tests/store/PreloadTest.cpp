// The start-up preload: registry from the built-in lists, stored ranges from
// control, removal of lists that are no longer built in.
#include "HostileDatabase.h"

namespace {

using namespace hostile_db;

std::string DeleteControl(const std::string& quotedName)
{
    return "DELETE from control WHERE listname = '" + quotedName + "'";
}

Table ControlRows(TestDatabase& db) { return db.Rows("select * from control order by rowid"); }

TEST(PreloadTest, Preload_EmptyControl_LoadsThirteenListsAndSendsOnlyTheQuery)
{
    TestDatabase db;
    StatementLog log;

    EXPECT_EQ(PreloadThread(), 0);

    EXPECT_EQ(log.Take(), Texts{kQuery});
    EXPECT_EQ(Ranges(), RangesExcept({}));
    ASSERT_EQ(WordListRegistry.size(), 13u);
    for (int k = 0; k < kBuiltinListCount; ++k) {
        SCOPED_TRACE(kBuiltinListNames[k]);
        const WordListState* list = FindWordList(kBuiltinListNames[k]);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->count, 30);
        ASSERT_EQ(list->cards.size(), 30u);
        for (int n = 0; n < 30; ++n) {
            const BuiltinWordRecord& record = kBuiltinWords[k * 30 + n];
            const WordCard& card = list->cards[n];
            EXPECT_EQ(std::tie(card.meaning, card.word, card.phonetic, card.level),
                      std::make_tuple(std::string(record.meaning), std::string(record.word),
                                      std::string(record.phonetic), 0));
        }
    }
    EXPECT_TRUE(listsLoaded.load());
    EXPECT_TRUE(controlLoaded.load());
}

TEST(PreloadTest, Preload_StoredRange_MarksOnlyThatListListed)
{
    TestDatabase db;
    db.Exec("INSERT INTO control VALUES('DUO', 5, 12)");
    StatementLog log;

    EXPECT_EQ(PreloadThread(), 0);

    EXPECT_EQ(log.Take(), Texts{kQuery});
    EXPECT_EQ(Ranges(), RangesExcept({{"DUO", true, 5, 12}}));
    EXPECT_EQ(ControlRows(db), (Table{{"DUO", "5", "12"}}));
}

TEST(PreloadTest, Preload_NoControlTable_FindsNoRangeAndFinishes)
{
    TestDatabase db(false);
    StatementLog log;

    EXPECT_EQ(PreloadThread(), 0);

    EXPECT_EQ(log.Take(), Texts{kQuery});
    EXPECT_EQ(Ranges(), RangesExcept({}));
    EXPECT_TRUE(listsLoaded.load());
    EXPECT_TRUE(controlLoaded.load());
}

// Rows of lists that are no longer built in go in one transaction, each row
// before its table, in the order read; a missing table does not keep its row.
TEST(PreloadTest, Preload_StaleNames_RemovedInOneTransaction)
{
    TestDatabase db;
    db.Exec("INSERT INTO control VALUES('OLD1', 1, 2)");
    db.Exec("INSERT INTO control VALUES('HS2', 3, 4)");
    db.Exec("INSERT INTO control VALUES('NOTABLE', 5, 6)");
    db.Exec("INSERT INTO control VALUES('Old_2', 7, 8)");
    db.Exec("CREATE TABLE OLD1(word)");
    db.Exec("CREATE TABLE Old_2(word)");
    db.Exec("CREATE TABLE HS2(word)");
    StatementLog log;

    EXPECT_EQ(PreloadThread(), 0);

    EXPECT_EQ(log.Take(), (Texts{kQuery, kBegin, DeleteControl("OLD1"), "DROP TABLE OLD1", DeleteControl("NOTABLE"),
                                 "DROP TABLE NOTABLE", DeleteControl("Old_2"), "DROP TABLE Old_2", kCommit}));
    EXPECT_EQ(ControlRows(db), (Table{{"HS2", "3", "4"}}));
    EXPECT_FALSE(db.TableExists("OLD1"));
    EXPECT_FALSE(db.TableExists("Old_2"));
    EXPECT_TRUE(db.TableExists("HS2"));
    EXPECT_EQ(Ranges(), RangesExcept({{"HS2", true, 3, 4}}));
    EXPECT_TRUE(listsLoaded.load());
    EXPECT_TRUE(controlLoaded.load());
}

// Names read back from the file are data: they cannot add statements, a
// keyword is a name like any other, and a name that SQLite would take for a
// built-in list's table or for control itself (it ignores case in table
// names) loses its row but drops nothing.
TEST(PreloadTest, Preload_HostileAndLookalikeNames_OnlyTheirRowsGo)
{
    TestDatabase db;
    db.Exec("INSERT INTO control VALUES('x''; DROP TABLE control; --', 1, 1)");
    db.Exec("INSERT INTO control VALUES('DUO; DROP TABLE HS1', 1, 1)");
    db.Exec("INSERT INTO control VALUES(NULL, 1, 1)");
    db.Exec("INSERT INTO control VALUES('duo', 1, 1)");
    db.Exec("INSERT INTO control VALUES('control', 1, 1)");
    db.Exec("INSERT INTO control VALUES('Control', 1, 1)");
    db.Exec("INSERT INTO control VALUES('order', 1, 1)");
    db.Exec("INSERT INTO control VALUES('Toeic', 1, 1)");
    db.Exec("INSERT INTO control VALUES('it''s \"quoted\"', 1, 1)");
    db.Exec("INSERT INTO control VALUES('DUO', 2, 9)");
    db.Exec("CREATE TABLE DUO(word)");
    db.Exec("CREATE TABLE HS1(word)");
    db.Exec("CREATE TABLE TOEIC(word)");
    db.Exec("CREATE TABLE \"order\"(word)");
    db.Exec("CREATE TABLE \"it's \"\"quoted\"\"\"(word)");
    StatementLog log;

    EXPECT_EQ(PreloadThread(), 0);

    EXPECT_EQ(log.Take(), (Texts{kQuery,
                                 kBegin,
                                 DeleteControl("x''; DROP TABLE control; --"),
                                 "DROP TABLE \"x'; DROP TABLE control; --\"",
                                 DeleteControl("DUO; DROP TABLE HS1"),
                                 "DROP TABLE \"DUO; DROP TABLE HS1\"",
                                 DeleteControl(""),
                                 "DROP TABLE \"\"",
                                 DeleteControl("duo"),
                                 DeleteControl("control"),
                                 DeleteControl("Control"),
                                 DeleteControl("order"),
                                 "DROP TABLE \"order\"",
                                 DeleteControl("Toeic"),
                                 DeleteControl("it''s \"quoted\""),
                                 "DROP TABLE \"it's \"\"quoted\"\"\"",
                                 kCommit}));
    // A NULL name reads as an empty one; the text compares only with '',
    // so that row stays.
    EXPECT_EQ(ControlRows(db), (Table{{"NULL", "1", "1"}, {"DUO", "2", "9"}}));
    for (const char* table : {"control", "DUO", "HS1", "TOEIC"})
        EXPECT_TRUE(db.TableExists(table)) << table;
    EXPECT_FALSE(db.TableExists("it's \"quoted\""));
    EXPECT_FALSE(db.TableExists("order"));
    EXPECT_EQ(Ranges(), RangesExcept({{"DUO", true, 2, 9}}));
    EXPECT_TRUE(listsLoaded.load());
}

// A statement that does not fit its buffer would run cut short; it is not
// run at all. The cut DROP would have named this shorter table.
TEST(PreloadTest, Preload_NameTooLongForStatement_NeverRunTruncated)
{
    TestDatabase db;
    const std::string name(2000, 'N');
    const std::string truncatedTable(1024 - 1 - std::string("DROP TABLE ").size(), 'N');
    db.Exec("INSERT INTO control VALUES('" + name + "', 1, 1)");
    db.Exec("CREATE TABLE " + name + "(word)");
    db.Exec("CREATE TABLE " + truncatedTable + "(word)");
    StatementLog log;

    EXPECT_EQ(PreloadThread(), 0);

    EXPECT_EQ(log.Take(), (Texts{kQuery, kBegin, kCommit}));
    EXPECT_EQ(ControlRows(db), (Table{{name, "1", "1"}}));
    EXPECT_TRUE(db.TableExists(name));
    EXPECT_TRUE(db.TableExists(truncatedTable));
}

// Another program reading save.db past the busy timeout makes the COMMIT
// fail. After the ROLLBACK loading ends as usual; the stale rows stay for
// the next start.
TEST(PreloadTest, Preload_CommitFails_RollsBackAndStillFinishesLoading)
{
    TestDatabase db;
    db.Exec("INSERT INTO control VALUES('OLD', 1, 2)");
    db.Exec("INSERT INTO control VALUES('MS3', 3, 4)");
    db.Exec("CREATE TABLE OLD(word)");
    sqlite3* reader = nullptr;
    ASSERT_EQ(sqlite3_open(db.Path().c_str(), &reader), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT * FROM control", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_busy_timeout(Database, 10);
    StatementLog log;

    EXPECT_EQ(PreloadThread(), SQLITE_BUSY);

    sqlite3_close(reader);
    EXPECT_EQ(log.Take(), (Texts{kQuery, kBegin, DeleteControl("OLD"), "DROP TABLE OLD", kCommit, kRollback}));
    EXPECT_TRUE(listsLoaded.load());
    EXPECT_TRUE(controlLoaded.load());
    EXPECT_EQ(Ranges(), RangesExcept({{"MS3", true, 3, 4}}));
    EXPECT_EQ(ControlRows(db), (Table{{"OLD", "1", "2"}, {"MS3", "3", "4"}}));
    EXPECT_TRUE(db.TableExists("OLD"));
    EXPECT_EQ(sqlite3_get_autocommit(Database), 1);
}

// BEGIN failing (a transaction already open) is passed over: the deletions
// run on and the COMMIT that follows decides.
TEST(PreloadTest, Preload_BeginFails_DeletionsRunOn)
{
    TestDatabase db;
    db.Exec("INSERT INTO control VALUES('OLD', 1, 2)");
    db.Exec("BEGIN");
    StatementLog log;

    EXPECT_EQ(PreloadThread(), 0);

    EXPECT_EQ(log.Take(), (Texts{kQuery, kBegin, DeleteControl("OLD"), "DROP TABLE OLD", kCommit}));
    EXPECT_EQ(ControlRows(db), Table{});
    EXPECT_TRUE(listsLoaded.load());
}

} // namespace
