// Many Starts, drills and write-backs in a row, with each Start's
// synchronisation thread racing the drill on the user-interface thread, the
// preload racing the main dialog's polling, and the program closing while a
// synchronisation still runs. Meant for the TSan build as much as for the
// plain one: every counter must still come out exact.
#include "store/BuiltinLists.h"
#include "store/Database.h"
#include "store/ListSync.h"
#include "store/Preload.h"
#include "store/StoreWork.h"
#include "store/WordStore.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <array>
#include <chrono>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Table = std::vector<std::vector<std::string>>;
using Counters = std::array<int, 3>; // free, test_w, test_a

// The preload on its own thread while this thread polls both flags as Start
// does, then reads the registry. The preload sets the flags one after the
// other, so seeing the first says nothing yet about the second. The thread
// is handed back unjoined, as the program leaves it until its close.
std::thread PreloadWhilePolling()
{
    std::thread preload(PreloadThread);
    while (!listsLoaded.load(std::memory_order_acquire) || !controlLoaded.load(std::memory_order_acquire))
        std::this_thread::yield();
    EXPECT_EQ(WordListRegistry.size(), static_cast<std::size_t>(kBuiltinListCount));
    return preload;
}

// A page of the statistics browser: its query, under StoreLock as the
// browser takes it, while the synchronisation may be running.
int BrowsePage(const std::string& name)
{
    std::lock_guard lock(StoreLock);
    const Statement query = PrepareQuery(FormatStatement(sql::kSelectPage, name.c_str(), 0, 30));
    int rows = 0;
    while (StepQuery(query) == SQLITE_ROW) {
        ColumnText(query, 0);
        ++rows;
    }
    return rows;
}

TEST(StressTest, StartsDrillsAndWriteBacks_RacingSynchronisations_EveryCounterExact)
{
    TestDatabase db;
    db.Exec("PRAGMA synchronous = OFF");
    PreloadWhilePolling().join();
    const std::vector<std::string> lists = {"DUO", "HS1", "MS2", "TOEIC"};
    std::map<std::string, std::map<std::string, Counters>> expected;
    std::mt19937 random(20240611);
    auto between = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };

    for (int start = 0; start < 2000 && !::testing::Test::HasFailure(); ++start) {
        const std::string& name = lists[static_cast<std::size_t>(between(0, static_cast<int>(lists.size()) - 1))];
        WordListState& list = *FindWordList(name);
        const int first = between(1, 30);
        const int last = between(first + 1, 31);
        StartListSyncWithRange(list, name, first, last);

        // The drill runs on this thread while the synchronisation works:
        // the selection reads the cards, the main dialog reads `listed`,
        // the learner may open the browser or end the drill at once.
        WordCounts counts;
        const bool test = between(0, 1) != 0;
        for (int p = first - 1; p < std::min(last, 30); ++p)
            counts[list.cards[static_cast<std::size_t>(p)].word] = between(1, 3);
        for (const auto& [other, state] : WordListRegistry)
            (void)state.listed.load(std::memory_order_acquire);
        switch (between(0, 3)) {
        case 0:
            break;
        case 1:
            std::this_thread::sleep_for(std::chrono::microseconds(between(0, 500)));
            break;
        default:
            if (list.listed.load())
                BrowsePage(name);
            break;
        }
        ASSERT_EQ(WriteBackDrill(name, test, counts), WriteBackResult::Committed) << "Start " << start;
        for (const auto& [word, count] : counts) {
            Counters& c = expected[name][word];
            if (test) {
                c[1] += count - 1;
                c[2] += count;
            } else {
                c[0] += count;
            }
        }
        // The result dialog reads DrillHistory and sets a level under the lock.
        ASSERT_EQ(DrillHistory.size(), counts.size());
        std::lock_guard lock(StoreLock);
        list.cards[static_cast<std::size_t>(first - 1)].level = between(0, 5);
    }

    WaitForListSync();
    for (const std::string& name : lists) {
        SCOPED_TRACE(name);
        const WordListState& list = *FindWordList(name);
        Table rows;
        for (const WordCard& card : list.cards) {
            const Counters c = expected[name][card.word];
            rows.push_back({card.word, std::to_string(c[0]), std::to_string(c[1]), std::to_string(c[2])});
        }
        if (expected.count(name)) {
            EXPECT_EQ(db.Rows("select word, free, test_w, test_a from " + name + " order by rowid"), rows);
        }
    }
    EXPECT_EQ(db.Rows("PRAGMA integrity_check"), Table{{"ok"}});
}

// The program's close right after a Start, the preload still unjoined: the
// close waits for both threads, so the list is stored whole every time.
TEST(StressTest, CloseRightAfterStart_ListStoredWholeEveryTime)
{
    for (int round = 0; round < 100 && !::testing::Test::HasFailure(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        TestDatabase db;
        std::thread preload = PreloadWhilePolling();
        const std::string name = kBuiltinListNames[round % kBuiltinListCount];
        StartListSyncWithRange(*FindWordList(name), name, 1 + round % 29, 31);

        CloseStore(preload);

        sqlite3* check = nullptr;
        ASSERT_EQ(sqlite3_open(db.Path().c_str(), &check), SQLITE_OK);
        std::swap(check, Database);
        EXPECT_EQ(db.Rows("select * from control"),
                  (Table{{name, std::to_string(1 + round % 29), "31"}}));
        EXPECT_EQ(db.Rows("select count(*) from " + name), Table{{"30"}});
        EXPECT_EQ(db.Rows("PRAGMA integrity_check"), Table{{"ok"}});
        std::swap(check, Database);
        sqlite3_close(check);
    }
}

} // namespace
