// The synchronisation against the reference model of what it must leave
// behind (support/ListSyncModel.h), over many random cases.
#include "support/ListSyncModel.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <random>

TEST(ListSyncModelTest, ListSync_RandomCases_AgreeWithReferenceModel)
{
    TestDatabase db;
    // Rounds share one file; nothing here needs it to survive a power cut.
    db.Exec("PRAGMA synchronous = OFF");
    std::mt19937 random(20240611);
    const auto between = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (int round = 0; round < 500; ++round) {
        const listsync::Case c = listsync::DrawCase(between);
        ASSERT_EQ(listsync::Check(c), "") << "round " << round << ": " << listsync::Describe(c);
    }
}
