#pragma once
// The store-side work of one Start and one drill's end, as the main dialog
// and the drill bar do it, for tests and test tools that run without windows.
#include "store/Database.h"
#include "store/ListSync.h"
#include "store/WordStore.h"

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace storework {

enum class Mode { Free, Test };

// Start's steps 9 and 10: the previous synchronisation reads the range while
// it runs, so it ends before the range changes.
inline void StartLike(WordListState& list, const std::string& name, std::int32_t first, std::int32_t last)
{
    WaitForListSync();
    list.beg = first;
    list.end = last;
    StartListSync(list, name);
}

// How the write-back of one drill ended.
enum class WriteBack { Committed, BeginFailed, UpdateFailed, CommitFailed };

// The end of a drill: waits for the synchronisation of the same Start
// outside the lock, then one transaction of one UPDATE per word in key order.
inline WriteBack WriteBackLike(const std::string& name, Mode mode, const std::map<std::string, int>& counts)
{
    WaitForListSync();
    std::lock_guard lock(StoreLock);
    ErrorText error;
    if (ExecStatement(sql::kBegin, &error) != SQLITE_OK)
        return WriteBack::BeginFailed;
    const std::string table = TableNameForStatement(name);
    for (const auto& [word, count] : counts) {
        const std::string quoted = QuoteWord(word);
        const StatementText statement =
            mode == Mode::Test ? FormatStatement(sql::kUpdateTest, table.c_str(), count - 1, count, quoted.c_str())
                               : FormatStatement(sql::kUpdateFree, table.c_str(), count, quoted.c_str());
        if (ExecStatement(statement, &error) != SQLITE_OK) {
            ExecStatement(sql::kRollback);
            return WriteBack::UpdateFailed;
        }
    }
    if (ExecStatement(sql::kCommit) != SQLITE_OK) {
        ExecStatement(sql::kRollback);
        return WriteBack::CommitFailed;
    }
    return WriteBack::Committed;
}

} // namespace storework
