#pragma once
// A reference model of the list synchronisation, stated from what it must
// leave behind and written without looking at store/ListSync, and the means
// to hold the real one against it: a case drawn from any source of choices,
// its set-up in the open Database, and a check of what two Starts left.
// The randomised unit test and the fuzzer share it, so both hold the code to
// the same statement of the rules.
//
// A case chooses a list (words from a small vocabulary with an apostrophe,
// an empty word and one too long for any statement, repeats allowed), a
// table (or none; keyed or not; rows that match, differ, repeat, hold NULL
// words; or too few columns for an insert), control rows, the stored flag
// and two ranges. After each Start the table, control, DrillHistory and
// `listed` must be what the model says, and no transaction may be left open.
#include "store/Database.h"
#include "store/ListSync.h"
#include "store/WordStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace listsync {

using Word = std::optional<std::string>; // nothing: NULL

struct Row {
    Word word;
    int free = 0, testWrong = 0, testAsked = 0;
    // The time and level columns hold 0: nothing of a drill is stored here.
    bool restZero = true;
    bool operator==(const Row&) const = default;
};

enum class Shape { Keyed, Unkeyed, Narrow }; // Narrow: four columns, no insert fits

struct State {
    std::vector<std::tuple<std::string, int, int>> control;
    std::optional<std::vector<Row>> table;
    Shape shape = Shape::Keyed;
    bool operator==(const State&) const = default;
};

// word, free, test_w, test_a, level, index
using History = std::vector<std::tuple<std::string, int, int, int, int, int>>;

struct Card {
    std::string word;
    int level;
};

struct Case {
    std::string name;
    std::vector<Card> cards;
    State before;
    bool listed = false;
    // The ranges of two Starts, one after the other.
    std::pair<int, int> ranges[2];
};

inline const std::string kLongWord(1100, 'w');
inline const std::vector<std::string> kVocabulary = {"a", "b", "c", "d", "e", "it's", "", kLongWord};
inline const std::vector<std::string> kNames = {"L", "it's", "say \"hi\"", "DUO"};

// ---- the reference model -------------------------------------------------

// A statement holding this word cannot be sent: it would not fit.
inline bool Sendable(const std::string& word) { return word.size() < 900; }

struct Outcome {
    State state;
    History history;
};

inline Outcome Model(const State& before, const std::string& name, const std::vector<Card>& cards, bool listed,
                     int beg, int end)
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
            const bool twice =
                std::any_of(rows.begin(), rows.end(), [&](const Row& r) { return r.word == cards[p].word; });
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

    // Only the head matching the list word for word keeps its counters; the
    // rest is removed and the list's remaining words follow with zero
    // counters, up to the first word the table refuses.
    const std::vector<Row>& stored = *before.table;
    std::size_t head = 0;
    while (head < stored.size() && head < cards.size() && stored[head].word == cards[head].word)
        ++head;
    for (std::size_t p = 0; p < head; ++p)
        entry(p, stored[p].free, stored[p].testWrong, stored[p].testAsked);
    // A deletion takes every row of the word, also a head row of the same
    // word when the table has no key.
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

// ---- drawing a case --------------------------------------------------------

// `between(low, high)` gives any number from low to high, both included: a
// seeded generator in the unit test, the fuzzer's input in the fuzzer.
template <class Between>
int DrawRange(Between& between, int cards)
{
    switch (between(0, 7)) {
    case 0:
        return INT_MIN;
    case 1:
        return INT_MAX;
    case 2:
        return between(INT_MIN, INT_MAX);
    default:
        return between(-1, cards + 2);
    }
}

template <class Between>
Case DrawCase(Between&& between)
{
    const auto pick = [&](const std::vector<std::string>& from) {
        return from[static_cast<std::size_t>(between(0, static_cast<int>(from.size()) - 1))];
    };
    Case c;
    c.name = pick(kNames);
    c.cards.resize(static_cast<std::size_t>(between(0, 8)));
    for (Card& card : c.cards) {
        card.word = pick(kVocabulary);
        card.level = between(0, 5);
    }
    for (int rows = between(0, 3); rows > 0; --rows) {
        const bool own = between(0, 1) != 0;
        const int beg = between(-2, 40);
        c.before.control.emplace_back(own ? c.name : std::string("OTHER"), beg, between(-2, 40));
    }
    if (between(0, 5) > 0) {
        c.before.shape = static_cast<Shape>(between(0, 2));
        std::vector<Row>& table = c.before.table.emplace();
        for (int rows = between(0, 10); rows > 0; --rows) {
            Row row;
            const int kind = between(0, 9);
            if (kind == 0)
                row.word = std::nullopt;
            else if (kind < 6 && table.size() < c.cards.size())
                row.word = c.cards[table.size()].word; // a head that matches
            else
                row.word = pick(kVocabulary);
            row.free = between(0, 99);
            row.testWrong = between(0, 99);
            row.testAsked = between(0, 99);
            const bool taken =
                std::any_of(table.begin(), table.end(), [&](const Row& r) { return row.word && r.word == row.word; });
            if (c.before.shape == Shape::Unkeyed || !taken)
                table.push_back(row);
        }
    }
    c.listed = between(0, 1) != 0;
    for (auto& [beg, end] : c.ranges) {
        beg = DrawRange(between, static_cast<int>(c.cards.size()));
        end = DrawRange(between, static_cast<int>(c.cards.size()));
    }
    return c;
}

