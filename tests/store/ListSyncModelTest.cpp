// The synchronisation against a small reference model of what it must leave
// behind, over many random table contents.
#include "store/Database.h"
#include "store/ListSync.h"
#include "store/WordStore.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct Row {
    std::string word;
    int free, testWrong, testAsked;
};
using Rows = std::vector<Row>;
using Control = std::vector<std::tuple<std::string, int, int>>;
// word, free, test_w, test_a, level, index
using History = std::vector<std::tuple<std::string, int, int, int, int, int>>;

struct Card {
    std::string word;
    int level;
};

struct World {
    Control control;
    std::optional<Rows> table; // nothing: no table of the list's name
    bool withKey = true;       // the table's word column is its primary key
};

struct Input {
    World before;
    std::vector<Card> cards;
    int beg, end;
    bool listed;
};

struct Outcome {
    World after;
    History history;
};

const char kName[] = "L";

bool Contains(const Rows& rows, const std::string& word)
{
    return std::any_of(rows.begin(), rows.end(), [&](const Row& r) { return r.word == word; });
}

// What the synchronisation must leave behind, stated from the outside: a new
// list gets its control row and a fresh table holding the list, unless a word
// repeats (then nothing is stored). A stored list gets its range, in a row
// added when it has none, and its table again when it has none. A table
// already there is taken as stored, also for a new list, whose row is added:
// only the head matching the list word for word keeps its counters, the rest
// is removed and the list's remaining words follow with zero counters, up to
// the first word the table refuses.
Outcome Model(const Input& in)
{
    Outcome out{in.before, {}};
    auto inRange = [&](std::size_t p) {
        return static_cast<long long>(p) >= in.beg - 1LL && static_cast<long long>(p) <= in.end - 1LL;
    };
    auto zeroEntry = [&](std::size_t p) {
        if (inRange(p))
            out.history.emplace_back(in.cards[p].word, 0, 0, 0, in.cards[p].level, static_cast<int>(p));
    };

    bool controlRow = false;
    if (in.listed)
        for (auto& [name, beg, end] : out.after.control)
            if (name == kName)
                beg = in.beg, end = in.end, controlRow = true;
    if (in.listed && !controlRow)
        out.after.control.emplace_back(kName, in.beg, in.end);
    if (!in.before.table) {
        Rows created;
        for (std::size_t p = 0; p < in.cards.size(); ++p) {
            zeroEntry(p);
            if (Contains(created, in.cards[p].word))
                return out;
            created.push_back({in.cards[p].word, 0, 0, 0});
        }
        if (!in.listed)
            out.after.control.emplace_back(kName, in.beg, in.end);
        out.after.table = created;
        out.after.withKey = true;
        return out;
    }
    if (!in.listed)
        out.after.control.emplace_back(kName, in.beg, in.end);

    const Rows& stored = *in.before.table;
    std::size_t head = 0;
    while (head < stored.size() && head < in.cards.size() && stored[head].word == in.cards[head].word)
        ++head;
    for (std::size_t p = 0; p < head; ++p)
        if (inRange(p))
            out.history.emplace_back(stored[p].word, stored[p].free, stored[p].testWrong, stored[p].testAsked,
                                     in.cards[p].level, static_cast<int>(p));

    // A deletion takes every row of the word, also a head row of the same
    // word when the table has no key.
    std::set<std::string> removed;
    for (std::size_t r = head; r < stored.size(); ++r)
        removed.insert(stored[r].word);
    Rows result;
    for (std::size_t r = 0; r < head; ++r)
        if (!removed.count(stored[r].word))
            result.push_back(stored[r]);
    for (std::size_t p = head; p < in.cards.size(); ++p) {
        zeroEntry(p);
        if (in.before.withKey && Contains(result, in.cards[p].word))
            break;
        result.push_back({in.cards[p].word, 0, 0, 0});
    }
    out.after.table = result;
    return out;
}

// ---- the real thing -------------------------------------------------------

