#pragma once
// The store work that the windows set off: a Start's range and its
// synchronisation, a drill's write-back and the drills kept when it failed,
// and the close at the program's end.
// Free of widgets, so that a process without windows (the crash test's
// worker) runs this very code rather than a copy of it.
#include "store/WordStore.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

// How a drill's write-back ended.
enum class WriteBackResult { Committed, BeginFailed, UpdateFailed, CommitFailed };

// A drill's end: one transaction of one UPDATE per word, in key order; a
// test drill's count of n answers adds n - 1 wrong ones and n answers, any
// other drill's count adds to free. Either every count reaches the table or
// none does. `resultCode`, when given, receives SQLite's code for the
// failing statement (SQLITE_OK when committed).
WriteBackResult WriteBackDrill(std::string_view listName, bool testMode, const WordCounts& counts,
                               int* resultCode = nullptr);

// A finished drill's counts are kept here from the moment the learner sees
// the drill end until they are in save.db. A write-back that fails (a full
// disk, the file held by another program, a read-only file, a table that
// its synchronisation could not make) leaves them here to be written at the
// next chance: the next Start, the next drill's end, the end of the session
// or the program. Each kept drill is one transaction of its own, dropped
// only once committed, so nothing is counted twice or written in part.
// User-interface thread only.
void KeepDrill(std::string_view listName, bool testMode, const WordCounts& counts);

// Whether the kept drills may re-run a list's synchronisation to make the
// table it could not make before. Never while a drill's result dialog shows
// DrillHistory, which the synchronisation refills.
enum class MissingTables { Leave, Make };

// Writes the kept drills in the order they ended. Returns SQLITE_OK when
// none is left, otherwise the cause of the first that is still kept: the
// synchronisation's code when its table could not be made, else that of the
// statement that failed.
int WriteKeptDrills(MissingTables missingTables);
std::size_t KeptDrillCount();

// A Start on the list: the kept drills are written first, while no
// synchronisation runs, then words first..last (1-based) become its range,
// and a synchronisation thread stores the range and brings the table in
// line. The previous synchronisation reads the range while it runs, so it
// has ended before the range changes.
void StartListSyncWithRange(WordListState& list, const std::string& name, std::int32_t first, std::int32_t last);

// The program's last store work: the kept drills get their last chance, and
// what still cannot be written is dropped with the connection. No thread may
// still use the connection when it closes: the preload is joined and the
// last synchronisation waited for first. Returns what WriteKeptDrills did,
// with the number of drills lost.
struct StoreClosed {
    int cause = 0;
    std::size_t drillsLost = 0;
};
StoreClosed CloseStore(std::thread& preload);

// Forgets the kept drills without writing them (a closed or replaced
// database).
void DropKeptDrills();
