// save.db as a file SQLite cannot read or write meets the store: not a
// database, empty, unwritable, or locked longer than the busy timeout.
// Nothing crashes or waits beyond the timeout, no built-in list's table is
// dropped, and the learner can drill on; where the file allows it, the next
// Start and the next write-back work.
#include "HostileDatabase.h"

namespace {

using namespace hostile_db;

// ---- files SQLite cannot read or write -------------------------------------

TEST(HostileDatabaseTest, NotADatabase_StartsAndDrillsOnWithoutTouchingTheBytes)
{
    HostileFolder folder;
    const std::string bytes = hostile::Noise();
    folder.WriteBytes(bytes);
    StatementLog log;

    EXPECT_EQ(StartUp(folder), 0);

    EXPECT_EQ(log.Take(), (Texts{kCreateControl, kQuery}));
    EXPECT_TRUE(listsLoaded.load());
    EXPECT_TRUE(controlLoaded.load());
    EXPECT_EQ(Ranges(), RangesExcept({}));

    const DrillOutcome first = Drill("DUO", 1, 31);
    EXPECT_EQ(first.result, WriteBack::UpdateFailed);
    EXPECT_EQ(first.history, History{});
    ExpectDrillingGoesOn("DUO");
    const DrillOutcome second = Drill("DUO", 2, 5);
    EXPECT_EQ(second.result, WriteBack::UpdateFailed);

    const std::string firstUpdate = FreeWriteBack("DUO", 1, 31)[1];
    EXPECT_EQ(log.Take(), (Texts{kBegin, "INSERT INTO control VALUES('DUO', 1, 31)", kRollback,  //
                                 kBegin, firstUpdate, kRollback,                                  //
                                 kBegin, ControlUpdate(2, 5, "DUO"), kRollback,                   //
                                 kBegin, FreeWriteBack("DUO", 2, 5)[1], kRollback}));
    ExpectDrillingGoesOn("DUO");
    EXPECT_EQ(folder.Bytes(), bytes);
}

TEST(HostileDatabaseTest, EmptyFile_BecomesAWorkingSaveDb)
{
    HostileFolder folder;
    folder.WriteBytes("");

    EXPECT_EQ(StartUp(folder), 0);
    EXPECT_EQ(Ranges(), RangesExcept({}));
    const DrillOutcome drill = Drill("DUO", 3, 7);

    EXPECT_EQ(drill.result, WriteBack::Committed);
    EXPECT_EQ(drill.history, ZeroHistory("DUO", 3, 7));
    EXPECT_EQ(folder.Control(), (Table{{"DUO", "3", "7"}}));
    Table expected;
    for (int p = 0; p < kBuiltinWordsPerList; ++p)
        expected.push_back(Row(Word("DUO", p), p >= 2 && p <= 6 ? 1 : 0, 0, 0));
    EXPECT_EQ(folder.ListTable("DUO"), expected);
    ExpectDrillingGoesOn("DUO");
}

// A file that may be read but not written, or a folder where the rollback
// journal cannot be made: stored ranges show, every write fails and is
// rolled back, and the file stays as it was.
TEST(HostileDatabaseTest, Unwritable_ReadsRangesAndDrillsOnWithoutWriting)
{
    struct Case {
        const char* what;
        bool folder; // the folder is unchangeable, not the file
    };
    for (const Case& c : {Case{"read-only file", false}, Case{"read-only folder", true}}) {
        SCOPED_TRACE(c.what);
        HostileFolder folder;
        folder.Build(Concat({{"CREATE TABLE control(listname, beg, end)", "INSERT INTO control VALUES('DUO', 2, 9)"},
                             WordTable("DUO")}));
        const std::string bytes = folder.Bytes();
        if (!folder.MakeImmutable(c.folder ? folder.Dir() : folder.Path()))
            GTEST_SKIP() << "no way to make a file unchangeable here";
        StatementLog log;

        EXPECT_EQ(StartUp(folder), 0);
        EXPECT_EQ(log.Take(), Texts{kQuery});
        EXPECT_EQ(Ranges(), RangesExcept({{"DUO", true, 2, 9}}));

        const DrillOutcome drill = Drill("DUO", 1, 31, Mode::Test, 2);

        EXPECT_EQ(drill.result, WriteBack::UpdateFailed);
        EXPECT_EQ(drill.history, History{});
        EXPECT_EQ(log.Take(), (Texts{kBegin, ControlUpdate(1, 31, "DUO"), kRollback, kBegin,
                                     "UPDATE DUO SET test_w = test_w+1, test_a = test_a+2 WHERE word = '" + FirstKey("DUO") + "'",
                                     kRollback}));
        ExpectDrillingGoesOn("DUO");
        CloseDatabase();
        EXPECT_EQ(folder.Bytes(), bytes);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Dir()), {}), 1);
    }
}

// Another process holds save.db for longer than the busy timeout: each
// statement gives up after the timeout (the lock is still held when it
// returns), nothing is half done, and once the lock goes the next Start
// and the next write-back work.
TEST(HostileDatabaseTest, LockedLongerThanTheBusyTimeout_GivesUpThenWorksOnceFree)
{
    HostileFolder folder;
    folder.Build(Concat({{"CREATE TABLE control(listname, beg, end)", "INSERT INTO control VALUES('DUO', 2, 9)"},
                         WordTable("DUO")}));
    hostile::LockHolder holder(folder.Path());
    ASSERT_TRUE(holder.Locked());

    ASSERT_EQ(OpenDatabase(folder.Path().c_str()), SQLITE_OK);
    // Four statements give up one after the other; a shorter wait than the
    // program's keeps the test short and changes nothing else.
    sqlite3_busy_timeout(Database, 1000);
    EnsureControlTable();
    EXPECT_EQ(PreloadThread(), 0);
    // The control rows could not be read: nothing counts as stored yet.
    EXPECT_EQ(Ranges(), RangesExcept({}));
    StatementLog log;
    const DrillOutcome locked = Drill("DUO", 1, 31);

    EXPECT_TRUE(holder.Holding()) << "the lock went before the statements gave up";
    EXPECT_EQ(locked.result, WriteBack::UpdateFailed);
    EXPECT_EQ(locked.history, History{});
    EXPECT_EQ(log.Take(), (Texts{kBegin, "INSERT INTO control VALUES('DUO', 1, 31)", kRollback, kBegin,
                                 FreeWriteBack("DUO", 1, 31)[1], kRollback}));
    ExpectDrillingGoesOn("DUO");

    holder.Release();
    const DrillOutcome free = Drill("DUO", 4, 6);

    EXPECT_EQ(free.result, WriteBack::Committed);
    EXPECT_EQ(free.history, StoredHistory("DUO", 4, 6));
    EXPECT_EQ(folder.Control(), (Table{{"DUO", "4", "6"}}));
    Table expected = StoredRows("DUO");
    for (int p = 3; p <= 5; ++p)
        expected[static_cast<std::size_t>(p)][1] = std::to_string(p + 1);
    EXPECT_EQ(folder.ListTable("DUO"), expected);
}

} // namespace
