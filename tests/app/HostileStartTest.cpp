// The real program started on a hostile or broken save.db: it comes up and
// answers (its main dialog's event loop runs) or, where the file cannot be
// opened at all, ends with code 1 and one line on stderr. Start-up changes
// nothing it should not: no built-in list's table and no control is dropped.
#include "RealProgram.h"
#include "tools/HostileFolder.h"

#include <QProcess>
#include <QString>
#include <QThread>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace {

using hostile::Concat;
using hostile::HostileFolder;
using hostile::Table;
using hostile::WordTable;

// Every table of the file with all its rows, by table name.
Table Dump(const HostileFolder& folder)
{
    const std::string bytes = folder.Bytes();
    if (!bytes.empty() && bytes.rfind("SQLite format 3", 0) != 0)
        return {{"not a database"}};
    Table dump;
    for (const auto& table : folder.Tables()) {
        dump.push_back({"table", table[0]});
        for (auto& row : folder.Peek("select * from \"" + table[0] + "\" order by rowid"))
            dump.push_back(row);
    }
    return dump;
}

template <class Done> bool WaitUntil(Done done, int timeoutMs = 15000)
{
    for (int waited = 0; !done(); waited += 50) {
        if (waited > timeoutMs)
            return false;
        QThread::msleep(50);
    }
    return true;
}

struct StartCase {
    const char* name;
    // Builds the file; false when the system cannot make it (the case is skipped).
    std::function<bool(HostileFolder&)> prepare;
    // What the file must hold after the program ran, given what it held before.
    std::function<void(const HostileFolder&, const Table& before, const std::string& bytesBefore)> check;
    // Work of the preload that must be done before the program is stopped.
    std::function<bool(const HostileFolder&)> settled = [](const HostileFolder&) { return true; };
};

const std::string kLongName(1500, 'L');

const std::vector<std::string> kDuoStored = Concat(
    {{"CREATE TABLE control(listname, beg, end)", "INSERT INTO control VALUES('DUO', 2, 9)"}, WordTable("DUO")});

void Unchanged(const HostileFolder& folder, const Table& before, const std::string&)
{
    EXPECT_EQ(Dump(folder), before);
}

// Nothing beside save.db and the font's folder: no journal left behind.
void SameBytes(const HostileFolder& folder, const Table&, const std::string& bytesBefore)
{
    EXPECT_EQ(folder.Bytes(), bytesBefore);
    std::set<std::string> entries;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Dir()))
        entries.insert(entry.path().filename().string());
    EXPECT_EQ(entries, (std::set<std::string>{"res", "save.db"}));
}

// Start-up reads control alone: a word table the program did not make
// meets its first reader at a Start, which the store's own tests drive.
std::vector<StartCase> Cases()
{
    return {
        {"NotADatabase",
         [](HostileFolder& f) {
             f.WriteBytes(hostile::Noise());
             return true;
         },
         SameBytes},
        {"EmptyFile", [](HostileFolder& f) { f.WriteBytes(""); return true; },
         [](const HostileFolder& f, const Table&, const std::string&) {
             EXPECT_EQ(Dump(f), (Table{{"table", "control"}}));
         }},
        {"ReadOnlyFile",
         [](HostileFolder& f) {
             f.Build(kDuoStored);
             return f.MakeImmutable(f.Path());
         },
         SameBytes},
        {"ReadOnlyFolder",
         [](HostileFolder& f) {
             f.Build(kDuoStored);
             return RealProgram::GiveFont(QString::fromStdString(f.Dir())) && f.MakeImmutable(f.Dir());
         },
         SameBytes},
        {"ControlMissing", [](HostileFolder& f) { f.Build(WordTable("DUO")); return true; },
         [](const HostileFolder& f, const Table& before, const std::string&) {
             Table expected = before;
             expected.insert(expected.end(), {{"table", "control"}});
             EXPECT_EQ(Dump(f), expected);
         }},
        {"HostileNamesInControl",
         [](HostileFolder& f) {
             f.Build(Concat({{"CREATE TABLE control(listname, beg, end)",
                              "INSERT INTO control VALUES('x''; DROP TABLE control; --', 1, 1)",
                              "INSERT INTO control VALUES('DUO; DROP TABLE HS1', 1, 1)",
                              "INSERT INTO control VALUES('DUO', 1, 30)", "INSERT INTO control VALUES(NULL, 4, 5)",
                              "INSERT INTO control VALUES('duo', 1, 1)", "INSERT INTO control VALUES('control', 1, 1)",
                              "INSERT INTO control VALUES('HS1', 2, 3)",
                              "INSERT INTO control VALUES('" + kLongName + "', 6, 7)",
                              "CREATE TABLE \"" + kLongName + "\"(word)", "INSERT INTO control VALUES('OLD', 1, 2)",
                              "CREATE TABLE OLD(word)"},
                             WordTable("DUO"), WordTable("HS1")}));
             return true;
         },
         [](const HostileFolder& f, const Table& before, const std::string&) {
             EXPECT_EQ(f.Control(),
                       (Table{{"DUO", "1", "30"}, {"NULL", "4", "5"}, {"HS1", "2", "3"}, {kLongName, "6", "7"}}));
             EXPECT_EQ(f.Tables(), (Table{{"DUO"}, {"HS1"}, {kLongName}, {"control"}}));
             Table words;
             for (const auto& row : Dump(f))
                 if (row.size() == 10)
                     words.push_back(row);
             Table wordsBefore;
             for (const auto& row : before)
                 if (row.size() == 10)
                     wordsBefore.push_back(row);
             EXPECT_EQ(words, wordsBefore);
         },
         [](const HostileFolder& f) { return f.Peek("select count(*) from control") == Table{{"4"}}; }},
        {"OddValuesInBegAndEnd",
         [](HostileFolder& f) {
             f.Build(Concat({{"CREATE TABLE control(listname, beg, end)",
                              "INSERT INTO control VALUES('DUO', NULL, 'abc')",
                              "INSERT INTO control VALUES('HS1', '12abc', 3.7)",
                              "INSERT INTO control VALUES('HS2', x'3435', 99999999999)"},
                             WordTable("DUO"), WordTable("HS1"), WordTable("HS2")}));
             return true;
         },
         Unchanged},
    };
}

