#pragma once
// A data folder with a save.db built to order, for the tests of hostile and
// broken files: built and read through connections of the test's own, and
// made unchangeable even for root when asked.
#include "store/BuiltinLists.h"
#include "store/Database.h"
#include "store/ListSync.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace hostile {

using Table = std::vector<std::vector<std::string>>;

inline constexpr char kWordTableColumns[] =
    "(word VARCHAR(255) PRIMARY KEY, free INTEGER, test_w INTEGER, test_a INTEGER, time_1 INTEGER, time_2 INTEGER, "
    "time_3 INTEGER, time_4 INTEGER, time_5 INTEGER, level INTEGER)";

inline int ListIndex(const std::string& list)
{
    for (int k = 0; k < kBuiltinListCount; ++k)
        if (list == kBuiltinListNames[k])
            return k;
    return -1;
}

inline std::string Word(const std::string& list, int position)
{
    return kBuiltinWords[ListIndex(list) * kBuiltinWordsPerList + position].word;
}

inline std::vector<std::string> Row(const std::string& word, int free = 0, int testWrong = 0, int testAsked = 0)
{
    return {word, std::to_string(free), std::to_string(testWrong), std::to_string(testAsked), "0", "0", "0", "0", "0",
            "0"};
}

// The list's whole table as the program makes it, with counters that differ
// per row (free = position, test_w = 1, test_a = 2) so a lost or moved row shows.
inline std::vector<std::string> WordTable(const std::string& list, int rows = kBuiltinWordsPerList)
{
    std::vector<std::string> statements{"CREATE TABLE " + list + kWordTableColumns};
    for (int p = 0; p < rows; ++p)
        statements.push_back("INSERT INTO " + list + " VALUES('" + Word(list, p) + "', " + std::to_string(p) +
                             ", 1, 2, 0, 0, 0, 0, 0, 0)");
    return statements;
}

inline Table StoredRows(const std::string& list, int rows = kBuiltinWordsPerList)
{
    Table table;
    for (int p = 0; p < rows; ++p)
        table.push_back(Row(Word(list, p), p, 1, 2));
    return table;
}

// Bytes no reader takes for a database, the same in every run.
inline std::string Noise()
{
    std::mt19937 random(8);
    std::string bytes(8192, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

inline std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A folder with a save.db that the test builds and reads through connections
// of its own. Resets the word store around the test and closes Database.
class HostileFolder {
public:
    HostileFolder()
    {
        WaitForListSync();
        char pattern[] = "/tmp/vokabo-hostile-XXXXXX";
        const char* dir = ::mkdtemp(pattern);
        EXPECT_NE(dir, nullptr);
        m_dir = dir ? dir : "/tmp";
        m_path = m_dir + "/save.db";
        TestDatabase::ResetWordStore();
    }
    ~HostileFolder()
    {
        WaitForListSync();
        if (Database)
            CloseDatabase();
        for (const std::string& path : m_immutable)
            SetImmutable(path, false);
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
        TestDatabase::ResetWordStore();
    }
    HostileFolder(const HostileFolder&) = delete;
    HostileFolder& operator=(const HostileFolder&) = delete;

    const std::string& Dir() const { return m_dir; }
    const std::string& Path() const { return m_path; }

    void Build(const std::vector<std::string>& statements)
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(m_path.c_str(), &db), SQLITE_OK);
        for (const std::string& statement : statements) {
            char* error = nullptr;
            EXPECT_EQ(sqlite3_exec(db, statement.c_str(), nullptr, nullptr, &error), SQLITE_OK)
                << statement << ": " << (error ? error : "");
            sqlite3_free(error);
        }
        sqlite3_close(db);
    }

    void WriteBytes(const std::string& bytes) { std::ofstream(m_path, std::ios::binary | std::ios::trunc) << bytes; }

    std::string Bytes() const
    {
        std::ifstream file(m_path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

    // Reads the file through a connection of its own ("NULL" for NULL).
    Table Peek(const std::string& query) const
    {
        Table rows;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(m_path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            sqlite3_close(db);
            ADD_FAILURE() << "cannot open " << m_path;
            return rows;
        }
        // The program may be writing while the test looks: wait for its
        // transaction as any second reader of the file would.
        sqlite3_busy_timeout(db, 20000);
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, query.c_str(), -1, &statement, nullptr) != SQLITE_OK)
            ADD_FAILURE() << query << ": " << sqlite3_errmsg(db);
        while (statement && sqlite3_step(statement) == SQLITE_ROW) {
            auto& row = rows.emplace_back();
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const unsigned char* cell = sqlite3_column_text(statement, i);
                row.emplace_back(cell ? reinterpret_cast<const char*>(cell) : "NULL");
            }
        }
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return rows;
    }

    Table Tables() const { return Peek("select name from sqlite_master where type = 'table' order by name"); }
    Table Control() const { return Peek("select * from control order by rowid"); }
    Table ListTable(const std::string& name) const { return Peek("select * from \"" + name + "\" order by rowid"); }

    // Makes a file or folder unchangeable even for root (which file modes do
    // not bind); false when the system offers no way to.
    bool MakeImmutable(const std::string& path)
    {
        if (!SetImmutable(path, true))
            return false;
        m_immutable.push_back(path);
        const bool folder = std::filesystem::is_directory(path);
        const int fd = folder ? ::open((path + "/probe").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600)
                              : ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd >= 0) {
            ::close(fd);
            return false;
        }
        return true;
    }

private:
    static bool SetImmutable(const std::string& path, bool on)
    {
        if (::geteuid() != 0)
            return std::system(("chmod " + std::string(on ? "a-w '" : "u+w '") + path + "'").c_str()) == 0;
        return std::system(("chattr " + std::string(on ? "+i '" : "-i '") + path + "' 2>/dev/null").c_str()) == 0;
    }

    std::string m_dir;
    std::string m_path;
    std::vector<std::string> m_immutable;
};

// Another process holding save.db exclusively (store_worker hold-lock) from
// construction until Release() or the end of the scope.
class LockHolder {
public:
    explicit LockHolder(const std::string& path, int milliseconds = 60000)
    {
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(pipeEnds[1], STDOUT_FILENO);
            const std::string duration = std::to_string(milliseconds);
            ::execl(VOKABO_STORE_WORKER, VOKABO_STORE_WORKER, "hold-lock", path.c_str(), duration.c_str(), nullptr);
            ::_exit(127);
        }
        ::close(pipeEnds[1]);
        char line[16] = {};
        m_locked = m_pid > 0 && ::read(pipeEnds[0], line, sizeof line - 1) > 0 && std::string(line) == "locked\n";
        ::close(pipeEnds[0]);
    }
    ~LockHolder() { Release(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    bool Locked() const { return m_locked; }
    // Still holding: the holder has not ended.
    bool Holding() const { return m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == 0; }
    void Release()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = 0;
        }
    }

private:
    pid_t m_pid = 0;
    bool m_locked = false;
};

} // namespace hostile
