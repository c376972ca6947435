#include "BenchSupport.h"

#include "store/BuiltinLists.h"
#include "store/Database.h"

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <time.h>
#include <cstdlib>
#include <sqlite3.h>

std::vector<BenchFolder>& BenchFolders()
{
    static std::vector<BenchFolder> folders;
    return folders;
}

void TakeBenchFolders(int& argc, char** argv)
{
    constexpr std::string_view kOption = "--folder=";
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const std::size_t colon = argument.find(':');
        if (argument.starts_with(kOption) && colon != std::string_view::npos) {
            BenchFolders().push_back({std::string(argument.substr(kOption.size(), colon - kOption.size())),
                                      std::string(argument.substr(colon + 1))});
            continue;
        }
        argv[kept++] = argv[i];
    }
    argc = kept;
    if (BenchFolders().empty())
        BenchFolders() = {{"tmpfs", "/dev/shm/vokabo-bench"}, {"disk", "/var/tmp/vokabo-bench"}};
    for (const BenchFolder& folder : BenchFolders())
        std::filesystem::create_directories(folder.path);
}

void SqliteClose::operator()(sqlite3* db) const { sqlite3_close(db); }

void RemoveDatabaseFiles(const std::string& path)
{
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        std::remove((path + suffix).c_str());
}

void MustExec(sqlite3* db, const char* text)
{
    char* error = nullptr;
    if (sqlite3_exec(db, text, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "bench: %s: %s\n", text, error ? error : "?");
        std::abort();
    }
}

int ExecFloor(sqlite3* db, const char* text)
{
    char* error = nullptr;
    const int rc = sqlite3_exec(db, text, nullptr, nullptr, &error);
    sqlite3_free(error);
    return rc;
}

void StatementFinalize::operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }

Prepared Prepare(sqlite3* db, const char* text)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, text, -1, &statement, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "bench: cannot prepare %s: %s\n", text, sqlite3_errmsg(db));
        std::abort();
    }
    return Prepared(statement);
}

int StepOnce(sqlite3_stmt* statement)
{
    const int rc = sqlite3_step(statement);
    sqlite3_reset(statement);
    return rc;
}

void MakeListTable(sqlite3* db, const char* name, const std::vector<WordCard>& cards)
{
    char text[kStatementBufferSize];
    MustExec(db, sql::kBegin);
    std::snprintf(text, sizeof text, sql::kInsertControl, name, 1, static_cast<int>(cards.size()));
    MustExec(db, text);
    std::snprintf(text, sizeof text, sql::kCreateTable, name);
    MustExec(db, text);
    for (const WordCard& card : cards) {
        std::snprintf(text, sizeof text, sql::kInsertNewWord, name, card.word.c_str());
        MustExec(db, text);
    }
    MustExec(db, sql::kCommit);
}

Connection OpenFreshConnection(const std::string& path)
{
    RemoveDatabaseFiles(path);
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
        std::fprintf(stderr, "bench: cannot open %s\n", path.c_str());
        std::abort();
    }
    sqlite3_busy_timeout(db, 5000);
    Connection connection(db);
    MustExec(db, sql::kCreateControl);
    return connection;
}

std::vector<WordCard> BuiltinCards(int listIndex)
{
    std::vector<WordCard> cards;
    for (int n = 0; n < kBuiltinWordsPerList; ++n) {
        const BuiltinWordRecord& record = kBuiltinWords[listIndex * kBuiltinWordsPerList + n];
        cards.push_back(WordCard{record.meaning, record.word, record.phonetic, 0});
    }
    return cards;
}

std::vector<WordCard> SyntheticCards(std::size_t n)
{
    std::vector<WordCard> cards;
    cards.reserve(n);
    const int records = kBuiltinListCount * kBuiltinWordsPerList;
    for (std::size_t i = 0; i < n; ++i) {
        const BuiltinWordRecord& record = kBuiltinWords[i % records];
        // The built-in word plus a number keeps every word distinct and of
        // a realistic length (list words are at most 17 bytes).
        char word[32];
        std::snprintf(word, sizeof word, "%.10s%zu", record.word, i);
        cards.push_back(WordCard{record.meaning, word, record.phonetic, 0});
    }
    return cards;
}

void FillEntry(WordListState& entry, std::vector<WordCard> cards)
{
    entry.count = static_cast<std::int32_t>(cards.size());
    entry.beg = 1;
    entry.end = entry.count;
    entry.cards = std::move(cards);
    entry.listed = false;
}

double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}
