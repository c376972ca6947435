// Choosing a drill's words from a list and shuffling them.
#include "drill/DrillSelection.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

using CardFields = std::tuple<std::string, std::string, std::string, std::int32_t>;
using Counts = std::vector<std::pair<std::string, std::int32_t>>;

CardFields Fields(const WordCard& card) { return {card.meaning, card.word, card.phonetic, card.level}; }

std::vector<CardFields> Fields(const std::vector<WordCard>& cards)
{
    std::vector<CardFields> fields;
    for (const WordCard& card : cards)
        fields.push_back(Fields(card));
    return fields;
}

std::vector<std::string> Words(const std::vector<WordCard>& cards)
{
    std::vector<std::string> words;
    for (const WordCard& card : cards)
        words.push_back(card.word);
    return words;
}

Counts CountsOf(const DrillSelection& drill) { return Counts(drill.m_wordCounts.begin(), drill.m_wordCounts.end()); }

// Thirty cards "word01".."word30"; card n has level n % 6.
std::vector<WordCard> ThirtyCards()
{
    std::vector<WordCard> cards;
    for (int n = 1; n <= 30; ++n) {
        const std::string number = (n < 10 ? "0" : "") + std::to_string(n);
        cards.push_back(WordCard{"meaning" + number, "word" + number, "[phonetic" + number + "]", n % 6});
    }
    return cards;
}

std::vector<std::string> WordNumbers(int from, int to)
{
    std::vector<std::string> words;
    for (int n = from; n <= to; ++n)
        words.push_back((n < 10 ? "word0" : "word") + std::to_string(n));
    return words;
}

Counts ZeroCounts(const std::vector<std::string>& words)
{
    Counts counts;
    for (const std::string& word : words)
        counts.emplace_back(word, 0);
    return counts;
}

// The drill bar object is reused: what the previous drill left must go.
void LeaveEarlierDrill(DrillSelection& drill)
{
    drill.m_passCards = {WordCard{"m", "earlier", "p", 2}};
    drill.m_nextPassCards = {WordCard{"m", "next", "p", 1}};
    drill.m_knownWords = {"known"};
    drill.m_wordCounts = {{"earlier", 3}};
    drill.m_levelFilter = 4;
}

void ExpectSelection(const DrillSelection& drill, const std::vector<std::string>& words)
{
    EXPECT_EQ(Words(drill.m_passCards), words);
    EXPECT_EQ(CountsOf(drill), ZeroCounts(words));
    EXPECT_TRUE(drill.m_nextPassCards.empty());
    EXPECT_TRUE(drill.m_knownWords.empty());
}

TEST(DrillSelectionTest, SelectCards_Ranges_SelectWordsInListOrder)
{
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    struct Case {
        std::int32_t first, last;
        std::int32_t result;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {0, 29, 0, WordNumbers(1, 30)},  {4, 4, 0, {"word05"}},     {25, 40, 0, WordNumbers(26, 30)},
        {10, 5, 0, {}},                  {-1, 5, 1, {}},            {0, kMax, 0, WordNumbers(1, 30)},
        {kMax, kMax, 0, {}},             {30, 35, 0, {}},           {29, 29, 0, {"word30"}},
        {std::numeric_limits<std::int32_t>::min(), kMax, 1, {}},
    };
    const std::vector<WordCard> cards = ThirtyCards();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.first) + ".." + std::to_string(c.last));
        DrillSelection drill;
        LeaveEarlierDrill(drill);

        EXPECT_EQ(drill.SelectCards(cards, c.first, c.last), c.result);

        ExpectSelection(drill, c.words);
        EXPECT_EQ(drill.m_levelFilter, 0);
    }
}

TEST(DrillSelectionTest, SelectCards_CopiesEveryFieldOfTheCard)
{
    std::vector<WordCard> cards = ThirtyCards();
    DrillSelection drill;
    drill.SelectCards(cards, 2, 3);
    cards[2].word = "changed later";

    EXPECT_EQ(Fields(drill.m_passCards), (std::vector<CardFields>{{"meaning03", "word03", "[phonetic03]", 3},
                                                                  {"meaning04", "word04", "[phonetic04]", 4}}));
}

TEST(DrillSelectionTest, SelectCardsAtLevel_TakesOnlyCardsOfThatLevelInRange)
{
    struct Case {
        std::int32_t first, last, level;
        std::int32_t result;
        std::vector<std::string> words;
    };
    // Card number n has level n % 6.
    const Case cases[] = {
        {0, 29, 3, 0, {"word03", "word09", "word15", "word21", "word27"}},
        {5, 20, 3, 0, {"word09", "word15", "word21"}},
        {0, 29, 6, 0, {}},
        {0, 1, 3, 0, {}}, // no card of that level in the range
        {10, 5, 1, 0, {}},
        {-1, 29, 2, 1, {}},
    };
    const std::vector<WordCard> cards = ThirtyCards();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.first) + ".." + std::to_string(c.last) + " level " + std::to_string(c.level));
        DrillSelection drill;
        LeaveEarlierDrill(drill);

        EXPECT_EQ(drill.SelectCardsAtLevel(cards, c.first, c.last, c.level), c.result);

        ExpectSelection(drill, c.words);
        EXPECT_EQ(drill.m_levelFilter, c.level);
    }
}

