// Statement formatting, quoting and the connection's set-up.
#include "store/Database.h"
#include "support/StatementLog.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using Texts = std::vector<std::string>;
using Table = std::vector<std::vector<std::string>>;

TEST(DatabaseTest, QuoteWord_DoublesEveryApostrophe)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},           {"absent", "absent"},       {"'", "''"},
        {"it's", "it''s"},  {"''", "''''"},             {"rock'n'roll", "rock''n''roll"},
        {"'a'", "''a''"},   {"\x82\xa0'", "\x82\xa0''"},
    };
    for (const auto& [word, quoted] : cases)
        EXPECT_EQ(QuoteWord(word), quoted) << word;
}

TEST(DatabaseTest, FormatStatement_TextLongerThanBuffer_DoesNotFit)
{
    const std::string longest(kStatementBufferSize - 1 - std::string("DROP TABLE ").size(), 'x');
    const StatementText fits = FormatStatement(sql::kDropTable, longest.c_str());
    EXPECT_TRUE(fits.fits);
    EXPECT_EQ(std::string(fits.text), "DROP TABLE " + longest);

    const StatementText tooLong = FormatStatement(sql::kDropTable, (longest + "x").c_str());
    EXPECT_FALSE(tooLong.fits);
}

// A statement that did not fit is neither run nor prepared: its cut text
// could mean something else.
TEST(DatabaseTest, ExecAndPrepare_TextThatDoesNotFit_NeverReachSqlite)
{
    TestDatabase db;
    const std::string name(kStatementBufferSize, 'T');
    db.Exec("CREATE TABLE " + name + "(word)");
    StatementLog log;

    EXPECT_EQ(ExecStatement(FormatStatement(sql::kDropTable, name.c_str())), SQLITE_ERROR);
    const Statement query = PrepareQuery(FormatStatement(sql::kSelectList, name.c_str()));
    EXPECT_EQ(query, nullptr);
    EXPECT_NE(StepQuery(query), SQLITE_ROW);
    EXPECT_NE(StepQuery(query), SQLITE_DONE);

    EXPECT_EQ(log.Take(), Texts{});
    EXPECT_TRUE(db.TableExists(name));
}

TEST(DatabaseTest, ExecStatement_ErrorText_ReplacedByTheNextExec)
{
    TestDatabase db;
    ErrorText error;

    EXPECT_EQ(ExecStatement("DROP TABLE missing", &error), SQLITE_ERROR);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(std::string(error.get()), "no such table: missing");

    EXPECT_EQ(ExecStatement("SELECT 1", &error), SQLITE_OK);
    EXPECT_EQ(error, nullptr);
}

TEST(DatabaseTest, PrepareQuery_MissingTable_DeliversNoRow)
{
    TestDatabase db;
    StatementLog log;

    const Statement query = PrepareQuery("select * from missing;");
    const int rc = StepQuery(query);

    EXPECT_NE(rc, SQLITE_ROW);
    EXPECT_NE(rc, SQLITE_DONE);
    EXPECT_EQ(log.Take(), Texts{"select * from missing;"});
}

TEST(DatabaseTest, ColumnText_Null_ReadsAsEmpty)
{
    TestDatabase db;
    db.Exec("INSERT INTO control VALUES(NULL, 1, 2)");

    const Statement query = PrepareQuery(sql::kSelectControl);
    ASSERT_EQ(StepQuery(query), SQLITE_ROW);

    EXPECT_EQ(ColumnText(query, 0), "");
    EXPECT_EQ(ColumnInt(query, 1), 1);
    EXPECT_EQ(ColumnInt(query, 2), 2);
}

TEST(DatabaseTest, TableNameForStatement_QuotesAllButPlainNames)
{
    const std::pair<const char*, const char*> cases[] = {
        {"DUO", "DUO"},
        {"STEP_Lv2hard", "STEP_Lv2hard"},
        {"_x9", "_x9"},
        {"", "\"\""},
        {"9lives", "\"9lives\""},
        {"order", "\"order\""},
        {"Table", "\"Table\""},
        {"a b", "\"a b\""},
        {"x; DROP TABLE control", "\"x; DROP TABLE control\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"it's", "\"it's\""},
        {"\x82\xa0", "\"\x82\xa0\""},
    };
    for (const auto& [name, written] : cases)
        EXPECT_EQ(TableNameForStatement(name), written) << name;
}

TEST(DatabaseTest, EnsureControlTable_Missing_CreatesIt)
{
    TestDatabase db(false);
    StatementLog log;

    EnsureControlTable();

    EXPECT_EQ(log.Take(), Texts{"CREATE TABLE IF NOT EXISTS control(listname, beg, end)"});
    EXPECT_EQ(db.Rows("select name from pragma_table_info('control') order by cid"),
              (Table{{"listname"}, {"beg"}, {"end"}}));
}

// A normal start sends nothing extra, and never writes.
TEST(DatabaseTest, EnsureControlTable_Present_SendsNothing)
{
    for (const char* declaration :
         {"CREATE TABLE control(listname, beg, end)", "CREATE TABLE Control(listname TEXT PRIMARY KEY, beg INT, end INT)"}) {
        SCOPED_TRACE(declaration);
        TestDatabase db(false);
        db.Exec(declaration);
        db.Exec("INSERT INTO control VALUES('DUO', 3, 4)");
        const int changesBefore = sqlite3_total_changes(Database);
        StatementLog log;

        EnsureControlTable();

        EXPECT_EQ(log.Take(), Texts{});
        EXPECT_EQ(sqlite3_total_changes(Database), changesBefore);
        EXPECT_EQ(db.Rows("select * from control"), (Table{{"DUO", "3", "4"}}));
    }
}

// A file the program may not change is left as it is; the program runs on
// without control. (A file that is no database: HostileDatabaseTest.)
TEST(DatabaseTest, EnsureControlTable_UnwritableFile_Ignored)
{
    TestDatabase db(false);
    CloseDatabase();
    ASSERT_EQ(sqlite3_open_v2(db.Path().c_str(), &Database, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);

    EnsureControlTable();

    EXPECT_FALSE(db.TableExists("control"));
}

// Another process holding the file for a moment delays a statement instead
// of making it fail.
TEST(DatabaseTest, OpenDatabase_OtherConnectionHoldsLock_StatementWaits)
{
    TestDatabase db;
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(db.Path().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread release([other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    });

    EXPECT_EQ(ExecStatement(FormatStatement(sql::kInsertControl, "DUO", 1, 30)), SQLITE_OK);

    release.join();
    sqlite3_close(other);
    EXPECT_EQ(db.Rows("select * from control"), (Table{{"DUO", "1", "30"}}));
}

} // namespace
