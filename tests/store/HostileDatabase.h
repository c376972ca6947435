#pragma once
// What the store's tests share: the statement texts they expect, start-up as
// the program does it, the drills and write-backs they run, and the
// histories and ranges they compare.
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
#include <string>
#include <tuple>
#include <vector>


namespace hostile_db {

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
inline std::string FirstKey(const std::string& list)
{
    std::string first = Word(list, 0);
    for (int p = 1; p < kBuiltinWordsPerList; ++p)
        first = std::min(first, Word(list, p));
    return first;
}

inline std::string CreateTableText(const std::string& name)
{
    return "CREATE TABLE " + name +
           "(word VARCHAR(255) PRIMARY KEY, free INTEGER,\t\t\t\t\ttest_w INTEGER, test_a INTEGER, time_1 INTEGER, "
           "time_2 INTEGER, time_3 INTEGER,\t\t\t\t\ttime_4 INTEGER, time_5 INTEGER, level INTEGER);";
}

// A word of a new list's table, and one added to a stored table.
inline std::string NewWordInsert(const std::string& table, const std::string& quotedWord)
{
    return "INSERT INTO " + table + " values ('" + quotedWord + "', 0, 0, 0, 0, 0, 0, 0, 0, 0);";
}
inline std::string WordInsert(const std::string& table, const std::string& quotedWord)
{
    return "INSERT INTO " + table + " values('" + quotedWord + "', 0, 0, 0, 0, 0, 0, 0, 0, 0)";
}
inline std::string WordDelete(const std::string& table, const std::string& quotedWord)
{
    return "DELETE from " + table + " where word = '" + quotedWord + "'";
}

inline std::string ControlUpdate(int beg, int end, const std::string& name)
{
    return "UPDATE control SET beg = " + std::to_string(beg) + ", end = " + std::to_string(end) +
           " where listname = '" + name + "'";
}

inline std::string FreeUpdate(const std::string& table, int amount, const std::string& word)
{
    return "UPDATE " + table + " SET free = free+" + std::to_string(amount) + " WHERE word = '" + word + "'";
}

inline History Snapshot()
{
    History history;
    for (const HistoryEntry& e : DrillHistory)
        history.emplace_back(e.word, e.free, e.test_w, e.test_a, e.level, e.index);
    return history;
}

// Entries of positions first..last (1-based) with the given stored counters.
inline History HistoryOf(const std::string& list, int first, int last, const std::function<std::tuple<int, int, int>(int)>& counters)
{
    History history;
    for (int p = first - 1; p < last && p < kBuiltinWordsPerList; ++p) {
        const auto [free, testWrong, testAsked] = counters(p);
        history.emplace_back(Word(list, p), free, testWrong, testAsked, 0, p);
    }
    return history;
}

inline History StoredHistory(const std::string& list, int first, int last)
{
    return HistoryOf(list, first, last, [](int p) { return std::make_tuple(p, 1, 2); });
}

inline History ZeroHistory(const std::string& list, int first, int last)
{
    return HistoryOf(list, first, last, [](int) { return std::make_tuple(0, 0, 0); });
}

struct DrillOutcome {
    WriteBack result;
    History history; // DrillHistory when the write-back began
};

// A Start on the list and a drill over its range that counts `amount` for
// every word, ended by the write-back.
inline DrillOutcome Drill(const std::string& name, int first, int last, Mode mode = Mode::Free, int amount = 1)
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
inline Texts FreeWriteBack(const std::string& list, int first, int last, int amount = 1)
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
inline void ExpectDrillingGoesOn(const std::string& name)
{
    EXPECT_TRUE(StoreLock.try_lock());
    StoreLock.unlock();
    EXPECT_EQ(sqlite3_get_autocommit(Database), 1) << "a transaction was left open";
    ASSERT_NE(FindWordList(name), nullptr);
    EXPECT_TRUE(FindWordList(name)->listed.load());
}

inline std::vector<std::tuple<std::string, bool, int, int>> Ranges()
{
    std::vector<std::tuple<std::string, bool, int, int>> ranges;
    for (const auto& [name, list] : WordListRegistry)
        ranges.emplace_back(name, list.listed.load(), list.beg, list.end);
    return ranges;
}

// Every list unstored, but those given.
inline std::vector<std::tuple<std::string, bool, int, int>> RangesExcept(
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
inline int StartUp(const HostileFolder& folder)
{
    EXPECT_EQ(OpenDatabase(folder.Path().c_str()), SQLITE_OK);
    EnsureControlTable();
    return PreloadThread();
}

} // namespace hostile_db
