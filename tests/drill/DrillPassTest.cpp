// The rules of a drill's passes without a bar: what the learner does, in a
// row, and what each step tells the bar and leaves of the pass.
#include "drill/DrillPass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Step = DrillPass::Step;
using Words = std::vector<std::string>;
using Counts = std::map<std::string, std::int32_t>;

} // namespace

// Found by gtest for readable failures; the names in the order of the enum.
void PrintTo(DrillPass::Step step, std::ostream* out)
{
    static const char* const names[] = {"Unchanged", "ShowCard", "NewCard", "PassEnded", "DrillOver"};
    *out << names[static_cast<int>(step)];
}

namespace {

// Test passes are shuffled with every draw 0: a b c comes out as c a b.
std::int32_t DrawZero(std::int32_t) { return 0; }

// One thing the learner does, with what the bar hands the pass for it.
using Act = std::function<Step(DrillPass&)>;
Act Next() { return [](DrillPass& pass) { return pass.Next(false); }; }
Act NextMarked() { return [](DrillPass& pass) { return pass.Next(true); }; }
Act Back() { return [](DrillPass& pass) { return pass.Back(false); }; }
Act BackMarked() { return [](DrillPass& pass) { return pass.Back(true); }; }
Act Spell(std::string typed) { return [typed = std::move(typed)](DrillPass& pass) { return pass.Spell(typed); }; }
Act MarkKey() { return [](DrillPass& pass) { return pass.ShowMarked(); }; }
Act Answer(std::string typed)
{
    return [typed = std::move(typed)](DrillPass& pass) { return pass.Answer(typed); };
}
// Test mode: "ok" once more after a judged answer; what is typed then counts for nothing.
Act Ok() { return Answer("ignored"); }
Act Yes() { return [](DrillPass& pass) { return pass.EndPass(true, DrawZero); }; }
Act No() { return [](DrillPass& pass) { return pass.EndPass(false, DrawZero); }; }
// Test mode's box at a pass's end has only OK.
Act Announced() { return Yes(); }
Act Reveal() { return [](DrillPass& pass) { return pass.Reveal(); }; }

// What a pass is left with. Unless a row says otherwise: the first of the
// three cards, apple book cat in both passes, nothing judged, known or counted.
struct PassState {
    std::string card = "apple"; // the shown card's word; none past the last card
    std::int32_t position = 1;
    Words pass = {"apple", "book", "cat"};
    Words nextPass = {"apple", "book", "cat"};
    Words known = {};
    Counts counted = {}; // the words counted above 0
    // The judgement the card shows in its colour, while it shows one.
    std::optional<int> judged = {};
    bool revealed = false;
    bool awaitingAnswer = true;

