// The store's work at its real size (the 390 built-in records, a 30-word
// list), each case beside two floors run in the same binary on the same
// kind of file:
//  - exec: the same statement texts, formatted into the same 1024-byte
//    buffers and sent straight through sqlite3_exec / sqlite3_prepare_v2 by
//    a minimal loop that does the same bookkeeping (registry, DrillHistory);
//  - prepared: the same work through statements prepared once and reused
//    with bound parameters, the physical floor of the connection.
#include "BenchSupport.h"
#include "ProgramDatabase.h"
#include "StoreBench.h"

#include "store/BuiltinLists.h"
#include "store/Database.h"
#include "store/ListSync.h"
#include "store/Preload.h"
#include "store/WordStore.h"

#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <sqlite3.h>

namespace {

constexpr char kListName[] = "DUO";
constexpr int kListIndex = 0;

using Folder = const BenchFolder&;

// Every built-in list has its control row, as after a learner has used them all.
void FillControl(sqlite3* db)
{
    MustExec(db, sql::kBegin);
    for (const char* name : kBuiltinListNames) {
        char text[kStatementBufferSize];
        std::snprintf(text, sizeof text, sql::kInsertControl, name, 1, kBuiltinWordsPerList);
        MustExec(db, text);
    }
    MustExec(db, sql::kCommit);
}

// --- preload ---------------------------------------------------------------

void LoadLists(WordListMap& lists)
{
    for (int k = 0; k < kBuiltinListCount; ++k) {
        WordListState& list = lists[kBuiltinListNames[k]];
        list.listed.store(false, std::memory_order_relaxed);
        for (int n = 0; n < kBuiltinWordsPerList; ++n) {
            const BuiltinWordRecord& record = kBuiltinWords[k * kBuiltinWordsPerList + n];
            list.cards.push_back(WordCard{record.meaning, record.word, record.phonetic, 0});
        }
        list.count = kBuiltinWordsPerList;
    }
}

void ReadControl(WordListMap& lists, sqlite3_stmt* query, std::vector<std::string>& stale)
{
    while (sqlite3_step(query) == SQLITE_ROW) {
        const char* name = reinterpret_cast<const char*>(sqlite3_column_text(query, 0));
        const auto it = lists.find(std::string_view(name ? name : ""));
        if (it == lists.end()) {
            stale.emplace_back(name ? name : "");
            continue;
        }
        it->second.listed.store(true, std::memory_order_relaxed);
        it->second.beg = sqlite3_column_int(query, 1);
        it->second.end = sqlite3_column_int(query, 2);
    }
}

void Preload_Program(benchmark::State& state, Folder folder)
{
    ProgramDatabase db(folder.path + "/preload-program.db");
    FillControl(Database);
    TimeIterations(
        state,
        [] {
            WordListRegistry.clear();
            listsLoaded.store(false);
            controlLoaded.store(false);
        },
        [] { benchmark::DoNotOptimize(PreloadThread()); });
    if (WordListRegistry.size() != kBuiltinListCount || !WordListRegistry.at(kListName).listed)
        state.SkipWithError("preload did not fill the registry");
}

void Preload_Exec(benchmark::State& state, Folder folder)
{
    Connection db = OpenFreshConnection(folder.path + "/preload-exec.db");
    FillControl(db.get());
    WordListMap lists;
    std::atomic<bool> loaded{false};
    TimeIterations(
        state, [&] { lists.clear(); },
        [&] {
            LoadLists(lists);
            std::vector<std::string> stale;
            sqlite3_stmt* query = nullptr;
            sqlite3_prepare_v2(db.get(), sql::kSelectControl, -1, &query, nullptr);
            ReadControl(lists, query, stale);
            sqlite3_finalize(query);
            loaded.store(true, std::memory_order_release);
        });
}

void Preload_Prepared(benchmark::State& state, Folder folder)
{
    Connection db = OpenFreshConnection(folder.path + "/preload-prepared.db");
    FillControl(db.get());
    const Prepared query = Prepare(db.get(), sql::kSelectControl);
    WordListMap lists;
    std::atomic<bool> loaded{false};
    TimeIterations(
        state, [&] { lists.clear(); },
        [&] {
            LoadLists(lists);
            std::vector<std::string> stale;
            ReadControl(lists, query.get(), stale);
            sqlite3_reset(query.get());
            loaded.store(true, std::memory_order_release);
        });
}

// --- first synchronisation of a list ---------------------------------------

void DropList(sqlite3* db)
{
    MustExec(db, "DROP TABLE IF EXISTS DUO");
    MustExec(db, "DELETE FROM control");
}

void AppendHistory(std::vector<HistoryEntry>& history, const WordListState& entry, std::size_t p, int free,
                   int testWrong, int testAsked)
{
    const long long position = static_cast<long long>(p);
    if (position < entry.beg - 1 || position > entry.end - 1)
        return;
    const WordCard& card = entry.cards[p];
    history.push_back(HistoryEntry{card.word, free, testWrong, testAsked, card.level, static_cast<int>(p)});
}

void FirstSync_Program(benchmark::State& state, Folder folder)
{
    ProgramDatabase db(folder.path + "/first-program.db");
    WordListState entry;
    FillEntry(entry, BuiltinCards(kListIndex));
    int rc = 0;
    TimeIterations(
        state,
        [&] {
            DropList(Database);
            entry.listed = false;
        },
        [&] { rc |= ListSyncThread(&entry, kListName); });
    if (rc != SQLITE_OK || DrillHistory.size() != kBuiltinWordsPerList)
        state.SkipWithError("first synchronisation failed");
}

void FirstSync_Exec(benchmark::State& state, Folder folder)
{
    Connection connection = OpenFreshConnection(folder.path + "/first-exec.db");
    sqlite3* db = connection.get();
    WordListState entry;
    FillEntry(entry, BuiltinCards(kListIndex));
    std::mutex lock;
    std::vector<HistoryEntry> history;
    int rc = 0;
    TimeIterations(
        state,
        [&] {
            DropList(db);
            entry.listed = false;
        },
        [&] {
            std::lock_guard guard(lock);
            history.clear();
            char text[kStatementBufferSize];
            rc |= ExecFloor(db, sql::kBegin);
            std::snprintf(text, sizeof text, sql::kInsertControl, kListName, entry.beg, entry.end);
            rc |= ExecFloor(db, text);
            std::snprintf(text, sizeof text, sql::kCreateTable, kListName);
            rc |= ExecFloor(db, text);
            for (std::size_t p = 0; p < entry.cards.size(); ++p) {
                AppendHistory(history, entry, p, 0, 0, 0);
                std::snprintf(text, sizeof text, sql::kInsertNewWord, kListName, entry.cards[p].word.c_str());
                rc |= ExecFloor(db, text);
            }
            rc |= ExecFloor(db, sql::kCommit);
            entry.listed = true;
        });
    if (rc != SQLITE_OK)
        state.SkipWithError("floor failed");
}

void FirstSync_Prepared(benchmark::State& state, Folder folder)
{
    Connection connection = OpenFreshConnection(folder.path + "/first-prepared.db");
    sqlite3* db = connection.get();
    WordListState entry;
    FillEntry(entry, BuiltinCards(kListIndex));
    const Prepared begin = Prepare(db, sql::kBegin);
    const Prepared commit = Prepare(db, sql::kCommit);
    const Prepared insertControl = Prepare(db, "INSERT INTO control VALUES(?, ?, ?)");
    char create[kStatementBufferSize];
    std::snprintf(create, sizeof create, sql::kCreateTable, kListName);
    std::mutex lock;
    std::vector<HistoryEntry> history;
    int rc = 0;
    TimeIterations(
        state,
        [&] {
            DropList(db);
            entry.listed = false;
        },
        [&] {
            std::lock_guard guard(lock);
            history.clear();
            StepOnce(begin.get());
            sqlite3_bind_text(insertControl.get(), 1, kListName, -1, SQLITE_STATIC);
            sqlite3_bind_int(insertControl.get(), 2, entry.beg);
            sqlite3_bind_int(insertControl.get(), 3, entry.end);
            rc |= StepOnce(insertControl.get()) != SQLITE_DONE;
            // A new table needs its statement prepared once per synchronisation.
            rc |= sqlite3_exec(db, create, nullptr, nullptr, nullptr);
            const Prepared insert = Prepare(db, "INSERT INTO DUO values (?, 0, 0, 0, 0, 0, 0, 0, 0, 0)");
            for (std::size_t p = 0; p < entry.cards.size(); ++p) {
                AppendHistory(history, entry, p, 0, 0, 0);
                const std::string& word = entry.cards[p].word;
                sqlite3_bind_text(insert.get(), 1, word.data(), static_cast<int>(word.size()), SQLITE_STATIC);
                rc |= StepOnce(insert.get()) != SQLITE_DONE;
            }
            rc |= StepOnce(commit.get()) != SQLITE_DONE;
            entry.listed = true;
        });
    if (rc != SQLITE_OK)
        state.SkipWithError("floor failed");
}

// --- update synchronisation (table in line with the list) -------------------

// With the same range the UPDATE of control rewrites an identical row,
// which SQLite leaves unwritten, and neither transaction has anything to
// commit; a new range (here 1..30 and 2..30 by turns) makes the first
// COMMIT write and sync.
void NextRange(WordListState& entry, bool newRange)
{
    if (newRange)
        entry.beg = entry.beg == 1 ? 2 : 1;
}

void UpdateSync_Program(benchmark::State& state, Folder folder, bool newRange)
{
    ProgramDatabase db(folder.path + "/update-program.db");
    WordListState entry;
    FillEntry(entry, BuiltinCards(kListIndex));
    int rc = ListSyncThread(&entry, kListName);
    TimeIterations(
        state, [&] { NextRange(entry, newRange); }, [&] { rc |= ListSyncThread(&entry, kListName); });
    if (rc != SQLITE_OK || DrillHistory.size() < kBuiltinWordsPerList - 1)
        state.SkipWithError("update synchronisation failed");
}

// Compares the stored rows with the cards; the table matches, so nothing
// is stale and nothing is inserted, but the comparison runs in full.
template <typename Step>
std::size_t ReadList(sqlite3_stmt* query, const WordListState& entry, std::vector<HistoryEntry>& history,
                     std::vector<std::string>& stale, Step step)
{
    std::size_t kept = 0;
    bool mismatch = false;
    for (int rc = step(); rc == SQLITE_ROW; rc = step()) {
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(query, 0));
        std::string stored = text ? text : "";
        if (mismatch || kept >= entry.cards.size()) {
            stale.push_back(std::move(stored));
        } else if (stored != entry.cards[kept].word) {
            stale.push_back(std::move(stored));
            mismatch = true;
        } else {
            AppendHistory(history, entry, kept, sqlite3_column_int(query, 1), sqlite3_column_int(query, 2),
                          sqlite3_column_int(query, 3));
            ++kept;
        }
    }
    return kept;
}