inline std::string Describe(const Case& c)
{
    const auto word = [](const Word& w) { return !w ? std::string("NULL") : w->size() > 20 ? "<long>" : *w; };
    std::string text = "list \"" + c.name + "\" listed " + std::to_string(c.listed) + ", cards";
    for (const Card& card : c.cards)
        text += " " + word(card.word) + "/" + std::to_string(card.level);
    if (c.before.table) {
        const char* shapes[] = {" (keyed)", " (no key)", " (four columns)"};
        text += std::string("; table") + shapes[static_cast<int>(c.before.shape)];
        for (const Row& row : *c.before.table)
            text += " " + word(row.word) + "/" + std::to_string(row.free) + "/" + std::to_string(row.testWrong) + "/" +
                    std::to_string(row.testAsked);
    } else {
        text += "; no table";
    }
    text += "; control";
    for (const auto& [name, beg, end] : c.before.control)
        text += " " + name + "/" + std::to_string(beg) + "/" + std::to_string(end);
    for (const auto& [beg, end] : c.ranges)
        text += "; Start " + std::to_string(beg) + ".." + std::to_string(end);
    return text;
}

// ---- the real thing --------------------------------------------------------

inline std::string Literal(const Word& word) { return word ? "'" + QuoteWord(*word) + "'" : "NULL"; }

inline bool Run(const std::string& text) { return sqlite3_exec(Database, text.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK; }

inline bool Establish(const State& state, const std::string& table)
{
    bool ok = Run("DELETE FROM control") && Run("DROP TABLE IF EXISTS " + table);
    for (const auto& [name, beg, end] : state.control)
        ok = ok && Run("INSERT INTO control VALUES('" + QuoteWord(name) + "', " + std::to_string(beg) + ", " +
                       std::to_string(end) + ")");
    if (!state.table)
        return ok;
    if (state.shape == Shape::Narrow)
        ok = ok && Run("CREATE TABLE " + table +
                       "(word VARCHAR(255) PRIMARY KEY, free INTEGER, test_w INTEGER, test_a INTEGER)");
    else
        ok = ok && Run("CREATE TABLE " + table + "(word VARCHAR(255)" +
                       (state.shape == Shape::Keyed ? " PRIMARY KEY" : "") +
                       ", free INTEGER, test_w INTEGER, test_a INTEGER, time_1 INTEGER, time_2 INTEGER, "
                       "time_3 INTEGER, time_4 INTEGER, time_5 INTEGER, level INTEGER)");
    for (const Row& row : *state.table)
        ok = ok && Run("INSERT INTO " + table + " VALUES(" + Literal(row.word) + ", " + std::to_string(row.free) +
                       ", " + std::to_string(row.testWrong) + ", " + std::to_string(row.testAsked) +
                       (state.shape == Shape::Narrow ? ")" : ", 0, 0, 0, 0, 0, 0)"));
    return ok;
}

inline State Observe(const std::string& table, Shape shapeBefore, bool tableBefore)
{
    State state;
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(Database, "select * from control order by rowid", -1, &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW)
        state.control.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)),
                                   sqlite3_column_int(statement, 1), sqlite3_column_int(statement, 2));
    sqlite3_finalize(statement);
    statement = nullptr;
    if (sqlite3_prepare_v2(Database, ("select * from " + table + " order by rowid").c_str(), -1, &statement,
                           nullptr) != SQLITE_OK)
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
        for (int column = 4; column < sqlite3_column_count(statement); ++column)
            row.restZero = row.restZero && sqlite3_column_type(statement, column) == SQLITE_INTEGER &&
                           sqlite3_column_int(statement, column) == 0;
        state.table->push_back(row);
    }
    sqlite3_finalize(statement);
    return state;
}

inline History ActualHistory()
{
    History history;
    for (const HistoryEntry& e : DrillHistory)
        history.emplace_back(e.word, e.free, e.test_w, e.test_a, e.level, e.index);
    return history;
}

// Runs the case's two Starts through the real synchronisation, each on what
// the one before left. Says what first disagreed with the model; empty when
// nothing did.
inline std::string Check(const Case& c)
{
    const std::string table = TableNameForStatement(c.name);
    if (!Establish(c.before, table))
        return "the set-up: " + std::string(sqlite3_errmsg(Database));
    WordListRegistry.clear();
    WordListState& entry = FindOrInsertWordList(c.name);
    for (const Card& card : c.cards)
        entry.cards.push_back(WordCard{"m", card.word, "p", card.level});
    entry.count = static_cast<std::int32_t>(c.cards.size());
    State state = c.before;
    bool listed = c.listed;
    for (int start = 0; start < 2; ++start) {
        const auto [beg, end] = c.ranges[start];
        entry.beg = beg;
        entry.end = end;
        entry.listed.store(listed);
        DrillHistory.assign(1, HistoryEntry{"left over", 9, 9, 9, 9, 9});

        ListSyncThread(&entry, c.name);

        const Outcome expected = Model(state, c.name, c.cards, listed, beg, end);
        const State actual = Observe(table, state.shape, state.table.has_value());
        const std::string after = " after Start " + std::to_string(start + 1);
        if (actual.control != expected.state.control)
            return "control" + after;
        if (actual.table != expected.state.table)
            return "the table" + after;
        if (ActualHistory() != expected.history)
            return "DrillHistory" + after;
        if (!entry.listed.load())
            return "listed" + after;
        if (sqlite3_get_autocommit(Database) != 1)
            return "the open transaction" + after;
        state = expected.state;
        listed = true;
    }
    return {};
}

} // namespace listsync
