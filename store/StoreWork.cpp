#include "store/StoreWork.h"

#include "store/Database.h"
#include "store/ListSync.h"

#include <mutex>
#include <sqlite3.h>
#include <vector>

namespace {

struct KeptDrill {
    std::string listName;
    bool testMode = false;
    WordCounts counts;
};

std::vector<KeptDrill>& Kept()
{
    static std::vector<KeptDrill> kept;
    return kept;
}

// A table that is not there tells nothing by itself ("no such table"); when
// the list's synchronisation failed to make it, its code says why (a full
// disk, a read-only file).
int CauseOfFailure(const KeptDrill& drill, int statementResult)
{
    std::lock_guard lock(StoreLock);
    const WordListState* list = FindWordList(drill.listName);
    if (list && list->lastSyncResult != SQLITE_OK && TableIsMissing(drill.listName))
        return list->lastSyncResult;
    return statementResult;
}

} // namespace

void StartListSyncWithRange(WordListState& list, const std::string& name, std::int32_t first, std::int32_t last)
{
    WaitForListSync();
    WriteKeptDrills(MissingTables::Make);
    list.beg = first;
    list.end = last;
    StartListSync(list, name);
}

WriteBackResult WriteBackDrill(std::string_view listName, bool testMode, const WordCounts& counts, int* resultCode)
{
    // The synchronisation started with this drill creates the table and
    // holds StoreLock meanwhile; waiting for it outside the lock keeps the
    // order of the two writers fixed.
    WaitForListSync();
    std::lock_guard lock(StoreLock);

    int ignored = SQLITE_OK;
    int& rc = resultCode ? *resultCode : ignored;
    ErrorText error;
    rc = ExecStatement(sql::kBegin, &error);
    if (rc != SQLITE_OK)
        return WriteBackResult::BeginFailed;
    const std::string table = TableNameForStatement(listName);
    for (const auto& [word, count] : counts) {
        const std::string quoted = QuoteWord(word);
        const StatementText statement =
            testMode ? FormatStatement(sql::kUpdateTest, table.c_str(), count - 1, count, quoted.c_str())
                     : FormatStatement(sql::kUpdateFree, table.c_str(), count, quoted.c_str());
        rc = ExecStatement(statement, &error);
        if (rc != SQLITE_OK) {
            ExecStatement(sql::kRollback);
            return WriteBackResult::UpdateFailed;
        }
    }
    rc = ExecStatement(sql::kCommit);
    if (rc != SQLITE_OK) {
        ExecStatement(sql::kRollback);
        return WriteBackResult::CommitFailed;
    }
    return WriteBackResult::Committed;
}

void KeepDrill(std::string_view listName, bool testMode, const WordCounts& counts)
{
    Kept().push_back(KeptDrill{std::string(listName), testMode, counts});
}

int WriteKeptDrills(MissingTables missingTables)
{
    std::vector<KeptDrill>& kept = Kept();
    int firstCause = SQLITE_OK;
    for (auto drill = kept.begin(); drill != kept.end();) {
        if (missingTables == MissingTables::Make) {
            // A table that a full disk kept its synchronisation from making
            // is made now, as the list's next Start would make it; without
            // it the counts could never be written.
            WaitForListSync();
            WordListState* list = FindWordList(drill->listName);
            bool missing = false;
            {
                std::lock_guard lock(StoreLock);
                missing = list && TableIsMissing(drill->listName);
            }
            if (missing)
                ListSyncThread(list, drill->listName);
        }
        int rc = SQLITE_OK;
        if (WriteBackDrill(drill->listName, drill->testMode, drill->counts, &rc) == WriteBackResult::Committed) {
            drill = kept.erase(drill);
            continue;
        }
        if (firstCause == SQLITE_OK)
            firstCause = CauseOfFailure(*drill, rc);
        ++drill;
    }
    return firstCause;
}

std::size_t KeptDrillCount() { return Kept().size(); }

void DropKeptDrills() { Kept().clear(); }

StoreClosed CloseStore(std::thread& preload)
{
    if (preload.joinable())
        preload.join();
    WaitForListSync();
    StoreClosed closed;
    closed.cause = WriteKeptDrills(MissingTables::Make);
    closed.drillsLost = KeptDrillCount();
    DropKeptDrills();
    CloseDatabase();
    return closed;
}
