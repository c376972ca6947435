// The list synchronisation against a reference model of what it must leave
// behind. The input chooses a list (words from a small vocabulary with an
// apostrophe, an empty word and one too long for any statement, repeats
// allowed), a table (or none; keyed or not; rows that match, differ, repeat,
// hold NULL words; or too few columns for an insert), control rows, the
// stored flag and two ranges: two Starts run one after the other, and after
// each the table, control, DrillHistory and `listed` must be what the model
// says.
#include "store/Database.h"
#include "store/ListSync.h"
#include "store/WordStore.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Word = std::optional<std::string>; // nothing: NULL

struct Row {
    Word word;
    int free = 0, testWrong = 0, testAsked = 0;
    bool operator==(const Row&) const = default;
};

enum class Shape { Keyed, Unkeyed, Narrow }; // Narrow: four columns, no insert fits

struct State {
    std::vector<std::tuple<std::string, int, int>> control;
    std::optional<std::vector<Row>> table;
    Shape shape = Shape::Keyed;
    bool operator==(const State&) const = default;
};

using History = std::vector<std::tuple<std::string, int, int, int, int, int>>;

struct Card {
    std::string word;
    int level;
};

const std::string kLongWord(1100, 'w');
const std::vector<std::string> kVocabulary = {"a", "b", "c", "d", "e", "it's", "", kLongWord};
const std::vector<std::string> kNames = {"L", "it's", "say \"hi\"", "DUO"};

// ---- the reference model -------------------------------------------------

// A statement holding this word cannot be sent: it would not fit.
bool Sendable(const std::string& word) { return word.size() < 900; }

struct Outcome {
    State state;
    History history;
};

Outcome Model(const State& before, const std::string& name, const std::vector<Card>& cards, bool listed, int beg,
              int end)
{
    Outcome out{before, {}};
    const auto inRange = [&](std::size_t p) {
        const long long q = static_cast<long long>(p);
        return q >= beg - 1LL && q <= end - 1LL;
    };
    const auto entry = [&](std::size_t p, int free, int testWrong, int testAsked) {
        if (inRange(p))
            out.history.emplace_back(cards[p].word, free, testWrong, testAsked, cards[p].level, static_cast<int>(p));
    };
    // The whole list into a fresh table, as one transaction: a word twice
    // or one that does not fit undoes all of it (the entries stay).
    const auto create = [&]() -> std::optional<std::vector<Row>> {
        std::vector<Row> rows;
        for (std::size_t p = 0; p < cards.size(); ++p) {
            entry(p, 0, 0, 0);
            const bool twice = std::any_of(rows.begin(), rows.end(), [&](const Row& r) { return r.word == cards[p].word; });
            if (twice || !Sendable(cards[p].word))
                return std::nullopt;
            rows.push_back(Row{cards[p].word});
        }
        return rows;
    };

    bool controlRow = false;
    if (listed)
        for (auto& [rowName, rowBeg, rowEnd] : out.state.control)
            if (rowName == name) {
                rowBeg = beg;
                rowEnd = end;
                controlRow = true;
            }
    if (!listed && !before.table) {
        if (auto rows = create()) {
            out.state.control.emplace_back(name, beg, end);
            out.state.table = std::move(rows);
            out.state.shape = Shape::Keyed;
        }
        return out;
    }
    // A stored list, or a table already there for a new one: the range is
    // kept, in a row added where control has none (a new list always adds one).
    if (!controlRow)
        out.state.control.emplace_back(name, beg, end);
    if (!before.table) {
        if (auto rows = create()) {
            out.state.table = std::move(rows);
            out.state.shape = Shape::Keyed;
        }
        return out;
    }

    const std::vector<Row>& stored = *before.table;
    std::size_t head = 0;
    while (head < stored.size() && head < cards.size() && stored[head].word == cards[head].word)
        ++head;
    for (std::size_t p = 0; p < head; ++p)
        entry(p, stored[p].free, stored[p].testWrong, stored[p].testAsked);
    std::set<Word> gone;
    for (std::size_t r = head; r < stored.size(); ++r) {
        if (stored[r].word && !Sendable(*stored[r].word))
            return out; // the deletion cannot be sent: everything of it is rolled back
        gone.insert(stored[r].word);
    }
    std::vector<Row> rows;
    for (std::size_t r = 0; r < head; ++r)
        if (!gone.count(stored[r].word))
            rows.push_back(stored[r]);
    for (std::size_t p = head; p < cards.size(); ++p) {
        entry(p, 0, 0, 0);
        const bool taken = before.shape != Shape::Unkeyed &&
                           std::any_of(rows.begin(), rows.end(), [&](const Row& r) { return r.word == cards[p].word; });
        if (before.shape == Shape::Narrow || taken || !Sendable(cards[p].word))
            break;
        rows.push_back(Row{cards[p].word});
    }
    out.state.table = std::move(rows);
    return out;
}

