#include "store/Database.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <sqlite3.h>

sqlite3* Database = nullptr;
std::mutex StoreLock;

namespace {
constexpr int kBusyTimeoutMs = 5000;

std::atomic<StatementObserver> observer{nullptr};
std::atomic<void*> observerContext{nullptr};

void Observe(const char* text)
{
    if (StatementObserver notify = observer.load(std::memory_order_acquire))
        notify(text, observerContext.load(std::memory_order_acquire));
}
} // namespace

void SetStatementObserver(StatementObserver notify, void* context)
{
    observerContext.store(context, std::memory_order_release);
    observer.store(notify, std::memory_order_release);
}

StatementText FormatStatement(const char* format, ...)
{
    StatementText statement;
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(statement.text, sizeof statement.text, format, args);
    va_end(args);
    statement.fits = length >= 0 && static_cast<std::size_t>(length) < sizeof statement.text;
    return statement;
}

std::string QuoteWord(std::string_view word)
{
    std::string quoted;
    quoted.reserve(word.size());
    for (char c : word) {
        quoted.push_back(c);
        if (c == '\'')
            quoted.push_back('\'');
    }
    return quoted;
}

void SqliteFree::operator()(char* text) const { sqlite3_free(text); }

void SqliteFinalize::operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }

int ExecStatement(const char* text, ErrorText* error)
{
    Observe(text);
    if (!error)
        return sqlite3_exec(Database, text, nullptr, nullptr, nullptr);
    char* message = nullptr;
    const int rc = sqlite3_exec(Database, text, nullptr, nullptr, &message);
    error->reset(message);
    return rc;
}

Statement PrepareQuery(const char* text)
{
    Observe(text);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(Database, text, -1, &statement, nullptr);
    return Statement(statement);
}

int StepQuery(const Statement& statement)
{
    // sqlite3_step on a null statement is a misuse that SQLite reports
    // rather than crashes on; answer the same way without relying on it.
    return statement ? sqlite3_step(statement.get()) : SQLITE_MISUSE;
}

std::string ColumnText(const Statement& statement, int column)
{
    const unsigned char* text = sqlite3_column_text(statement.get(), column);
    return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

int ColumnInt(const Statement& statement, int column) { return sqlite3_column_int(statement.get(), column); }

bool ColumnIsNull(const Statement& statement, int column)
{
    return sqlite3_column_type(statement.get(), column) == SQLITE_NULL;
}

int OpenDatabase(const char* path)
{
    const int rc = sqlite3_open(path, &Database);
    if (rc == SQLITE_OK)
        sqlite3_busy_timeout(Database, kBusyTimeoutMs);
    return rc;
}

void CloseDatabase()
{
    sqlite3_close(Database);
    Database = nullptr;
}

void EnsureControlTable()
{
    if (sqlite3_table_column_metadata(Database, "main", "control", nullptr, nullptr, nullptr, nullptr, nullptr,
                                      nullptr) == SQLITE_OK)
        return;
    // The schema lookup can fail for other reasons than a missing table (a
    // file that is no database); CREATE ... IF NOT EXISTS then fails harmlessly too.
    ExecStatement(sql::kCreateControl);
}

bool TableIsMissing(const std::string& name)
{
    return sqlite3_table_column_metadata(Database, "main", name.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                         nullptr) == SQLITE_ERROR;
}

bool TableExists(const std::string& name)
{
    return sqlite3_table_column_metadata(Database, "main", name.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                         nullptr) == SQLITE_OK;
}

bool IsPlainIdentifier(std::string_view name)
{
    if (name.empty())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
        const bool digit = c >= '0' && c <= '9';
        if (!letter && !(digit && i > 0))
            return false;
    }
    return sqlite3_keyword_check(name.data(), static_cast<int>(name.size())) == 0;
}

std::string TableNameForStatement(std::string_view name)
{
    if (IsPlainIdentifier(name))
        return std::string(name);
    std::string quoted = "\"";
    for (char c : name) {
        quoted.push_back(c);
        if (c == '"')
            quoted.push_back('"');
    }
    quoted.push_back('"');
    return quoted;
}
