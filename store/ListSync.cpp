#include "store/ListSync.h"

#include "store/Database.h"
#include "store/WordStore.h"

#include <optional>
#include <sqlite3.h>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// The thread of the last Start. Joined, never detached: a detached thread
// could still be writing when the database closes. The holder joins at exit
// too, so a forgotten wait cannot end the process through std::terminate.
struct SyncThreadHolder {
    std::thread thread;
    ~SyncThreadHolder()
    {
        if (thread.joinable())
            thread.join();
    }
};

SyncThreadHolder& Holder()
{
    static SyncThreadHolder holder;
    return holder;
}

// One run of the synchronisation for one list. Every exec's error text is
// released as soon as the exec returns it: a later successful exec would
// otherwise overwrite the pointer and leak the text.
class ListSync {
public:
    ListSync(WordListState& entry, std::string_view name)
        : m_entry(entry),
          m_name(name),
          m_table(TableNameForStatement(name)),
          m_quotedName(QuoteWord(name)),
          m_first(static_cast<long long>(entry.beg) - 1),
          m_last(static_cast<long long>(entry.end) - 1)
    {
    }

    int Run()
    {
        int rc = Exec(sql::kBegin);
        if (rc != SQLITE_OK)
            return FailureExit(rc);
        rc = m_entry.listed.load(std::memory_order_acquire) ? UpdateList() : InsertNewList();
        if (rc != SQLITE_OK)
            return FailureExit(rc);
        m_entry.listed.store(true, std::memory_order_release);
        return SQLITE_OK;
    }

private:
    static int Exec(const char* text)
    {
        ErrorText error;
        return ExecStatement(text, &error);
    }
    static int Exec(const StatementText& statement)
    {
        ErrorText error;
        return ExecStatement(statement, &error);
    }

    bool InRange(std::size_t position) const
    {
        const long long p = static_cast<long long>(position);
        return p >= m_first && p <= m_last;
    }

    void AppendHistory(std::size_t position, std::int32_t free, std::int32_t testWrong, std::int32_t testAsked)
    {
        if (!InRange(position))
            return;
        const WordCard& card = m_entry.cards[position];
        DrillHistory.push_back(
            HistoryEntry{card.word, free, testWrong, testAsked, card.level, static_cast<std::int32_t>(position)});
    }

    // Inside the transaction opened by Run; commits it. A word table that
    // is there without its control row (made by something else, or left
    // from a file whose control was lost) cannot be created again. Rolled
    // back, its list would fail the same way at the first Start of every
    // run and its range would never be stored; instead the row just inserted
    // is kept and the table is synchronised as a stored one, counters and all.
    int InsertNewList()
    {
        int rc = Exec(FormatStatement(sql::kInsertControl, m_quotedName.c_str(), m_entry.beg, m_entry.end));
        if (rc != SQLITE_OK)
            return rc;
        rc = Exec(FormatStatement(sql::kCreateTable, m_table.c_str()));
        if (rc != SQLITE_OK)
            return TableExists(m_name) ? SyncStoredTable() : rc;
        return FillNewTable();
    }

    // The created table filled with the whole list; commits the transaction.
    int FillNewTable()
    {
        for (std::size_t p = 0; p < m_entry.cards.size(); ++p) {
            AppendHistory(p, 0, 0, 0);
            const int rc =
                Exec(FormatStatement(sql::kInsertNewWord, m_table.c_str(), QuoteWord(m_entry.cards[p].word).c_str()));
            if (rc != SQLITE_OK)
                return rc;
        }
        return Exec(sql::kCommit);
    }

    // Inside the transaction opened by Run. The range is committed on its
    // own, so that it survives whatever the table turns out to hold. A
    // control row can be missing here too (a new list whose first
    // synchronisation failed, a row deleted behind the program's back); it
    // is inserted, or the range would never be stored.
    int UpdateList()
    {
        int rc = Exec(FormatStatement(sql::kUpdateControl, m_entry.beg, m_entry.end, m_quotedName.c_str()));
        if (rc == SQLITE_OK && sqlite3_changes(Database) == 0)
            rc = Exec(FormatStatement(sql::kInsertControl, m_quotedName.c_str(), m_entry.beg, m_entry.end));
        if (rc != SQLITE_OK)
            return rc;
        return SyncStoredTable();
    }