// ---- the real thing --------------------------------------------------------

std::string Literal(const Word& word) { return word ? "'" + QuoteWord(*word) + "'" : "NULL"; }

void Run(const std::string& text)
{
    char* error = nullptr;
    if (sqlite3_exec(Database, text.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "set-up failed: %s: %s\n", text.c_str(), error ? error : "");
        std::abort();
    }
}

void Establish(const State& state, const std::string& table)
{
    Run("DELETE FROM control");
    Run("DROP TABLE IF EXISTS " + table);
    for (const auto& [name, beg, end] : state.control)
        Run("INSERT INTO control VALUES('" + QuoteWord(name) + "', " + std::to_string(beg) + ", " + std::to_string(end) +
            ")");
    if (!state.table)
        return;
    if (state.shape == Shape::Narrow)
        Run("CREATE TABLE " + table + "(word VARCHAR(255) PRIMARY KEY, free INTEGER, test_w INTEGER, test_a INTEGER)");
    else
        Run("CREATE TABLE " + table + "(word VARCHAR(255)" + (state.shape == Shape::Keyed ? " PRIMARY KEY" : "") +
            ", free INTEGER, test_w INTEGER, test_a INTEGER, time_1 INTEGER, time_2 INTEGER, time_3 INTEGER, "
            "time_4 INTEGER, time_5 INTEGER, level INTEGER)");
    for (const Row& row : *state.table)
        Run("INSERT INTO " + table + " VALUES(" + Literal(row.word) + ", " + std::to_string(row.free) + ", " +
            std::to_string(row.testWrong) + ", " + std::to_string(row.testAsked) +
            (state.shape == Shape::Narrow ? ")" : ", 0, 0, 0, 0, 0, 0)"));
}

State Observe(const std::string& table, Shape shapeBefore, bool tableBefore)
{
    State state;
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(Database, "select * from control order by rowid", -1, &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW)
        state.control.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)),
                                   sqlite3_column_int(statement, 1), sqlite3_column_int(statement, 2));
    sqlite3_finalize(statement);
    statement = nullptr;
    if (sqlite3_prepare_v2(Database, ("select * from " + table + " order by rowid").c_str(), -1, &statement, nullptr) !=
        SQLITE_OK)
        return state;
    state.table.emplace();
    state.shape = tableBefore ? shapeBefore : Shape::Keyed;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        Row row;
        if (sqlite3_column_type(statement, 0) != SQLITE_NULL)
            row.word = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        row.free = sqlite3_column_int(statement, 1);
        row.testWrong = sqlite3_column_int(statement, 2);
        row.testAsked = sqlite3_column_int(statement, 3);
        state.table->push_back(row);
    }
    sqlite3_finalize(statement);
    return state;
}

History ActualHistory()
{
    History history;
    for (const HistoryEntry& e : DrillHistory)
        history.emplace_back(e.word, e.free, e.test_w, e.test_a, e.level, e.index);
    return history;
}

