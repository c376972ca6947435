// save.db on a small filesystem of the test's own that fills up at either
// moment a drill writes: its Start's synchronisation, or its write-back.
// The learner is told, and once space is freed the next Start or the exit
// stores the drill, whole and once.
#include "DrillBarHarness.h"

#include "store/Database.h"
#include "store/ListSync.h"
#include "store/StoreWork.h"
#include "store/WordStore.h"
#include "support/TestDatabase.h"

#include <QTemporaryDir>
#include <cerrno>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <thread>
#include <tuple>
#include <unistd.h>

using namespace drilltest;

namespace {

using Rows = std::vector<std::vector<std::string>>;

// A tmpfs of 1 MiB, mounted for the test's life (root only).
class SmallDisk {
public:
    SmallDisk() { m_mounted = ::mount("tmpfs", Path().c_str(), "tmpfs", 0, "size=1m,mode=0700") == 0; }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(Path().c_str(), MNT_DETACH);
    }
    bool Mounted() const { return m_mounted; }
    std::string Path() const { return m_dir.path().toStdString(); }

    // Writes a filler until the filesystem refuses another byte.
    void Fill()
    {
        const int fd = ::open(Filler().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        const std::string block(4096, 'x');
        for (std::size_t size = block.size(); size > 0; size /= 2)
            while (::write(fd, block.data(), size) == static_cast<ssize_t>(size)) {
            }
        EXPECT_EQ(errno, ENOSPC);
        ::close(fd);
    }
    void Free() { ::unlink(Filler().c_str()); }

private:
    std::string Filler() const { return Path() + "/filler"; }

    QTemporaryDir m_dir;
    bool m_mounted = false;
};

enum class FullAt { FirstSynchronisation, WriteBack };
enum class NextChance { Start, Exit };
using Moment = std::tuple<FullAt, NextChance>;

std::string Name(const Moment& moment)
{
    return std::string(std::get<FullAt>(moment) == FullAt::WriteBack ? "AtWriteBack" : "AtFirstSynchronisation") +
           (std::get<NextChance>(moment) == NextChance::Start ? "_NextStart" : "_Exit");
}
void PrintTo(const Moment& moment, std::ostream* out) { *out << Name(moment); }

class FullDisk : public ::testing::TestWithParam<Moment> {
protected:
    void SetUp() override
    {
        if (!disk.Mounted())
            GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
        TestDatabase::ResetWordStore();
        ASSERT_EQ(OpenDatabase((disk.Path() + "/save.db").c_str()), SQLITE_OK);
        EnsureControlTable();
        list = &FindOrInsertWordList("TOEIC");
        list->cards = ThreeCards();
        list->count = 3;
    }
    void TearDown() override
    {
        WaitForListSync();
        CloseDatabase();
        TestDatabase::ResetWordStore();
    }

    // A Start on the whole list, as the main dialog makes it, and a free
    // drill in which every card is marked known.
    void Drill()
    {
        StartListSyncWithRange(*list, "TOEIC", 1, 3);
        ASSERT_EQ(bar.SelectCards(list->cards, 0, 2), 0);
        bar.m_mode = CKadoDlg::kFree;
        std::snprintf(bar.m_listName, sizeof bar.m_listName, "%s", "TOEIC");
        harness.Run(bar, [](CKadoDlg& b) {
            for (int n = 0; n < 3; ++n) {
                TickMark(b);
                PressNext(b);
            }
        });
    }

    static Rows Query(const char* text)
    {
        Rows rows;
        const Statement query = PrepareQuery(text);
        for (int rc = StepQuery(query); rc == SQLITE_ROW; rc = StepQuery(query)) {
            auto& row = rows.emplace_back();
            for (int column = 0; column < sqlite3_column_count(query.get()); ++column)
                row.push_back(ColumnText(query, column));
        }
        return rows;
    }

    SmallDisk disk;
    WordListState* list = nullptr;
    CKadoDlg bar;
    DrillHarness harness;
};

TEST_P(FullDisk, ToldAtTheDrillsEnd_StoredWholeAtTheNextChanceOnceSpaceIsFree)
{
    const auto [fullAt, nextChance] = GetParam();
    if (fullAt == FullAt::FirstSynchronisation)
        disk.Fill();
    harness.modal.onBox = [this, fullAt](const ModalSeam::MessageBoxCall& box) {
        if (fullAt == FullAt::WriteBack && box.text == kDrillOver)
            disk.Fill();
    };
    Drill();

    const auto& boxes = harness.modal.Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, NotSavedText(QString::fromUtf8(kDiskFullText)));
    ASSERT_EQ(harness.resultRuns.size(), 1u) << "the result dialog follows the box";
    EXPECT_EQ(harness.resultRuns[0].counts, (std::map<std::string, std::int32_t>{{"apple", 1}, {"book", 1}, {"cat", 1}}));
    EXPECT_EQ(KeptDrillCount(), 1u);

    disk.Free();
    std::string expectedFree = "1";
    if (nextChance == NextChance::Start) {
        harness.modal.Clear();
        harness.modal.onBox = {};
        Drill();
        EXPECT_EQ(harness.modal.Texts(), (std::vector<QString>{kAskNextPass, kDrillOver}));
        expectedFree = "2";
    } else {
        std::thread noPreload;
        const StoreClosed closed = CloseStore(noPreload);
        EXPECT_EQ(closed.drillsLost, 0u);
        ASSERT_EQ(OpenDatabase((disk.Path() + "/save.db").c_str()), SQLITE_OK);
    }

    EXPECT_EQ(KeptDrillCount(), 0u);
    EXPECT_EQ(Query("SELECT word, free FROM TOEIC ORDER BY rowid"),
              (Rows{{"apple", expectedFree}, {"book", expectedFree}, {"cat", expectedFree}}));
    EXPECT_EQ(Query("SELECT * FROM control"), (Rows{{"TOEIC", "1", "3"}}));
    EXPECT_EQ(Query("PRAGMA integrity_check"), (Rows{{"ok"}}));
}

INSTANTIATE_TEST_SUITE_P(Moments, FullDisk,
                         ::testing::Combine(::testing::Values(FullAt::FirstSynchronisation, FullAt::WriteBack),
                                            ::testing::Values(NextChance::Start, NextChance::Exit)),
                         [](const auto& info) { return Name(info.param); });

} // namespace
