#pragma once
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// The one connection to ./save.db, shared by the user-interface thread, the
// preload and the list synchronisation.
extern sqlite3* Database;

// Serialises write transactions on Database: SQLite allows one open
// transaction per connection, and the synchronisation and the write-back of
// results would otherwise interleave their statements inside each other's.
extern std::mutex StoreLock;

// Every text the program sends to save.db. They are exact: stored files and
// older copies of the program agree on them.
namespace sql {
inline constexpr char kSelectControl[] = "select * from control;";
inline constexpr char kDeleteControl[] = "DELETE from control WHERE listname = '%s'";
inline constexpr char kDropTable[] = "DROP TABLE %s";
inline constexpr char kInsertControl[] = "INSERT INTO control VALUES('%s', %d, %d)";
inline constexpr char kCreateTable[] =
    "CREATE TABLE %s(word VARCHAR(255) PRIMARY KEY, free INTEGER,\t\t\t\t\ttest_w INTEGER, test_a INTEGER, "
    "time_1 INTEGER, time_2 INTEGER, time_3 INTEGER,\t\t\t\t\ttime_4 INTEGER, time_5 INTEGER, level INTEGER);";
inline constexpr char kInsertNewWord[] = "INSERT INTO %s values ('%s', 0, 0, 0, 0, 0, 0, 0, 0, 0);";
inline constexpr char kUpdateControl[] = "UPDATE control SET beg = %d, end = %d where listname = '%s'";
inline constexpr char kSelectList[] = "select * from %s;";
inline constexpr char kDeleteWord[] = "DELETE from %s where word = '%s'";
inline constexpr char kInsertWord[] = "INSERT INTO %s values('%s', 0, 0, 0, 0, 0, 0, 0, 0, 0)";
inline constexpr char kUpdateTest[] = "UPDATE %s SET test_w = test_w+%d, test_a = test_a+%d WHERE word = '%s'";
inline constexpr char kUpdateFree[] = "UPDATE %s SET free = free+%d WHERE word = '%s'";
inline constexpr char kSelectPage[] = "select * from %s limit %d, %d;";
inline constexpr char kBegin[] = "BEGIN TRANSACTION";
inline constexpr char kCommit[] = "COMMIT TRANSACTION";
inline constexpr char kRollback[] = "ROLLBACK TRANSACTION";
// Only for a save.db that lacks control; the columns are those read back
// by position.
inline constexpr char kCreateControl[] = "CREATE TABLE IF NOT EXISTS control(listname, beg, end)";
// Only for a row whose word is NULL, which no "word = '...'" can match.
inline constexpr char kDeleteNullWord[] = "DELETE from %s where word IS NULL";
} // namespace sql

// Statements are formatted into buffers of this size.
inline constexpr std::size_t kStatementBufferSize = 1024;

// A formatted statement. `fits` is false when the text needed more room than
// the buffer has; such a statement must not be run, since its truncated text
// could mean something else entirely.
struct StatementText {
    char text[kStatementBufferSize];
    bool fits = false;
};
StatementText FormatStatement(const char* format, ...) __attribute__((format(printf, 1, 2)));

// An apostrophe inside a quoted word is doubled, so the word stays one literal.
std::string QuoteWord(std::string_view word);

// Error text handed out by sqlite3_exec; released with sqlite3_free on every path.
struct SqliteFree {
    void operator()(char* text) const;
};
using ErrorText = std::unique_ptr<char, SqliteFree>;

struct SqliteFinalize {
    void operator()(sqlite3_stmt* statement) const;
};
using Statement = std::unique_ptr<sqlite3_stmt, SqliteFinalize>;

// sqlite3_exec without callback. `error`, when given, receives the error text
// (any earlier text it held is released first).
int ExecStatement(const char* text, ErrorText* error = nullptr);
inline int ExecStatement(const StatementText& statement, ErrorText* error = nullptr)
{
    return statement.fits ? ExecStatement(statement.text, error) : 1 /* SQLITE_ERROR */;
}

// Prepares a query. A text that does not prepare (a missing table, say)
// yields no statement; StepQuery on it reports an error, so the query simply
// delivers no row.
Statement PrepareQuery(const char* text);
// A text that did not fit its buffer is not prepared: it yields no statement.
inline Statement PrepareQuery(const StatementText& statement)
{
    return statement.fits ? PrepareQuery(statement.text) : Statement();
}
int StepQuery(const Statement& statement);
// Column 0 may hold NULL; it reads as an empty text.
std::string ColumnText(const Statement& statement, int column);
int ColumnInt(const Statement& statement, int column);
bool ColumnIsNull(const Statement& statement, int column);

// Opens ./save.db (or the given path) into Database with a busy timeout, so a
// moment's lock by another process does not drop a result.
int OpenDatabase(const char* path);
void CloseDatabase();

// A fresh save.db has no control table; without one every range and every
// counter would be lost without a word. Creates it only when it is missing,
// checked through the schema API so that a normal start sends no statement.
// Failure (read-only file, not a database) is ignored.
void EnsureControlTable();

// True only when SQLite says there is no table of that name; a file that is
// busy or cannot be read does not count as missing one. Sends no statement.
bool TableIsMissing(const std::string& name);
// True only when SQLite finds a table of that name. Sends no statement.
bool TableExists(const std::string& name);

// Sees every statement text as it is handed to SQLite, failed ones too
// (tests assert whole sequences with it). Called on the sending thread.
using StatementObserver = void (*)(const char* text, void* context);
void SetStatementObserver(StatementObserver observer, void* context);

// True for names that SQLite reads as a bare identifier without quoting:
// letters, digits and underscores, not led by a digit, and not a keyword in
// any case ("DROP TABLE order" reads ORDER as the keyword and does not parse).
bool IsPlainIdentifier(std::string_view name);
// The name written where a statement expects a table name: as it is when
// plain, otherwise as a quoted identifier, so a name read back from the file
// cannot become part of the statement.
std::string TableNameForStatement(std::string_view name);