[[noreturn]] void Disagree(const char* what, int start)
{
    std::fprintf(stderr, "synchronisation and model disagree on %s after Start %d\n", what, start);
    std::abort();
}

int Range(FuzzedDataProvider& input, int cards)
{
    switch (input.ConsumeIntegralInRange(0, 7)) {
    case 0:
        return INT_MIN;
    case 1:
        return INT_MAX;
    case 2:
        return input.ConsumeIntegral<int>();
    default:
        return input.ConsumeIntegralInRange(-1, cards + 2);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool opened = [] {
        if (OpenDatabase(":memory:") != SQLITE_OK)
            std::abort();
        Run("CREATE TABLE control(listname, beg, end)");
        return true;
    }();
    (void)opened;

    FuzzedDataProvider input(data, size);
    const std::string name = kNames[input.ConsumeIntegralInRange<std::size_t>(0, kNames.size() - 1)];
    const std::string table = TableNameForStatement(name);
    const auto anyWord = [&] { return kVocabulary[input.ConsumeIntegralInRange<std::size_t>(0, kVocabulary.size() - 1)]; };

    std::vector<Card> cards(input.ConsumeIntegralInRange(0, 8));
    for (Card& card : cards)
        card = Card{anyWord(), input.ConsumeIntegralInRange(0, 5)};

    State before;
    for (int rows = input.ConsumeIntegralInRange(0, 3); rows > 0; --rows)
        before.control.emplace_back(input.ConsumeBool() ? name : std::string("OTHER"), input.ConsumeIntegralInRange(-2, 40),
                                    input.ConsumeIntegralInRange(-2, 40));
    if (input.ConsumeIntegralInRange(0, 5) > 0) {
        before.shape = static_cast<Shape>(input.ConsumeIntegralInRange(0, 2));
        before.table.emplace();
        for (int rows = input.ConsumeIntegralInRange(0, 10); rows > 0; --rows) {
            Row row;
            const int pick = input.ConsumeIntegralInRange(0, 9);
            if (pick == 0)
                row.word = std::nullopt;
            else if (pick < 6 && before.table->size() < cards.size())
                row.word = cards[before.table->size()].word; // a head that matches
            else
                row.word = anyWord();
            row.free = input.ConsumeIntegralInRange(0, 99);
            row.testWrong = input.ConsumeIntegralInRange(0, 99);
            row.testAsked = input.ConsumeIntegralInRange(0, 99);
            const bool taken = std::any_of(before.table->begin(), before.table->end(),
                                           [&](const Row& r) { return row.word && r.word == row.word; });
            if (before.shape == Shape::Unkeyed || !taken)
                before.table->push_back(row);
        }
    }
    bool listed = input.ConsumeBool();

    Establish(before, table);
    WordListRegistry.clear();
    WordListState& entry = FindOrInsertWordList(name);
    for (const Card& card : cards)
        entry.cards.push_back(WordCard{"m", card.word, "p", card.level});
    entry.count = static_cast<std::int32_t>(cards.size());
    State state = before;
    for (int start = 1; start <= 2; ++start) {
        const int beg = Range(input, static_cast<int>(cards.size()));
        const int end = Range(input, static_cast<int>(cards.size()));
        entry.beg = beg;
        entry.end = end;
        entry.listed.store(listed);
        DrillHistory.assign(1, HistoryEntry{"left over", 9, 9, 9, 9, 9});

        ListSyncThread(&entry, name);

        const Outcome expected = Model(state, name, cards, listed, beg, end);
        const State actual = Observe(table, state.shape, state.table.has_value());
        if (actual.control != expected.state.control)
            Disagree("control", start);
        if (actual.table != expected.state.table)
            Disagree("the table", start);
        if (ActualHistory() != expected.history)
            Disagree("DrillHistory", start);
        if (!entry.listed.load())
            Disagree("listed", start);
        if (sqlite3_get_autocommit(Database) != 1)
            Disagree("the open transaction", start);
        state = expected.state;
        listed = true;
    }
    return 0;
}
