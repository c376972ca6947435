#pragma once
// What the store worker's commands share: the model of what save.db should
// hold, kept in a file between runs, and a plain connection of its own.
#include "store/BuiltinLists.h"

#include <sqlite3.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace store_worker {

enum class Mode { Free, Test };

// ---- what save.db should hold -------------------------------------------

struct Row {
    std::string word;
    long long free = 0, testWrong = 0, testAsked = 0;
    bool operator==(const Row&) const = default;
};

struct ListModel {
    bool present = false; // control row and table
    int beg = 0, end = 0;
    std::vector<Row> rows;
};

struct Model {
    std::map<std::string, ListModel> lists;
    std::set<std::string> stale; // control row and table of a list no longer built in
};

const std::vector<std::string>& BuiltinNames();
const BuiltinWordRecord& Card(const std::string& list, int index);
Model LoadModel(const std::string& path);
void SaveModel(const std::string& path, const Model& model);
// What a synchronisation leaves: the head that matches the list keeps its
// counters, everything after it is the list's rest with zero counters.
ListModel Synchronised(const std::string& name, const ListModel& before);

// ---- a plain second connection for reading and damaging ------------------

struct Connection {
    sqlite3* db = nullptr;
    explicit Connection(const std::string& path)
    {
        if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
            std::fprintf(stderr, "store_worker: cannot open %s\n", path.c_str());
            std::exit(2);
        }
        sqlite3_busy_timeout(db, 5000);
    }
    ~Connection() { sqlite3_close(db); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    int Exec(const std::string& text) { return sqlite3_exec(db, text.c_str(), nullptr, nullptr, nullptr); }
    std::vector<std::vector<std::optional<std::string>>> Rows(const std::string& text)
    {
        std::vector<std::vector<std::optional<std::string>>> rows;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, text.c_str(), -1, &statement, nullptr) != SQLITE_OK)
            return rows;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            auto& row = rows.emplace_back();
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const unsigned char* cell = sqlite3_column_text(statement, i);
                row.push_back(cell ? std::optional<std::string>(reinterpret_cast<const char*>(cell)) : std::nullopt);
            }
        }
        sqlite3_finalize(statement);
        return rows;
    }
};

// The size of the file that holds the statement last handed to SQLite.
constexpr std::size_t kPhaseSize = 256;

// After a kill: integrity, every drill all there or not at all, no table
// lost, control consistent; the model then takes the outcome.
int Check(const char* db, const char* journalPath, const char* modelPath, const char* phasePath);

} // namespace store_worker