    // Commits the open transaction, which holds the control row, then
    // brings the stored table in line with the list.
    int SyncStoredTable()
    {
        int rc = Exec(sql::kCommit);
        if (rc != SQLITE_OK)
            return rc;
        std::size_t kept = 0;
        std::vector<std::optional<std::string>> staleWords;
        if (!ReadTable(kept, staleWords))
            return TableIsMissing(m_name) ? RecreateTable() : kQueryFailed;
        rc = Exec(sql::kBegin);
        if (rc != SQLITE_OK)
            return rc;
        for (const std::optional<std::string>& word : staleWords) {
            rc = Exec(word ? FormatStatement(sql::kDeleteWord, m_table.c_str(), QuoteWord(*word).c_str())
                           : FormatStatement(sql::kDeleteNullWord, m_table.c_str()));
            if (rc != SQLITE_OK)
                return rc;
        }
        InsertTail(kept);
        return Exec(sql::kCommit);
    }

    // The control row is there but the table is gone (dropped behind the
    // program's back, or never made). Taken as stored, the list would fail
    // here at every Start and every drill's counters would be lost; the
    // table is made again as for a new list.
    int RecreateTable()
    {
        int rc = Exec(sql::kBegin);
        if (rc == SQLITE_OK)
            rc = Exec(FormatStatement(sql::kCreateTable, m_table.c_str()));
        if (rc != SQLITE_OK)
            return rc;
        return FillNewTable();
    }

    // Keeps the longest head of the table that matches the list word for
    // word; every row after the first difference is stale, even one that
    // would match a later card, so the rows stay in list order. A NULL word
    // matches no card; it is kept apart, since only its own statement can
    // delete it, and a row left behind would be the first difference again
    // at every Start, taking the counters of every word after it.
    bool ReadTable(std::size_t& kept, std::vector<std::optional<std::string>>& staleWords)
    {
        const Statement query = PrepareQuery(FormatStatement(sql::kSelectList, m_table.c_str()));
        int rc = StepQuery(query);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            return false;
        bool mismatch = false;
        for (; rc == SQLITE_ROW; rc = StepQuery(query)) {
            std::optional<std::string> stored;
            if (!ColumnIsNull(query, 0))
                stored = ColumnText(query, 0);
            if (mismatch || kept >= m_entry.cards.size()) {
                staleWords.push_back(std::move(stored));
            } else if (stored != m_entry.cards[kept].word) {
                staleWords.push_back(std::move(stored));
                mismatch = true;
            } else {
                AppendHistory(kept, ColumnInt(query, 1), ColumnInt(query, 2), ColumnInt(query, 3));
                ++kept;
            }
        }
        return true;
    }

    // A failing insert (a word twice in the list breaks the primary key)
    // ends the insertions; what was inserted before it is still committed.
    void InsertTail(std::size_t from)
    {
        for (std::size_t p = from; p < m_entry.cards.size(); ++p) {
            const StatementText insert =
                FormatStatement(sql::kInsertWord, m_table.c_str(), QuoteWord(m_entry.cards[p].word).c_str());
            AppendHistory(p, 0, 0, 0);
            if (Exec(insert) != SQLITE_OK)
                return;
        }
    }

    // `listed` becomes true whatever the outcome: the next Start then takes
    // the update branch instead of creating the table a second time.
    int FailureExit(int rc)
    {
        m_entry.listed.store(true, std::memory_order_release);
        ExecStatement(sql::kRollback);
        return rc == kQueryFailed ? SQLITE_OK : rc;
    }

    // A failed table query ends the run with 0, as a run that had nothing to
    // report; it still goes through the failure exit.
    static constexpr int kQueryFailed = -1;

    WordListState& m_entry;
    const std::string m_name;
    const std::string m_table;
    const std::string m_quotedName;
    // The range as 0-based card positions, taken once when the run begins.
    const long long m_first;
    const long long m_last;
};

} // namespace

int ListSyncThread(WordListState* entry, std::string listName)
{
    std::lock_guard lock(StoreLock);
    DrillHistory.clear();
    entry->lastSyncResult = ListSync(*entry, listName).Run();
    return entry->lastSyncResult;
}

void StartListSync(WordListState& entry, const std::string& listName)
{
    WaitForListSync();
    try {
        Holder().thread = std::thread(ListSyncThread, &entry, listName);
    } catch (const std::system_error&) {
        // No thread to be had: synchronise here rather than lose the range
        // and the counters of this Start.
        ListSyncThread(&entry, listName);
    }
}

void WaitForListSync()
{
    if (Holder().thread.joinable())
        Holder().thread.join();
}