// Test names show the case, not its bytes.
void PrintTo(const StartCase& c, std::ostream* out) { *out << c.name; }

class HostileStart : public ::testing::TestWithParam<StartCase> {};

TEST_P(HostileStart, ComesUpAndAnswersAndDropsNothing)
{
    const StartCase& c = GetParam();
    HostileFolder folder;
    if (!c.prepare(folder))
        GTEST_SKIP() << "no way to make a file unchangeable here";
    const std::string bytes = folder.Bytes();
    const Table dumpBefore = Dump(folder);
    RealProgram program;

    const auto running = program.Start(QString::fromStdString(folder.Dir()));

    EXPECT_TRUE(program.Answers(20000));
    EXPECT_TRUE(WaitUntil([&] { return c.settled(folder); }));
    EXPECT_EQ(running->state(), QProcess::Running);
    RealProgram::Stop(*running);
    EXPECT_EQ(running->exitStatus(), QProcess::CrashExit) << "ended by SIGTERM, not by itself";
    const QString standardError = QString::fromLocal8Bit(running->readAllStandardError());
    EXPECT_EQ(RealProgram::OwnLines(standardError).join(u'\n').toStdString(), "");
    c.check(folder, dumpBefore, bytes);
}

INSTANTIATE_TEST_SUITE_P(Files, HostileStart, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Nothing can be opened in a folder where save.db is missing and cannot be
// made: the program ends at once with code 1, says why in one line, and
// leaves the folder as it was.
TEST(HostileStartFolder, ReadOnlyFolderWithoutSaveDb_ExitsWithOneAndOneLine)
{
    HostileFolder folder;
    if (!folder.MakeImmutable(folder.Dir()))
        GTEST_SKIP() << "no way to make a folder unchangeable here";
    RealProgram program;

    const auto run = program.Start(QString::fromStdString(folder.Dir()));

    ASSERT_TRUE(run->waitForFinished(20000));
    EXPECT_EQ(run->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run->exitCode(), 1);
    const QString standardError = QString::fromLocal8Bit(run->readAllStandardError());
    EXPECT_TRUE(standardError.contains(QStringLiteral("vokabo: cannot open ./save.db"))) << standardError.toStdString();
    EXPECT_EQ(RealProgram::OwnLines(standardError).size(), 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Dir()), {}), 0);
    EXPECT_FALSE(program.Answers(300));
}

// Another process holds save.db for longer than the busy timeout: the
// program still comes up (its start-up gives up on the file after the
// timeout) while the lock is held, changes nothing, and the next start after
// the lock has gone works on the file as usual.
TEST(HostileStartFolder, LockedLongerThanTheBusyTimeout_ComesUpWhileLockedAndNextStartWorks)
{
    HostileFolder folder;
    folder.Build(Concat({kDuoStored, {"INSERT INTO control VALUES('OLD', 1, 2)", "CREATE TABLE OLD(word)"}}));
    const Table before = Dump(folder);
    hostile::LockHolder holder(folder.Path());
    ASSERT_TRUE(holder.Locked());
    RealProgram program;

    const auto locked = program.Start(QString::fromStdString(folder.Dir()));
    EXPECT_TRUE(program.Answers(30000));
    EXPECT_TRUE(holder.Holding());
    EXPECT_EQ(locked->state(), QProcess::Running);
    RealProgram::Stop(*locked);
    holder.Release();
    EXPECT_EQ(Dump(folder), before);

    const auto next = program.Start(QString::fromStdString(folder.Dir()));
    EXPECT_TRUE(program.Answers(20000));
    // The preload of the next start removes the list that is no longer built in.
    EXPECT_TRUE(WaitUntil([&] { return folder.Control() == Table{{"DUO", "2", "9"}}; }));
    EXPECT_EQ(next->state(), QProcess::Running);
    RealProgram::Stop(*next);
    EXPECT_EQ(folder.Tables(), (Table{{"DUO"}, {"control"}}));
}

} // namespace