void UpdateSync_Exec(benchmark::State& state, Folder folder, bool newRange)
{
    Connection connection = OpenFreshConnection(folder.path + "/update-exec.db");
    sqlite3* db = connection.get();
    WordListState entry;
    FillEntry(entry, BuiltinCards(kListIndex));
    MakeListTable(db, kListName, entry.cards);
    std::mutex lock;
    std::vector<HistoryEntry> history;
    int rc = 0;
    TimeIterations(
        state, [&] { NextRange(entry, newRange); },
        [&] {
            std::lock_guard guard(lock);
            history.clear();
            char text[kStatementBufferSize];
            rc |= ExecFloor(db, sql::kBegin);
            std::snprintf(text, sizeof text, sql::kUpdateControl, entry.beg, entry.end, kListName);
            rc |= ExecFloor(db, text);
            rc |= ExecFloor(db, sql::kCommit);
            std::snprintf(text, sizeof text, sql::kSelectList, kListName);
            sqlite3_stmt* query = nullptr;
            sqlite3_prepare_v2(db, text, -1, &query, nullptr);
            std::vector<std::string> stale;
            const std::size_t kept = ReadList(query, entry, history, stale, [&] { return sqlite3_step(query); });
            sqlite3_finalize(query);
            rc |= ExecFloor(db, sql::kBegin);
            for (const std::string& word : stale) {
                std::snprintf(text, sizeof text, sql::kDeleteWord, kListName, word.c_str());
                rc |= ExecFloor(db, text);
            }
            for (std::size_t p = kept; p < entry.cards.size(); ++p) {
                std::snprintf(text, sizeof text, sql::kInsertWord, kListName, entry.cards[p].word.c_str());
                AppendHistory(history, entry, p, 0, 0, 0);
                rc |= ExecFloor(db, text);
            }
            rc |= ExecFloor(db, sql::kCommit);
            entry.listed = true;
        });
    if (rc != SQLITE_OK || history.size() < kBuiltinWordsPerList - 1)
        state.SkipWithError("floor failed");
}

