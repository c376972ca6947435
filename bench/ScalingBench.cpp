// Synthetic lists far beyond the built-in thirty words, to see whether the
// cost per word stays flat: the selection, the first synchronisation, a
// whole test drill with every answer right, a whole free drill with every
// word marked known in one pass, and the write-back at the end of each.
// Database files live on the first folder given (tmpfs by default), so the
// figures show the work, not the disk.
#include "BenchSupport.h"
#include "ProgramDatabase.h"
#include "DrillBench.h"
#include "DrillRunner.h"

#include "drill/CKadoDlg.h"
#include "drill/DrillSelection.h"
#include "store/Database.h"
#include "store/ListSync.h"

#include <cstdio>
#include <sqlite3.h>

namespace {

constexpr char kListName[] = "SCALE";
constexpr std::int64_t kSizes[] = {30, 1000, 10000, 100000};

std::string ScalingDatabase(const char* name)
{
    return BenchFolders().front().path + "/" + name;
}

void Select(benchmark::State& state)
{
    const auto words = static_cast<std::size_t>(state.range(0));
    const std::vector<WordCard> cards = SyntheticCards(words);
    DrillSelection drill;
    for (auto _ : state)
        benchmark::DoNotOptimize(drill.SelectCards(cards, 0, static_cast<std::int32_t>(words) - 1));
    if (drill.m_passCards.size() != words)
        state.SkipWithError("selection lost words");
}

void FirstSync(benchmark::State& state)
{
    ProgramDatabase db(ScalingDatabase("scaling-sync.db"));
    WordListState entry;
    FillEntry(entry, SyntheticCards(static_cast<std::size_t>(state.range(0))));
    int rc = 0;
    TimeIterations(
        state,
        [&] {
            MustExec(Database, "DROP TABLE IF EXISTS SCALE");
            MustExec(Database, "DELETE FROM control");
            entry.listed = false;
        },
        [&] { rc |= ListSyncThread(&entry, kListName); });
    if (rc != SQLITE_OK || DrillHistory.size() != entry.cards.size())
        state.SkipWithError("synchronisation failed");
}

// One whole drill per iteration. The benchmark's time is the drill without
// its write-back; the write-back is the counter "write_back" (seconds),
// CPU times of both are "cpu" and "write_back_cpu".
void Drill(benchmark::State& state, std::int32_t mode)
{
    const auto words = static_cast<std::size_t>(state.range(0));
    ProgramDatabase db(ScalingDatabase(mode == CKadoDlg::kTest ? "scaling-test.db" : "scaling-free.db"));
    const std::vector<WordCard> cards = SyntheticCards(words);
    MakeListTable(Database, kListName, cards);
    CKadoDlg bar;
    DrillRunner runner;
    double writeBack = 0;
    double writeBackCpu = 0;
    double cpu = 0;
    for (auto _ : state) {
        bar.SelectCards(cards, 0, static_cast<std::int32_t>(words) - 1);
        bar.m_mode = mode;
        std::snprintf(bar.m_listName, sizeof bar.m_listName, "%s", kListName);
        runner.Run(bar, mode == CKadoDlg::kTest ? AnswerEveryCardRight : MarkEveryCardKnown);
        if (!runner.ResultDialogRan()) {
            state.SkipWithError("the drill did not reach its end");
            break;
        }
        state.SetIterationTime(runner.ScriptSeconds() - runner.WriteBackSeconds());
        writeBack += runner.WriteBackSeconds();
        writeBackCpu += runner.WriteBackCpuSeconds();
        cpu += runner.ScriptCpuSeconds() - runner.WriteBackCpuSeconds();
    }
    state.counters["write_back"] = benchmark::Counter(writeBack, benchmark::Counter::kAvgIterations);
    state.counters["write_back_cpu"] = benchmark::Counter(writeBackCpu, benchmark::Counter::kAvgIterations);
    state.counters["cpu"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}


} // namespace

void RegisterScalingBenchmarks()
{
    for (const std::int64_t words : kSizes) {
        benchmark::RegisterBenchmark("scaling/select", Select)->Arg(words);
        auto* sync = benchmark::RegisterBenchmark("scaling/first_sync", FirstSync)->Arg(words)->UseManualTime();
        auto* test = benchmark::RegisterBenchmark("scaling/test_drill", Drill, CKadoDlg::kTest)->Arg(words)->UseManualTime();
        auto* free = benchmark::RegisterBenchmark("scaling/free_drill", Drill, CKadoDlg::kFree)->Arg(words)->UseManualTime();
        // One run of a large size lasts long enough to measure (up to half a
        // minute for the free drill of 100 000 words); three give a median.
        if (words >= 10000)
            for (auto* benchmark : {sync, test, free})
                benchmark->Iterations(1)->Repetitions(3);
    }
}
