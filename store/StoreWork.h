#pragma once
// The store work that the windows set off: a Start's range and its
// synchronisation, a drill's write-back, and the close at the program's end.
// Free of widgets, so that a process without windows (the crash test's
// worker) runs this very code rather than a copy of it.
#include "store/WordStore.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

// A Start on the list: words first..last (1-based) become its range, and a
// synchronisation thread stores the range and brings the table in line.
// The previous synchronisation reads the range while it runs, so it has
// ended before the range changes.
void StartListSyncWithRange(WordListState& list, const std::string& name, std::int32_t first, std::int32_t last);

// How a drill's write-back ended. The learner is told nothing either way.
enum class WriteBackResult { Committed, BeginFailed, UpdateFailed, CommitFailed };

// A drill's end: one transaction of one UPDATE per word, in key order; a
// test drill's count of n answers adds n - 1 wrong ones and n answers, any
// other drill's count adds to free. Either every count reaches the table or
// none does.
WriteBackResult WriteBackDrill(std::string_view listName, bool testMode, const WordCounts& counts);

// The program's last store work. No thread may still use the connection
// when it closes: the preload is joined and the last synchronisation waited
// for first.
void CloseStore(std::thread& preload);
