#pragma once
// Shared pieces of the benchmarks: the folders the database cases run in,
// connections for the floor loops, word data of any size, manual timing.
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "store/WordStore.h"

struct sqlite3;
struct sqlite3_stmt;

// A folder for database files, named by the file system it lives on
// ("tmpfs", "disk"). Set from the command line before registration.
struct BenchFolder {
    std::string label;
    std::string path;
};
std::vector<BenchFolder>& BenchFolders();
// Takes --folder=LABEL:PATH arguments out of the command line (creating the
// folders); without any, a tmpfs and a disk folder are used.
void TakeBenchFolders(int& argc, char** argv);

// The floor loops get a connection of their own, opened the way the program
// opens save.db (default journal, the same busy timeout), on a file of their
// own in the same folder.
struct SqliteClose {
    void operator()(sqlite3* db) const;
};
using Connection = std::unique_ptr<sqlite3, SqliteClose>;
Connection OpenFreshConnection(const std::string& path);
void MustExec(sqlite3* db, const char* text);
// The floors' exec: the error text is asked for and released, as the
// program does.
int ExecFloor(sqlite3* db, const char* text);

// A statement of the prepared floor, prepared once and reused.
struct StatementFinalize {
    void operator()(sqlite3_stmt* statement) const;
};
using Prepared = std::unique_ptr<sqlite3_stmt, StatementFinalize>;
Prepared Prepare(sqlite3* db, const char* text);
// One step of a statement without rows, then reset for the next use.
int StepOnce(sqlite3_stmt* statement);

// The list's control row (range 1..all) and its word table, filled with the
// cards in list order, as the first synchronisation leaves them.
void MakeListTable(sqlite3* db, const char* name, const std::vector<WordCard>& cards);

void RemoveDatabaseFiles(const std::string& path);

// The thirty cards of built-in list `listIndex`, as the preload makes them.
std::vector<WordCard> BuiltinCards(int listIndex);
// n distinct words with meanings and transcriptions of built-in length.
std::vector<WordCard> SyntheticCards(std::size_t n);
// An entry as Start leaves it for the synchronisation: the cards, the
// whole list as range, not yet listed.
void FillEntry(WordListState& entry, std::vector<WordCard> cards);

// CPU time of the calling thread. On a machine shared with other work the
// wall time also measures the neighbours; the thread's CPU time does not
// (but misses the time spent waiting for the disk).
double ThreadCpuSeconds();

// Runs `work` once per iteration and reports only its own time, so that the
// per-iteration reset (dropping a table, refilling the registry) is not
// counted: wall time as the benchmark's time, the thread's CPU time as the
// counter "cpu" (seconds per iteration).
template <typename Reset, typename Work>
void TimeIterations(benchmark::State& state, Reset reset, Work work)
{
    double cpu = 0;
    for (auto _ : state) {
        reset();
        const double cpuStart = ThreadCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        work();
        const auto stop = std::chrono::steady_clock::now();
        cpu += ThreadCpuSeconds() - cpuStart;
        state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    }
    state.counters["cpu"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}
