#include "support/TestDatabase.h"

#include "store/Database.h"
#include "store/ListSync.h"
#include "store/Preload.h"
#include "store/StoreWork.h"
#include "store/WordStore.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sqlite3.h>

TestDatabase::TestDatabase(bool withControl)
{
    WaitForListSync();
    char pattern[] = "/tmp/vokabo-test-XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    EXPECT_NE(dir, nullptr);
    m_dir = dir ? dir : "/tmp";
    m_path = m_dir + "/save.db";
    EXPECT_EQ(OpenDatabase(m_path.c_str()), SQLITE_OK);
    if (withControl)
        Exec("CREATE TABLE control(listname, beg, end)");
    ResetWordStore();
}

TestDatabase::~TestDatabase()
{
    WaitForListSync();
    CloseDatabase();
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
    ResetWordStore();
}

void TestDatabase::Exec(const std::string& sql)
{
    char* error = nullptr;
    const int rc = sqlite3_exec(Database, sql.c_str(), nullptr, nullptr, &error);
    EXPECT_EQ(rc, SQLITE_OK) << sql << ": " << (error ? error : "");
    sqlite3_free(error);
}

std::vector<std::vector<std::string>> TestDatabase::Rows(const std::string& sql)
{
    std::vector<std::vector<std::string>> rows;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(Database, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "cannot prepare " << sql << ": " << sqlite3_errmsg(Database);
        return rows;
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            const unsigned char* text = sqlite3_column_text(statement, i);
            row.emplace_back(text ? reinterpret_cast<const char*>(text) : "NULL");
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(statement);
    return rows;
}

bool TestDatabase::TableExists(const std::string& name)
{
    return !Rows("SELECT name FROM sqlite_master WHERE type='table' AND name='" + QuoteWord(name) + "'").empty();
}

void TestDatabase::LoadBuiltinRegistry() { LoadBuiltinLists(); }

void TestDatabase::ResetWordStore()
{
    WordListRegistry.clear();
    DrillHistory.clear();
    listsLoaded.store(false);
    controlLoaded.store(false);
    DropKeptDrills();
}
