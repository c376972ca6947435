// The write-back of a 30-word test drill (every answer right at the first
// try: one UPDATE per word, in the map's order, in one transaction) beside
// its floors. The program's figure is taken from a real drill run: from the
// moment the write-back's BEGIN reaches the store to the modal run of the
// result dialog right after it. It runs after a drill's worth of widget
// work, with the database code's caches cold; measured back to back in a
// loop, the same statements run about a quarter faster. So each floor runs
// after the same drill too (ended by closing the bar, which writes
// nothing): like is compared with like.
#include "BenchSupport.h"
#include "ProgramDatabase.h"
#include "DrillBench.h"
#include "DrillRunner.h"

#include "drill/CKadoDlg.h"
#include "store/BuiltinLists.h"
#include "store/Database.h"

#include <cstdio>
#include <map>
#include <mutex>
#include <sqlite3.h>

namespace {

constexpr char kListName[] = "DUO";
using Folder = const BenchFolder&;

WordCounts CountsOfOneRightAnswer(const std::vector<WordCard>& cards)
{
    WordCounts counts;
    for (const WordCard& card : cards)
        counts.emplace(card.word, 1);
    return counts;
}

void WriteBack_Program(benchmark::State& state, Folder folder)
{
    ProgramDatabase db(folder.path + "/writeback-program.db");
    const std::vector<WordCard> cards = BuiltinCards(0);
    MakeListTable(Database, kListName, cards);
    CKadoDlg bar;
    DrillRunner runner;
    double cpu = 0;
    for (auto _ : state) {
        bar.SelectCards(cards, 0, kBuiltinWordsPerList - 1);
        bar.m_mode = CKadoDlg::kTest;
        std::snprintf(bar.m_listName, sizeof bar.m_listName, "%s", kListName);
        runner.Run(bar, AnswerEveryCardRight);
        if (!runner.ResultDialogRan()) {
            state.SkipWithError("the drill did not reach its end");
            break;
        }
        state.SetIterationTime(runner.WriteBackSeconds());
        cpu += runner.WriteBackCpuSeconds();
    }
    state.counters["cpu"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}

// A 30-card test drill answered right up to its last card, then closed.
class DrillBefore {
public:
    explicit DrillBefore(const std::vector<WordCard>& cards) : m_cards(cards) {}
    void operator()()
    {
        m_bar.SelectCards(m_cards, 0, static_cast<std::int32_t>(m_cards.size()) - 1);
        m_bar.m_mode = CKadoDlg::kTest;
        std::snprintf(m_bar.m_listName, sizeof m_bar.m_listName, "%s", kListName);
        m_runner.Run(m_bar, AnswerEveryCardRightWithoutEnding);
    }

private:
    const std::vector<WordCard>& m_cards;
    CKadoDlg m_bar;
    DrillRunner m_runner;
};

void WriteBack_Exec(benchmark::State& state, Folder folder)
{
    Connection connection = OpenFreshConnection(folder.path + "/writeback-exec.db");
    sqlite3* db = connection.get();
    const std::vector<WordCard> cards = BuiltinCards(0);
    MakeListTable(db, kListName, cards);
    const WordCounts counts = CountsOfOneRightAnswer(cards);
    std::mutex lock;
    int rc = 0;
    DrillBefore drill(cards);
    TimeIterations(
        state, [&] { drill(); },
        [&] {
            std::lock_guard guard(lock);
            char text[kStatementBufferSize];
            rc |= ExecFloor(db, sql::kBegin);
            for (const auto& [word, count] : counts) {
                std::snprintf(text, sizeof text, sql::kUpdateTest, kListName, count - 1, count, word.c_str());
                rc |= ExecFloor(db, text);
            }
            rc |= sqlite3_exec(db, sql::kCommit, nullptr, nullptr, nullptr);
        });
    if (rc != SQLITE_OK)
        state.SkipWithError("floor failed");
}

void WriteBack_Prepared(benchmark::State& state, Folder folder)
{
    Connection connection = OpenFreshConnection(folder.path + "/writeback-prepared.db");
    sqlite3* db = connection.get();
    const std::vector<WordCard> cards = BuiltinCards(0);
    MakeListTable(db, kListName, cards);
    const WordCounts counts = CountsOfOneRightAnswer(cards);
    const Prepared begin = Prepare(db, sql::kBegin);
    const Prepared commit = Prepare(db, sql::kCommit);
    const Prepared update = Prepare(db, "UPDATE DUO SET test_w = test_w+?, test_a = test_a+? WHERE word = ?");
    std::mutex lock;
    int rc = 0;
    DrillBefore drill(cards);
    TimeIterations(
        state, [&] { drill(); },
        [&] {
            std::lock_guard guard(lock);
            rc |= StepOnce(begin.get()) != SQLITE_DONE;
            for (const auto& [word, count] : counts) {
                sqlite3_bind_int(update.get(), 1, count - 1);
                sqlite3_bind_int(update.get(), 2, count);
                sqlite3_bind_text(update.get(), 3, word.data(), static_cast<int>(word.size()), SQLITE_STATIC);
                rc |= StepOnce(update.get()) != SQLITE_DONE;
            }
            rc |= StepOnce(commit.get()) != SQLITE_DONE;
        });
    if (rc != SQLITE_OK)
        state.SkipWithError("floor failed");
}

} // namespace

void RegisterWriteBackBenchmarks()
{
    using Function = void (*)(benchmark::State&, Folder);
    const std::pair<const char*, Function> variants[] = {
        {"program", WriteBack_Program}, {"exec", WriteBack_Exec}, {"prepared", WriteBack_Prepared}};
    for (const BenchFolder& folder : BenchFolders())
        for (const auto& [name, function] : variants)
            benchmark::RegisterBenchmark(("store/write_back/" + std::string(name) + "/" + folder.label).c_str(),
                                         function, folder)
                ->UseManualTime()
                // Each iteration also runs a drill, which is not measured.
                ->MinTime(0.1);
}