void UpdateSync_Prepared(benchmark::State& state, Folder folder, bool newRange)
{
    Connection connection = OpenFreshConnection(folder.path + "/update-prepared.db");
    sqlite3* db = connection.get();
    WordListState entry;
    FillEntry(entry, BuiltinCards(kListIndex));
    MakeListTable(db, kListName, entry.cards);
    const Prepared begin = Prepare(db, sql::kBegin);
    const Prepared commit = Prepare(db, sql::kCommit);
    const Prepared update = Prepare(db, "UPDATE control SET beg = ?, end = ? where listname = ?");
    const Prepared select = Prepare(db, "select * from DUO;");
    std::mutex lock;
    std::vector<HistoryEntry> history;
    int rc = 0;
    TimeIterations(
        state, [&] { NextRange(entry, newRange); },
        [&] {
            std::lock_guard guard(lock);
            history.clear();
            rc |= StepOnce(begin.get()) != SQLITE_DONE;
            sqlite3_bind_int(update.get(), 1, entry.beg);
            sqlite3_bind_int(update.get(), 2, entry.end);
            sqlite3_bind_text(update.get(), 3, kListName, -1, SQLITE_STATIC);
            rc |= StepOnce(update.get()) != SQLITE_DONE;
            rc |= StepOnce(commit.get()) != SQLITE_DONE;
            std::vector<std::string> stale;
            ReadList(select.get(), entry, history, stale, [&] { return sqlite3_step(select.get()); });
            sqlite3_reset(select.get());
            // Nothing is stale and nothing is missing: the second transaction
            // of the program is empty, and so it is here.
            rc |= StepOnce(begin.get()) != SQLITE_DONE;
            rc |= StepOnce(commit.get()) != SQLITE_DONE;
            entry.listed = true;
        });
    if (rc != SQLITE_OK || history.size() < kBuiltinWordsPerList - 1)
        state.SkipWithError("floor failed");
}

template <typename Function, typename... Arguments>
void Register(const std::string& name, Function function, Folder folder, Arguments... arguments)
{
    benchmark::RegisterBenchmark((name + "/" + folder.label).c_str(), function, folder, arguments...)
        ->UseManualTime();
}

} // namespace

void RegisterStoreBenchmarks()
{
    for (const BenchFolder& folder : BenchFolders()) {
        Register("store/preload/program", Preload_Program, folder);
        Register("store/preload/exec", Preload_Exec, folder);
        Register("store/preload/prepared", Preload_Prepared, folder);
        Register("store/first_sync/program", FirstSync_Program, folder);
        Register("store/first_sync/exec", FirstSync_Exec, folder);
        Register("store/first_sync/prepared", FirstSync_Prepared, folder);
        for (const bool newRange : {false, true}) {
            const std::string name = newRange ? "store/update_sync_new_range/" : "store/update_sync/";
            Register(name + "program", UpdateSync_Program, folder, newRange);
            Register(name + "exec", UpdateSync_Exec, folder, newRange);
            Register(name + "prepared", UpdateSync_Prepared, folder, newRange);
        }
    }
}
