// The program's store work without windows, for the crash test and for
// tests that need a second process on save.db.
//
//   store_worker init DB MODEL                 a fresh save.db as start-up leaves it
//   store_worker run DB JOURNAL SEED STARTS [PHASE]
//       start-up (control, preload), then STARTS Starts (0: until killed),
//       each a synchronisation and a drill's write-back racing it; what was
//       asked and what was committed goes to JOURNAL before and after.
//       PHASE, a small file, always holds the statement last handed to SQLite
//       and the thread that sent it, so a killed run tells where it died.
//   store_worker check DB JOURNAL MODEL [PHASE]
//       after a kill: integrity, every drill all there or not at all, no
//       table lost, control consistent; MODEL then takes the outcome.
//   store_worker mutate DB MODEL SEED          between runs: a shortened
//       table, rows that are not in the list, a list that is no longer built in
//   store_worker hold-lock DB MS               holds save.db exclusively
#include "tools/StoreWorker.h"

#include "store/BuiltinLists.h"
#include "store/Database.h"
#include "store/Preload.h"
#include "store/StoreWork.h"
#include "store/WordStore.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace store_worker {

const std::vector<std::string>& BuiltinNames()
{
    static const std::vector<std::string> names(kBuiltinListNames, kBuiltinListNames + kBuiltinListCount);
    return names;
}

const BuiltinWordRecord& Card(const std::string& list, int index)
{
    const auto k = std::find(BuiltinNames().begin(), BuiltinNames().end(), list) - BuiltinNames().begin();
    return kBuiltinWords[k * kBuiltinWordsPerList + index];
}

Model LoadModel(const std::string& path)
{
    Model model;
    for (const std::string& name : BuiltinNames())
        model.lists[name];
    std::ifstream in(path);
    std::string kind, name;
    while (in >> kind >> name) {
        if (kind == "list") {
            ListModel& list = model.lists[name];
            list.present = true;
            in >> list.beg >> list.end;
        } else if (kind == "row") {
            Row row;
            in >> row.word >> row.free >> row.testWrong >> row.testAsked;
            model.lists[name].rows.push_back(row);
        } else if (kind == "stale") {
            model.stale.insert(name);
        }
    }
    return model;
}

void SaveModel(const std::string& path, const Model& model)
{
    std::ofstream out(path + ".new", std::ios::trunc);
    for (const auto& [name, list] : model.lists) {
        if (!list.present)
            continue;
        out << "list " << name << ' ' << list.beg << ' ' << list.end << '\n';
        for (const Row& row : list.rows)
            out << "row " << name << ' ' << row.word << ' ' << row.free << ' ' << row.testWrong << ' '
                << row.testAsked << '\n';
    }
    for (const std::string& name : model.stale)
        out << "stale " << name << " -\n";
    out.close();
    std::rename((path + ".new").c_str(), path.c_str());
}

ListModel Synchronised(const std::string& name, const ListModel& before)
{
    ListModel after;
    after.present = true;
    std::size_t head = 0;
    while (before.present && head < before.rows.size() && head < kBuiltinWordsPerList &&
           before.rows[head].word == Card(name, static_cast<int>(head)).word)
        ++head;
    after.rows.assign(before.rows.begin(), before.rows.begin() + static_cast<long>(head));
    for (std::size_t p = head; p < kBuiltinWordsPerList; ++p)
        after.rows.push_back(Row{Card(name, static_cast<int>(p)).word});
    return after;
}

} // namespace store_worker

