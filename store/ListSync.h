#pragma once
#include <string>

struct WordListState;

// Brings the list's table in save.db in line with the list held in memory,
// stores the chosen range and refills DrillHistory. `listName` is the
// thread's own copy of the name. Returns 0 or the failing statement's code.
int ListSyncThread(WordListState* entry, std::string listName);

// One synchronisation thread at a time, owned here and never detached.
// StartListSync first waits for the previous one, so threads run in Start
// order and never overlap.
void StartListSync(WordListState& entry, const std::string& listName);
// Waits until the synchronisation started last has finished (nothing to do
// when none runs). Called before the range is rewritten, before the results
// of a drill are written, and before the database closes.
void WaitForListSync();