TEST(DrillSelectionTest, SelectCards_SameWordTwice_BothDrilledOneCount)
{
    const std::vector<WordCard> cards = {{"m1", "same", "p1", 0}, {"m2", "other", "p2", 0}, {"m3", "same", "p3", 0}};
    DrillSelection drill;

    EXPECT_EQ(drill.SelectCards(cards, 0, 2), 0);

    EXPECT_EQ(Fields(drill.m_passCards),
              (std::vector<CardFields>{{"m1", "same", "p1", 0}, {"m2", "other", "p2", 0}, {"m3", "same", "p3", 0}}));
    EXPECT_EQ(CountsOf(drill), (Counts{{"other", 0}, {"same", 0}}));
}

// Results are written back in this order; CP932 lead bytes are above 0x7F
// and must sort after ASCII, as unsigned bytes do.
TEST(DrillSelectionTest, SelectCards_WordCounts_OrderedByUnsignedBytes)
{
    const std::vector<std::string> words = {"b", "\x82\xa0", "ab", "A", "a", "\x7f", ""};
    std::vector<WordCard> cards;
    for (const std::string& word : words)
        cards.push_back(WordCard{"m", word, "p", 0});
    DrillSelection drill;

    drill.SelectCards(cards, 0, 6);

    EXPECT_EQ(CountsOf(drill), ZeroCounts({"", "A", "a", "ab", "b", "\x7f", "\x82\xa0"}));
}

// ---- shuffle ---------------------------------------------------------------

std::vector<WordCard> CardsNamed(const std::vector<std::string>& words)
{
    std::vector<WordCard> cards;
    for (const std::string& word : words)
        cards.push_back(WordCard{"m" + word, word, "p" + word, 0});
    return cards;
}

// Hands out scripted draws and records the bound each draw was asked for.
struct ScriptedRandom {
    std::vector<std::int32_t> draws;
    std::vector<std::int32_t> bounds;
    std::size_t next = 0;

    RandomSource Source()
    {
        return [this](std::int32_t n) {
            bounds.push_back(n);
            return next < draws.size() ? draws[next++] : 0;
        };
    }
};

TEST(ShuffleCardsTest, ShuffleCards_ScriptedDraws_ExchangeForward)
{
    struct Case {
        const char* name;
        std::vector<std::string> cards;
        std::vector<std::int32_t> draws;
        std::vector<std::string> order;
        std::vector<std::int32_t> bounds;
    };
    const Case cases[] = {
        {"no card", {}, {}, {}, {}},
        {"one card", {"A"}, {}, {"A"}, {}},
        {"two cards, draw 0", {"A", "B"}, {0}, {"B", "A"}, {2}},
        {"two cards, draw 1", {"A", "B"}, {1}, {"A", "B"}, {2}},
        {"every draw 0", {"A", "B", "C", "D"}, {0, 0, 0}, {"D", "A", "B", "C"}, {2, 3, 4}},
        {"every draw the top", {"A", "B", "C", "D"}, {1, 2, 3}, {"A", "B", "C", "D"}, {2, 3, 4}},
        {"mixed draws", {"A", "B", "C", "D"}, {0, 1, 2}, {"B", "C", "D", "A"}, {2, 3, 4}},
        {"draws reduced modulo the bound", {"A", "B", "C"}, {2, 4}, {"B", "C", "A"}, {2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<WordCard> cards = CardsNamed(c.cards);
        ScriptedRandom random{c.draws, {}};

        ShuffleCards(cards, random.Source());

        EXPECT_EQ(Words(cards), c.order);
        EXPECT_EQ(random.bounds, c.bounds);
    }
}

TEST(ShuffleCardsTest, ShuffleCards_MovesWholeCards)
{
    std::vector<WordCard> cards = {{"mA", "A", "pA", 1}, {"mB", "B", "pB", 2}};
    ScriptedRandom random{{0}, {}};

    ShuffleCards(cards, random.Source());

    EXPECT_EQ(Fields(cards), (std::vector<CardFields>{{"mB", "B", "pB", 2}, {"mA", "A", "pA", 1}}));
}

TEST(ShuffleCardsTest, RandomBelow_StaysInRangeAndReachesEveryValue)
{
    EXPECT_EQ(RandomBelow(1), 0);
    for (std::int32_t n : {2, 3, 7, 30}) {
        SCOPED_TRACE(n);
        std::set<std::int32_t> seen;
        for (int draw = 0; draw < 2000; ++draw) {
            const std::int32_t value = RandomBelow(n);
            ASSERT_GE(value, 0);
            ASSERT_LT(value, n);
            seen.insert(value);
        }
        EXPECT_EQ(seen.size(), static_cast<std::size_t>(n));
    }
}

// Draws that all came from the same seed made every shuffle within one
// second produce the same order; many shuffles in a row must differ.
TEST(ShuffleCardsTest, ShuffleCards_RealSource_ManyShufflesGiveManyOrders)
{
    std::vector<std::string> words;
    for (int n = 0; n < 30; ++n)
        words.push_back("w" + std::to_string(n));
    std::set<std::vector<std::string>> orders;
    std::set<std::string> firstWords;
    for (int round = 0; round < 200; ++round) {
        std::vector<WordCard> cards = CardsNamed(words);
        ShuffleCards(cards);
        const std::vector<std::string> order = Words(cards);
        EXPECT_EQ(std::multiset<std::string>(order.begin(), order.end()),
                  std::multiset<std::string>(words.begin(), words.end()));
        orders.insert(order);
        firstWords.insert(order.front());
    }
    EXPECT_GE(orders.size(), 195u);
    EXPECT_GE(firstWords.size(), 15u);
}

} // namespace