    bool operator==(const PassState&) const = default;
};

void PrintTo(const PassState& s, std::ostream* out)
{
    const auto words = [out](const Words& list) {
        for (const std::string& word : list)
            *out << ' ' << word;
    };
    *out << "card " << (s.card.empty() ? "(none)" : s.card) << " at " << s.position << ", pass";
    words(s.pass);
    *out << ", next pass";
    words(s.nextPass);
    *out << ", known";
    words(s.known);
    *out << ", counted";
    for (const auto& [word, count] : s.counted)
        *out << ' ' << word << '=' << count;
    *out << ", judged " << (s.judged ? std::to_string(*s.judged) : "no") << ", revealed " << s.revealed
         << ", awaiting " << s.awaitingAnswer;
}

Words WordsOf(const std::vector<WordCard>& cards)
{
    Words words;
    for (const WordCard& card : cards)
        words.push_back(card.word);
    return words;
}

PassState StateOf(const DrillPass& pass)
{
    PassState state{pass.PastLastCard() ? "" : pass.m_passCards[pass.m_current].word,
                    pass.m_position,
                    WordsOf(pass.m_passCards),
                    WordsOf(pass.m_nextPassCards),
                    Words(pass.m_knownWords.begin(), pass.m_knownWords.end()),
                    {},
                    {},
                    pass.m_revealed,
                    pass.m_awaitingAnswer};
    if (pass.m_judged)
        state.judged = pass.m_judgement;
    for (const auto& [word, count] : pass.m_wordCounts)
        if (count != 0)
            state.counted[word] = count;
    return state;
}

std::vector<WordCard> CardsOf(const Words& words)
{
    std::vector<WordCard> cards;
    for (const std::string& word : words)
        cards.push_back(WordCard{"m-" + word, word, "[" + word + "]", 0});
    return cards;
}

struct Case {
    const char* name;
    std::int32_t mode;
    std::vector<Act> acts;
    std::vector<Step> steps;
    PassState after;
    Words cards = {"apple", "book", "cat"};
};

void Play(const Case& c)
{
    SCOPED_TRACE(c.name);
    DrillPass pass;
    ASSERT_EQ(pass.SelectCards(CardsOf(c.cards), 0, static_cast<std::int32_t>(c.cards.size()) - 1), 0);
    pass.m_mode = c.mode;
    pass.BeginDrill(DrawZero);
    std::vector<Step> steps;
    for (const Act& act : c.acts)
        steps.push_back(act(pass));
    EXPECT_EQ(steps, c.steps);
    EXPECT_EQ(StateOf(pass), c.after);
}

constexpr auto kPreview = DrillPass::kPreview;
constexpr auto kFree = DrillPass::kFree;
constexpr auto kTest = DrillPass::kTest;
constexpr auto kWrong = DrillPass::kWrong;
constexpr auto kRight = DrillPass::kRight;
constexpr auto kKnown = DrillPass::kKnown;
constexpr Step kUnchanged = Step::Unchanged;
constexpr Step kShow = Step::ShowCard;
constexpr Step kNew = Step::NewCard;
constexpr Step kPassEnded = Step::PassEnded;
constexpr Step kOver = Step::DrillOver;

TEST(DrillPassTest, PreviewAndFree_StepsThroughAPassAndMarks)
{
    const Case cases[] = {
        {"free starts on the meaning", kFree, {}, {}, {}},
        {"preview starts on the word, and every card does", kPreview, {Reveal(), Next()}, {kShow, kNew},
         {.card = "book", .position = 2, .revealed = true}},
        {"next hides a revealed word again", kFree, {Reveal(), Next()}, {kShow, kNew},
         {.card = "book", .position = 2}},
        {"back on the first card does nothing", kFree, {BackMarked()}, {kUnchanged}, {}},
        {"back and forth", kFree, {Next(), Next(), Back()}, {kNew, kNew, kNew}, {.card = "book", .position = 2}},
        {"a card left marked is known and out of the next pass", kFree, {Next(), NextMarked()}, {kNew, kNew},
         {.card = "cat", .position = 3, .nextPass = {"apple", "cat"}, .known = {"book"}}},
        {"a known card left unmarked stays out of the next pass", kFree,
         {Next(), NextMarked(), Back(), Back()}, {kNew, kNew, kNew, kNew},
         {.nextPass = {"apple", "cat"}, .known = {"book"}}},
        {"known the moment it shows again", kFree, {Next(), NextMarked(), Back()}, {kNew, kNew, kNew},
         {.card = "book", .position = 2, .nextPass = {"apple", "cat"}, .known = {"book"}, .judged = kKnown}},
        {"a known word stays known whatever is typed", kFree, {NextMarked(), Back(), Spell("wrong")},
         {kNew, kNew, kShow},
         {.nextPass = {"book", "cat"}, .known = {"apple"}, .judged = kKnown}},
        {"leaving marked by back", kFree, {Next(), BackMarked()}, {kNew, kNew},
         {.nextPass = {"apple", "cat"}, .known = {"book"}}},
        {"the mark key shows the card known; the word is not known yet", kFree, {MarkKey()}, {kShow},
         {.judged = kKnown}},
        {"marked, then unticked before leaving: not known", kFree, {MarkKey(), Next()}, {kShow, kNew},
         {.card = "book", .position = 2}},
        {"a word drilled twice leaves the next pass once", kFree, {NextMarked(), Next(), Reveal()},
         {kNew, kNew, kShow},
         {.card = "apple", .position = 3, .pass = {"apple", "book", "apple"}, .nextPass = {"book", "apple"},
          .known = {"apple"}, .judged = kKnown, .revealed = true},
         {"apple", "book", "apple"}},
        {"test mode's steps do nothing", kFree, {Answer("apple"), Yes(), No()}, {kUnchanged, kUnchanged, kUnchanged},
         {}},
    };
    for (const Case& c : cases)
        Play(c);
}

TEST(DrillPassTest, PreviewAndFree_EndOfPass_AskedThenCountedOrStayed)
{
    const Case cases[] = {
        {"no, then next asks again", kFree, {Next(), Next(), Next(), No(), Next()},
         {kNew, kNew, kPassEnded, kNew, kPassEnded}, {.card = "", .position = 4}},
        {"no after marking the last card: it stays, known", kFree, {Next(), Next(), NextMarked(), No()},
         {kNew, kNew, kPassEnded, kNew},
         {.card = "cat", .position = 3, .nextPass = {"apple", "book"}, .known = {"cat"}, .judged = kKnown}},
        {"yes: every card of the pass counted once, the unknown ones again", kFree,
         {NextMarked(), Next(), NextMarked(), Yes()}, {kNew, kNew, kPassEnded, kNew},
         {.card = "book", .pass = {"book"}, .nextPass = {"book"}, .known = {"apple", "cat"},
          .counted = {{"apple", 1}, {"book", 1}, {"cat", 1}}}},
        {"all known: yes ends the drill", kFree, {NextMarked(), NextMarked(), NextMarked(), Yes()},
         {kNew, kNew, kPassEnded, kOver},
         {.card = "", .pass = {}, .nextPass = {}, .known = {"apple", "book", "cat"},
          .counted = {{"apple", 1}, {"book", 1}, {"cat", 1}}}},
        {"preview counts as free does", kPreview, {NextMarked(), NextMarked(), NextMarked(), Yes()},
         {kNew, kNew, kPassEnded, kOver},
         {.card = "", .pass = {}, .nextPass = {}, .known = {"apple", "book", "cat"},
          .counted = {{"apple", 1}, {"book", 1}, {"cat", 1}}, .revealed = true}},
        {"three passes: each word counts the passes it took part in", kFree,
         {NextMarked(), Next(), NextMarked(), Yes(), Next(), Yes(), NextMarked(), Yes()},
         {kNew, kNew, kPassEnded, kNew, kPassEnded, kNew, kPassEnded, kOver},
         {.card = "", .pass = {}, .nextPass = {}, .known = {"apple", "book", "cat"},
          .counted = {{"apple", 1}, {"book", 3}, {"cat", 1}}}},
        {"while the box is up, no step acts", kFree,
         {Next(), Next(), Next(), Next(), BackMarked(), Spell("cat"), Reveal(), MarkKey()},
         {kNew, kNew, kPassEnded, kUnchanged, kUnchanged, kUnchanged, kUnchanged, kUnchanged},
         {.card = "", .position = 4}},
        {"after the drill's end, neither", kFree,
         {NextMarked(), NextMarked(), NextMarked(), Yes(), Next(), Reveal(), Yes(), No()},
         {kNew, kNew, kPassEnded, kOver, kUnchanged, kUnchanged, kUnchanged, kUnchanged},
         {.card = "", .pass = {}, .nextPass = {}, .known = {"apple", "book", "cat"},
          .counted = {{"apple", 1}, {"book", 1}, {"cat", 1}}}},
        {"an answer to a box that is not up does nothing", kFree, {Yes(), No()}, {kUnchanged, kUnchanged}, {}},
    };
    for (const Case& c : cases)
        Play(c);
}

TEST(DrillPassTest, Test_AnswersJudgedAndWrongOnesComeBack)
{
    // Shuffled with every draw 0, the first pass asks cat, apple, book.
    const PassState start{.card = "cat", .pass = {"cat", "apple", "book"}, .nextPass = {}};
    const Case cases[] = {
        {"the first pass is shuffled", kTest, {}, {}, start},
        {"a wrong answer shows the word and comes back", kTest, {Answer("zzz")}, {kShow},
         {.card = "cat", .pass = {"cat", "apple", "book"}, .nextPass = {"cat"}, .counted = {{"cat", 1}},
          .judged = kWrong, .revealed = true, .awaitingAnswer = false}},
        {"ok again: the next card's meaning, judged no more", kTest, {Answer("zzz"), Ok()}, {kShow, kNew},
         {.card = "apple", .position = 2, .pass = {"cat", "apple", "book"}, .nextPass = {"cat"},
          .counted = {{"cat", 1}}}},
        {"the word before an answer; the answer judged all the same", kTest, {Reveal(), Answer("CAT")},
         {kShow, kShow},
         {.card = "cat", .pass = {"cat", "apple", "book"}, .nextPass = {}, .counted = {{"cat", 1}}, .judged = kRight,
          .revealed = true, .awaitingAnswer = false}},
        {"all right at the first try: the drill ends without a box", kTest,
         {Answer("cat"), Ok(), Answer("apple"), Ok(), Answer("book"), Ok()},
         {kShow, kNew, kShow, kNew, kShow, kOver},
         {.card = "", .position = 4, .pass = {"cat", "apple", "book"}, .nextPass = {},
          .counted = {{"apple", 1}, {"book", 1}, {"cat", 1}}}},
        {"right in the second pass: the drill ends", kTest,
         {Answer("zzz"), Ok(), Answer("apple"), Ok(), Answer("book"), Ok(), Announced(), Answer("cat"), Ok()},
         {kShow, kNew, kShow, kNew, kShow, kPassEnded, kNew, kShow, kOver},
         {.card = "", .position = 2, .pass = {"cat"}, .nextPass = {},
          .counted = {{"apple", 1}, {"book", 1}, {"cat", 2}}}},
        {"every pass shuffled anew: wrong cat apple book ask book cat apple", kTest,
         {Answer("x"), Ok(), Answer("x"), Ok(), Answer("x"), Ok(), Announced()},
         {kShow, kNew, kShow, kNew, kShow, kPassEnded, kNew},
         {.card = "book", .pass = {"book", "cat", "apple"}, .nextPass = {},
          .counted = {{"apple", 1}, {"book", 1}, {"cat", 1}}}},
        {"while the box is up, no step acts", kTest,
         {Answer("x"), Ok(), Answer("apple"), Ok(), Answer("book"), Ok(), Answer("cat"), Reveal()},
         {kShow, kNew, kShow, kNew, kShow, kPassEnded, kUnchanged, kUnchanged},
         {.card = "", .position = 4, .pass = {"cat", "apple", "book"}, .nextPass = {"cat"},
          .counted = {{"apple", 1}, {"book", 1}, {"cat", 1}}}},
        {"preview and free's steps do nothing", kTest, {Next(), BackMarked(), Spell("cat"), MarkKey(), No()},
         {kUnchanged, kUnchanged, kUnchanged, kUnchanged, kUnchanged}, start},
    };
    for (const Case& c : cases)
        Play(c);
}

// Spelling while typing (preview, free) and the answer (test) are judged by
// the same comparison; its rules are SameSpelling's.
TEST(DrillPassTest, SpellAndAnswer_TypedTextAgainstTheWord)
{
    struct TypedCase {
        std::string word;
        std::string typed;
        bool right;
    };
    const TypedCase cases[] = {{"apple", "ApPlE", true}, {"apple", "appl", false}, {"apple", "apply", false}};
    for (const TypedCase& c : cases) {
        SCOPED_TRACE(c.typed);
        for (const std::int32_t mode : {kFree, kTest}) {
            DrillPass pass;
            pass.SelectCards({WordCard{"m", c.word, "[p]", 0}}, 0, 0);
            pass.m_mode = mode;
            pass.BeginDrill();
            EXPECT_EQ(mode == kTest ? pass.Answer(c.typed) : pass.Spell(c.typed), Step::ShowCard);
            EXPECT_TRUE(pass.m_judged);
            EXPECT_EQ(pass.m_judgement, c.right ? kRight : kWrong);
        }
    }
}

// A test drill asks every pass in an order of its own. Thirty cards come
// out of a shuffle in the order they went in once in 30! times: never.
TEST(DrillPassTest, Test_EveryPassShuffledByTheRealSource)
{
    Words selected;
    for (int i = 0; i < 30; ++i)
        selected.push_back("w" + std::to_string(i));
    DrillPass pass;
    pass.SelectCards(CardsOf(selected), 0, 29);
    pass.m_mode = kTest;
    pass.BeginDrill();
    const Words firstPass = WordsOf(pass.m_passCards);
    // Every answer wrong: the next pass holds the cards in this pass's order.
    for (int n = 0; n < 30; ++n) {
        pass.Answer("zzz");
        pass.Answer("zzz");
    }
    ASSERT_EQ(pass.EndPass(true), Step::NewCard);
    const Words secondPass = WordsOf(pass.m_passCards);

    EXPECT_NE(firstPass, selected);
    EXPECT_NE(secondPass, firstPass);
    EXPECT_TRUE(std::is_permutation(firstPass.begin(), firstPass.end(), selected.begin(), selected.end()));
    EXPECT_TRUE(std::is_permutation(secondPass.begin(), secondPass.end(), selected.begin(), selected.end()));
}

} // namespace