std::string Quoted(const std::string& text) { return "'" + QuoteWord(text) + "'"; }

void Establish(TestDatabase& db, const World& world)
{
    for (const auto& [name, beg, end] : world.control)
        db.Exec("INSERT INTO control VALUES(" + Quoted(name) + ", " + std::to_string(beg) + ", " +
                std::to_string(end) + ")");
    if (!world.table)
        return;
    db.Exec(std::string("CREATE TABLE L(word VARCHAR(255)") + (world.withKey ? " PRIMARY KEY" : "") +
            ", free INTEGER, test_w INTEGER, test_a INTEGER, time_1 INTEGER, time_2 INTEGER, time_3 INTEGER, "
            "time_4 INTEGER, time_5 INTEGER, level INTEGER)");
    for (const Row& row : *world.table)
        db.Exec("INSERT INTO L VALUES(" + Quoted(row.word) + ", " + std::to_string(row.free) + ", " +
                std::to_string(row.testWrong) + ", " + std::to_string(row.testAsked) + ", 0, 0, 0, 0, 0, 0)");
}

World Observe(TestDatabase& db)
{
    World world;
    for (const auto& row : db.Rows("select * from control order by rowid"))
        world.control.emplace_back(row[0], std::stoi(row[1]), std::stoi(row[2]));
    if (db.TableExists(kName)) {
        world.table.emplace();
        for (const auto& row : db.Rows("select * from L order by rowid")) {
            EXPECT_EQ(std::vector<std::string>(row.begin() + 4, row.end()),
                      std::vector<std::string>(6, "0"));
            world.table->push_back({row[0], std::stoi(row[1]), std::stoi(row[2]), std::stoi(row[3])});
        }
    }
    return world;
}

History ActualHistory()
{
    History history;
    for (const HistoryEntry& e : DrillHistory)
        history.emplace_back(e.word, e.free, e.test_w, e.test_a, e.level, e.index);
    return history;
}

// ---- random inputs ---------------------------------------------------------

class Generator {
public:
    explicit Generator(unsigned seed) : m_random(seed) {}

    Input Next()
    {
        Input in;
        in.cards = Cards();
        const int n = static_cast<int>(in.cards.size());
        in.beg = Between(0, n + 1);
        in.end = Between(in.beg - 1, n + 2);
        in.listed = Chance(70);
        if (Chance(80))
            in.before.control.emplace_back(kName, Between(1, 5), Between(1, 9));
        if (Chance(30))
            in.before.control.emplace_back("OTHER", 1, 2);
        if (Chance(85)) {
            in.before.withKey = Chance(75);
            in.before.table = TableFor(in.cards, in.before.withKey);
        }
        return in;
    }

private:
    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    bool Chance(int percent) { return Between(1, 100) <= percent; }
    const std::string& AnyWord() { return kVocabulary[static_cast<std::size_t>(Between(0, kVocabularySize - 1))]; }

    std::vector<Card> Cards()
    {
        std::vector<std::string> words(kVocabulary, kVocabulary + kVocabularySize);
        std::shuffle(words.begin(), words.end(), m_random);
        words.resize(static_cast<std::size_t>(Between(0, 7)));
        if (!words.empty() && Chance(15))
            words.insert(words.begin() + Between(0, static_cast<int>(words.size())),
                         words[static_cast<std::size_t>(Between(0, static_cast<int>(words.size()) - 1))]);
        std::vector<Card> cards;
        for (const std::string& word : words)
            cards.push_back({word, Between(0, 5)});
        return cards;
    }