namespace {

using namespace store_worker;

// ---- the last statement, kept where a killed process leaves it -----------

thread_local const char* threadTag = "sync";
char* phaseMemory = nullptr;
std::mutex phaseMutex;

void RecordPhase(const char* text, void*)
{
    std::lock_guard lock(phaseMutex);
    std::snprintf(phaseMemory, kPhaseSize, "%s: %.200s", threadTag, text);
}

void MapPhaseFile(const char* path)
{
    const int fd = ::open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::ftruncate(fd, kPhaseSize) != 0)
        return;
    void* memory = ::mmap(nullptr, kPhaseSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (memory == MAP_FAILED)
        return;
    phaseMemory = static_cast<char*>(memory);
    SetStatementObserver(RecordPhase, nullptr);
}

// One write per record: a kill leaves whole lines behind.
class Journal {
public:
    explicit Journal(const char* path) : m_fd(::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)) {}
    ~Journal() { ::close(m_fd); }
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;
    void Write(const std::string& line)
    {
        const std::string text = line + '\n';
        if (::write(m_fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            std::exit(4);
    }

private:
    int m_fd;
};

// ---- run -----------------------------------------------------------------

int Run(const char* path, const char* journalPath, unsigned seed, long starts, const char* phasePath)
{
    if (phasePath)
        MapPhaseFile(phasePath);
    threadTag = "start-up";
    if (OpenDatabase(path) != SQLITE_OK)
        return 2;
    EnsureControlTable();
    int preloadResult = -1;
    std::thread preload([&] {
        threadTag = "preload";
        preloadResult = PreloadThread();
    });
    preload.join();
    if (preloadResult != 0 || !controlLoaded.load(std::memory_order_acquire))
        return 3;
    threadTag = "write-back";

    Journal journal(journalPath);
    std::mt19937 random(seed);
    auto between = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (long n = 0; starts == 0 || n < starts; ++n) {
        const std::string& name = BuiltinNames()[static_cast<std::size_t>(between(0, kBuiltinListCount - 1))];
        WordListState& list = *FindWordList(name);
        const int count = static_cast<int>(list.cards.size());
        const int first = between(1, count);
        const int last = between(first + 1, count + 1);
        journal.Write("sync " + name + ' ' + std::to_string(first) + ' ' + std::to_string(last));
        StartListSyncWithRange(list, name, first, last);

        const Mode mode = between(0, 1) ? Mode::Test : Mode::Free;
        WordCounts counts;
        std::ostringstream drill;
        drill << "drill " << seed << '-' << n << ' ' << name << ' ' << (mode == Mode::Test ? 't' : 'f') << ' ';
        for (int p = first - 1; p < std::min(last, count); ++p) {
            const int times = 1 + (between(0, 2) == 0 ? between(1, 3) : 0);
            counts[list.cards[static_cast<std::size_t>(p)].word] = times;
            drill << p << ':' << times << ',';
        }
        journal.Write(drill.str());
        // A short drill ends before the synchronisation has even begun, a
        // long one after it; both orders must come out the same.
        if (between(0, 1))
            std::this_thread::sleep_for(std::chrono::microseconds(between(0, 3000)));
        const WriteBackResult result = WriteBackDrill(name, mode == Mode::Test, counts);
        journal.Write("done " + std::to_string(seed) + '-' + std::to_string(n) + ' ' +
                      std::to_string(static_cast<int>(result)));
    }
    CloseStore(preload);
    journal.Write("finished");
    return 0;
}

// ---- check ---------------------------------------------------------------

// ---- init, mutate, hold-lock --------------------------------------------

int Init(const char* db, const char* modelPath)
{
    std::remove(db);
    Connection connection(db);
    if (connection.Exec(sql::kCreateControl) != SQLITE_OK)
        return 2;
    SaveModel(modelPath, Model{});
    return 0;
}

int Mutate(const char* db, const char* modelPath, unsigned seed)
{
    Model model = LoadModel(modelPath);
    Connection connection(db);
    std::mt19937 random(seed);
    auto between = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    std::vector<std::string> present;
    for (const auto& [name, list] : model.lists)
        if (list.present)
            present.push_back(name);
    const int kind = between(0, 3);
    if (kind == 3 || present.empty()) {
        const std::string name = "OLD_" + std::to_string(seed);
        connection.Exec("BEGIN");
        connection.Exec("INSERT INTO control VALUES('" + name + "', 1, 2)");
        connection.Exec("CREATE TABLE " + name + "(word, free)");
        connection.Exec("INSERT INTO " + name + " VALUES('old', 3)");
        if (connection.Exec("COMMIT") != SQLITE_OK)
            return 2;
        model.stale.insert(name);
        std::printf("mutate: stale list %s\n", name.c_str());
    } else {
        const std::string& name = present[static_cast<std::size_t>(between(0, static_cast<int>(present.size()) - 1))];
        ListModel& list = model.lists[name];
        connection.Exec("BEGIN");
        if (kind != 1) {
            const int cut = std::min(between(1, 10), static_cast<int>(list.rows.size()));
            connection.Exec("DELETE FROM " + name + " WHERE rowid IN (SELECT rowid FROM " + name +
                            " ORDER BY rowid DESC LIMIT " + std::to_string(cut) + ")");
            list.rows.resize(list.rows.size() - static_cast<std::size_t>(cut));
        }
        if (kind != 0) {
            for (int extra = between(1, 3); extra > 0; --extra) {
                const Row row{"junk" + std::to_string(seed) + "_" + std::to_string(extra), between(0, 9),
                              between(0, 9), between(0, 9)};
                connection.Exec("INSERT INTO " + name + " VALUES('" + row.word + "', " + std::to_string(row.free) +
                                ", " + std::to_string(row.testWrong) + ", " + std::to_string(row.testAsked) +
                                ", 0, 0, 0, 0, 0, 0)");
                list.rows.push_back(row);
            }
        }
        if (connection.Exec("COMMIT") != SQLITE_OK)
            return 2;
        std::printf("mutate: table %s %s\n", name.c_str(),
                    kind == 0 ? "shortened" : kind == 1 ? "with foreign rows" : "shortened, with foreign rows");
    }
    SaveModel(modelPath, model);
    return 0;
}

int HoldLock(const char* db, long milliseconds)
{
    sqlite3* connection = nullptr;
    if (sqlite3_open(db, &connection) != SQLITE_OK)
        return 2;
    sqlite3_busy_timeout(connection, 10000);
    if (sqlite3_exec(connection, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return 3;
    std::printf("locked\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    sqlite3_exec(connection, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(connection);
    return 0;
}

int Usage()
{
    std::fputs("usage: store_worker init DB MODEL | run DB JOURNAL SEED STARTS [PHASE] | check DB JOURNAL MODEL [PHASE]"
               " | mutate DB MODEL SEED | hold-lock DB MS\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "init" && argc == 4)
        return Init(argv[2], argv[3]);
    if (command == "run" && (argc == 6 || argc == 7))
        return Run(argv[2], argv[3], static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10)),
                   std::strtol(argv[5], nullptr, 10), argc == 7 ? argv[6] : nullptr);
    if (command == "check" && (argc == 5 || argc == 6))
        return Check(argv[2], argv[3], argv[4], argc == 6 ? argv[5] : nullptr);
    if (command == "mutate" && argc == 5)
        return Mutate(argv[2], argv[3], static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10)));
    if (command == "hold-lock" && argc == 4)
        return HoldLock(argv[2], std::strtol(argv[3], nullptr, 10));
    return Usage();
}
