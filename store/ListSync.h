#pragma once
#include <string>

struct WordListState;

// Brings the list's table in save.db in line with the list held in memory,
// stores the chosen range (entry->beg, entry->end) and refills DrillHistory,
// all under StoreLock. `listName` is the thread's own copy of the name, so
// nothing depends on the caller's storage. entry->listed is true when it
// returns. Returns 0 or the failing statement's result code.
int ListSyncThread(WordListState* entry, std::string listName);

// One synchronisation thread at a time, owned here and never detached.
// StartListSync first waits for the previous one, so threads run in Start
// order and never overlap. The caller writes entry.beg and entry.end only
// after WaitForListSync(): the previous thread may still be reading them.
void StartListSync(WordListState& entry, const std::string& listName);

// Waits until the synchronisation started last has finished (nothing to do
// when none runs). Called before the range is rewritten, before the results
// of a drill are written, and before the database closes. Never call it
// while holding StoreLock: the thread's first step is to take that lock.
// Waiting on StoreLock alone is not enough before writing results: a short
// drill can end before the thread has taken the lock, and the late thread
// would then empty DrillHistory under the result dialog.
void WaitForListSync();