    // Rows that match the list, reordered, missing, extra or repeated.
    Rows TableFor(const std::vector<Card>& cards, bool withKey)
    {
        std::vector<std::string> words;
        for (const Card& card : cards)
            words.push_back(card.word);
        switch (Between(0, 4)) {
        case 0: // the list as stored
            break;
        case 1: // a head of it
            words.resize(static_cast<std::size_t>(Between(0, static_cast<int>(words.size()))));
            break;
        case 2: // reordered
            std::shuffle(words.begin(), words.end(), m_random);
            break;
        case 3: // a word replaced
            if (!words.empty())
                words[static_cast<std::size_t>(Between(0, static_cast<int>(words.size()) - 1))] = AnyWord();
            break;
        default: // a word missing in the middle
            if (!words.empty())
                words.erase(words.begin() + Between(0, static_cast<int>(words.size()) - 1));
            break;
        }
        for (int extra = Between(0, 2); extra > 0; --extra)
            words.push_back(AnyWord());
        if (!withKey && !words.empty() && Chance(50))
            words.insert(words.begin() + Between(0, static_cast<int>(words.size())),
                         words[static_cast<std::size_t>(Between(0, static_cast<int>(words.size()) - 1))]);
        Rows rows;
        for (const std::string& word : words) {
            if (withKey && Contains(rows, word))
                continue;
            rows.push_back({word, Between(0, 9), Between(0, 9), Between(0, 9)});
        }
        return rows;
    }

    static constexpr int kVocabularySize = 9;
    static inline const std::string kVocabulary[kVocabularySize] = {"a", "b", "c", "d", "e", "f", "g", "h", "it's"};
    std::mt19937 m_random;
};

std::string Describe(const Input& in)
{
    std::ostringstream text;
    text << "listed " << in.listed << ", range " << in.beg << ".." << in.end << ", cards";
    for (const Card& card : in.cards)
        text << ' ' << card.word << '/' << card.level;
    if (in.before.table) {
        text << "; table" << (in.before.withKey ? " (keyed)" : " (no key)");
        for (const Row& row : *in.before.table)
            text << ' ' << row.word << '/' << row.free << '/' << row.testWrong << '/' << row.testAsked;
    } else {
        text << "; no table";
    }
    text << "; control";
    for (const auto& [name, beg, end] : in.before.control)
        text << ' ' << name << '/' << beg << '/' << end;
    return text.str();
}

void ExpectSameWorld(const World& actual, const World& expected)
{
    EXPECT_EQ(actual.control, expected.control);
    ASSERT_EQ(actual.table.has_value(), expected.table.has_value());
    if (!expected.table)
        return;
    std::vector<std::tuple<std::string, int, int, int>> a, e;
    for (const Row& r : *actual.table)
        a.emplace_back(r.word, r.free, r.testWrong, r.testAsked);
    for (const Row& r : *expected.table)
        e.emplace_back(r.word, r.free, r.testWrong, r.testAsked);
    EXPECT_EQ(a, e);
}

TEST(ListSyncModelTest, ListSync_RandomTables_AgreeWithReferenceModel)
{
    TestDatabase db;
    // Rounds share one file; nothing here needs it to survive a power cut.
    db.Exec("PRAGMA synchronous = OFF");
    Generator generator(20240611);
    for (int round = 0; round < 500 && !::testing::Test::HasFailure(); ++round) {
        const Input in = generator.Next();
        SCOPED_TRACE("round " + std::to_string(round) + ": " + Describe(in));
        db.Exec("DROP TABLE IF EXISTS L");
        db.Exec("DELETE FROM control");
        TestDatabase::ResetWordStore();
        Establish(db, in.before);
        WordListState& entry = FindOrInsertWordList(kName);
        for (const Card& card : in.cards)
            entry.cards.push_back(WordCard{"m", card.word, "p", card.level});
        entry.count = static_cast<int>(in.cards.size());
        entry.beg = in.beg;
        entry.end = in.end;
        entry.listed.store(in.listed);
        DrillHistory.push_back(HistoryEntry{"stale entry", 9, 9, 9, 9, 9});

        ListSyncThread(&entry, kName);

        const Outcome expected = Model(in);
        ExpectSameWorld(Observe(db), expected.after);
        EXPECT_EQ(ActualHistory(), expected.history);
        EXPECT_TRUE(entry.listed.load());
    }
}

} // namespace
