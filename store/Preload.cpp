#include "store/Preload.h"

#include "store/BuiltinLists.h"
#include "store/Database.h"
#include "store/WordStore.h"

#include <sqlite3.h>
#include <strings.h>

namespace {

// SQLite matches table names ignoring ASCII case, while the stale check is
// exact: a stale row "duo" must not take the table of DUO with it, nor a row
// "control" the control table itself.
bool MayDropTable(const std::string& name)
{
    if (strcasecmp(name.c_str(), "control") == 0)
        return false;
    for (const char* builtin : kBuiltinListNames)
        if (strcasecmp(name.c_str(), builtin) == 0)
            return false;
    return true;
}

void RemoveStaleList(const std::string& name)
{
    ExecStatement(FormatStatement(sql::kDeleteControl, QuoteWord(name).c_str()));
    if (MayDropTable(name))
        ExecStatement(FormatStatement(sql::kDropTable, TableNameForStatement(name).c_str()));
}

} // namespace

void LoadBuiltinLists()
{
    for (int k = 0; k < kBuiltinListCount; ++k) {
        WordListState& list = FindOrInsertWordList(kBuiltinListNames[k]);
        list.listed.store(false, std::memory_order_relaxed);
        for (int n = 0; n < kBuiltinWordsPerList; ++n) {
            const BuiltinWordRecord& record = kBuiltinWords[k * kBuiltinWordsPerList + n];
            list.cards.push_back(WordCard{record.meaning, record.word, record.phonetic, 0});
        }
        list.count = kBuiltinWordsPerList;
    }
}

int PreloadThread()
{
    LoadBuiltinLists();

    std::vector<std::string> staleNames;
    Statement query = PrepareQuery(sql::kSelectControl);
    while (StepQuery(query) == SQLITE_ROW) {
        std::string name = ColumnText(query, 0);
        if (WordListState* list = FindWordList(name)) {
            list->listed.store(true, std::memory_order_relaxed);
            list->beg = ColumnInt(query, 1);
            list->end = ColumnInt(query, 2);
        } else {
            staleNames.push_back(std::move(name));
        }
    }

    // A failed COMMIT (the file held by another program past the busy
    // timeout, a full disk) only leaves the stale rows for the next start.
    // The registry is complete all the same, and without the flags the main
    // dialog would stay in its loading state for the whole run.
    int rc = SQLITE_OK;
    if (!staleNames.empty()) {
        ErrorText error;
        ExecStatement(sql::kBegin, &error);
        for (const std::string& name : staleNames)
            RemoveStaleList(name);
        rc = ExecStatement(sql::kCommit);
        if (rc != SQLITE_OK)
            ExecStatement(sql::kRollback);
    }
    query.reset();

    listsLoaded.store(true, std::memory_order_release);
    controlLoaded.store(true, std::memory_order_release);
    return rc;
}
