#include "store/StoreWork.h"

#include "store/Database.h"
#include "store/ListSync.h"

#include <mutex>
#include <sqlite3.h>

void StartListSyncWithRange(WordListState& list, const std::string& name, std::int32_t first, std::int32_t last)
{
    WaitForListSync();
    list.beg = first;
    list.end = last;
    StartListSync(list, name);
}

WriteBackResult WriteBackDrill(std::string_view listName, bool testMode, const WordCounts& counts)
{
    // The synchronisation started with this drill creates the table and
    // holds StoreLock meanwhile; waiting for it outside the lock keeps the
    // order of the two writers fixed.
    WaitForListSync();
    std::lock_guard lock(StoreLock);

    ErrorText error;
    if (ExecStatement(sql::kBegin, &error) != SQLITE_OK)
        return WriteBackResult::BeginFailed;
    const std::string table = TableNameForStatement(listName);
    for (const auto& [word, count] : counts) {
        const std::string quoted = QuoteWord(word);
        const StatementText statement =
            testMode ? FormatStatement(sql::kUpdateTest, table.c_str(), count - 1, count, quoted.c_str())
                     : FormatStatement(sql::kUpdateFree, table.c_str(), count, quoted.c_str());
        if (ExecStatement(statement, &error) != SQLITE_OK) {
            ExecStatement(sql::kRollback);
            return WriteBackResult::UpdateFailed;
        }
    }
    if (ExecStatement(sql::kCommit) != SQLITE_OK) {
        ExecStatement(sql::kRollback);
        return WriteBackResult::CommitFailed;
    }
    return WriteBackResult::Committed;
}

void CloseStore(std::thread& preload)
{
    if (preload.joinable())
        preload.join();
    WaitForListSync();
    CloseDatabase();
}
