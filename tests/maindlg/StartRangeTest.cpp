// The range check of Start: a table of chosen cases, then the two range
// fields filled with random texts (digits, blanks, signs, letters, numbers
// far beyond 32 bits, empty), checked against a reference model of Start's
// rules written from the rules alone: first through the range check itself,
// ten thousand times, then through the real dialog's Start, where the
// stored range, the boxes and the drill must follow the same model.
#include "MainDialogHarness.h"

#include <climits>
#include <random>
#include <string>
#include <vector>

namespace {

// ---- the model -----------------------------------------------------------

// The number a range text stands for: blanks, then a sign, then digits as
// far as they go; no digit means 0; beyond 32 bits the nearest end of the
// 32-bit range. Digits are counted rather than accumulated, so no length of
// text can overflow the model itself.
long long Number(const std::string& text)
{
    std::size_t i = text.find_first_not_of(" \t\n\v\f\r");
    if (i == std::string::npos)
        return 0;
    bool negative = false;
    if (text[i] == '-' || text[i] == '+')
        negative = text[i++] == '-';
    while (i < text.size() && text[i] == '0')
        ++i;
    std::string digits;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        digits += text[i++];
    const long long limit = negative ? 2147483648LL : 2147483647LL;
    long long value = digits.size() > 10 ? limit : (digits.empty() ? 0 : std::stoll(digits));
    value = std::min(value, limit);
    return negative ? -value : value;
}

struct Expected {
    bool drill = false;
    long long first = 0, last = 0;
    std::vector<std::string> boxes;
};

// The range rules of Start for a list of n words.
Expected Rules(const std::string& firstText, const std::string& lastText, long long n)
{
    Expected e;
    if (n == 0) {
        e.boxes = {kWordListEmptyText};
        return e;
    }
    long long first = firstText.empty() ? 1 : Number(firstText);
    long long last = lastText.empty() ? n : Number(lastText);
    // The last number is compared as an unsigned 32-bit one.
    const long long lastUnsigned = last < 0 ? last + 4294967296LL : last;
    if (first < 1 || lastUnsigned > n + 1) {
        e.boxes.push_back(kSelectionOutOfRangeText);
        first = 1;
        last = n;
    }
    if (last < first) {
        e.boxes.push_back(kZeroWordsSelectedText);
        first = 1;
        last = n;
    }
    if (last == first) {
        e.boxes.push_back(kWordListEmptyText);
        return e;
    }
    e.drill = true;
    e.first = first;
    e.last = last;
    return e;
}

// ---- random range texts ----------------------------------------------------

std::string RandomText(std::mt19937& random, bool asciiOnly)
{
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    static const std::vector<std::string> pieces = {
        "0", "1", "2", "3", "5", "9", "29", "30", "31", "32", "00", "-", "+", " ", "\t", "x", "e", ".", ",",
        "2147483647", "2147483648", "-2147483648", "-2147483649", "4294967295", "4294967296", "4294967326",
        "99999999999999999999999999", "000000000000000000031", "0x1F", "1e3", "--1", "+-1", " -0"};
    static const std::vector<std::string> highBytes = {"\x82\x4f", "\x82\x50", "\x81\x40"}; // CP932 "０", "１", full-width blank
    std::string text;
    switch (pick(10)) {
    case 0:
        return text; // empty
    case 1: // a plain number around the list's size
        return std::to_string(pick(40) - 4);
    case 2: { // a long run of digits
        for (int digits = 1 + pick(40); digits > 0; --digits)
            text += static_cast<char>('0' + pick(10));
        return text;
    }
    default:
        for (int parts = 1 + pick(4); parts > 0; --parts)
            text += !asciiOnly && pick(12) == 0 ? highBytes[pick(static_cast<int>(highBytes.size()))]
                                                : pieces[pick(static_cast<int>(pieces.size()))];
        return text;
    }
}

std::vector<std::string> Texts(const StartRange& range)
{
    std::vector<std::string> texts;
    for (const char* message : range.messages)
        if (message)
            texts.emplace_back(message);
    return texts;
}

// ---- the range check itself ----------------------------------------------

struct RangeCase {
    const char* name;
    const char* firstText;
    const char* lastText;
    std::int32_t n;
    bool accepted;
    std::int32_t first, last;
    std::vector<std::string> messages;
};

TEST(StartRange, RulesPerFieldAndCombined_MatchTable)
{
    const std::string outOfRange = kSelectionOutOfRangeText;
    const std::string zeroWords = kZeroWordsSelectedText;
    const std::string empty = kWordListEmptyText;
    const RangeCase cases[] = {
        {"both empty: whole list", "", "", 30, true, 1, 30, {}},
        {"plain range", "3", "12", 30, true, 3, 12, {}},
        {"last n + 1 accepted", "", "31", 30, true, 1, 31, {}},
        {"last n", "29", "30", 30, true, 29, 30, {}},
        {"first 0", "0", "", 30, true, 1, 30, {outOfRange}},
        {"first negative", "-3", "10", 30, true, 1, 30, {outOfRange}},
        {"first text", "abc", "10", 30, true, 1, 30, {outOfRange}},
        {"last n + 2", "1", "32", 30, true, 1, 30, {outOfRange}},
        {"last negative", "1", "-1", 30, true, 1, 30, {outOfRange}},
        {"last hugely negative", "", "-99999999999", 30, true, 1, 30, {outOfRange}},
        {"last huge", "", "4294967326", 30, true, 1, 30, {outOfRange}},
        {"first 0 and last n + 2", "0", "32", 30, true, 1, 30, {outOfRange}},
        {"last 0", "1", "0", 30, true, 1, 30, {zeroWords}},
        {"last text", "1", "abc", 30, true, 1, 30, {zeroWords}},
        {"last below first", "10", "5", 30, true, 1, 30, {zeroWords}},
        {"first n + 2, last empty", "32", "", 30, true, 1, 30, {zeroWords}},
        {"first huge, last empty", "4294967326", "", 30, true, 1, 30, {zeroWords}},
        {"first equals last", "5", "5", 30, false, 0, 0, {empty}},
        {"first n + 1, last n + 1", "31", "31", 30, false, 0, 0, {empty}},
        {"blanks and sign read", " 7", "+9", 30, true, 7, 9, {}},
        {"one word, whole list", "", "", 1, false, 0, 0, {empty}},
        {"one word, 1 to 2", "1", "2", 1, true, 1, 2, {}},
        {"one word, out of range then empty", "0", "", 1, false, 0, 0, {outOfRange, empty}},
        {"one word, last below first then empty", "2", "1", 1, false, 0, 0, {zeroWords, empty}},
        {"no words", "", "", 0, false, 0, 0, {empty}},
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const StartRange range = StartRange::Check(c.firstText, c.lastText, c.n);
        EXPECT_EQ(range.accepted, c.accepted);
        EXPECT_EQ(Texts(range), c.messages);
        if (c.accepted) {
            EXPECT_EQ(range.first, c.first);
            EXPECT_EQ(range.last, c.last);
        }
    }
}

TEST(StartRangeFuzz, TenThousandRandomTexts_MatchTheModel)
{
    std::mt19937 random(8);
    const std::int32_t sizes[] = {30, 30, 30, 1, 2, 0, 31, INT32_MAX};
    for (int trial = 0; trial < 10000 && !::testing::Test::HasFailure(); ++trial) {
        const std::string firstText = RandomText(random, false);
        const std::string lastText = RandomText(random, false);
        const std::int32_t n = sizes[trial % std::size(sizes)];
        SCOPED_TRACE("first \"" + firstText + "\", last \"" + lastText + "\", " + std::to_string(n) + " words");

        const StartRange range = StartRange::Check(firstText, lastText, n);
        const Expected expected = Rules(firstText, lastText, n);

        EXPECT_EQ(Texts(range), expected.boxes);
        EXPECT_EQ(range.accepted, expected.drill);
        if (expected.drill) {
            EXPECT_EQ(range.first, expected.first);
            EXPECT_EQ(range.last, expected.last);
        }
    }
}

// ---- through the real dialog ----------------------------------------------

TEST(StartRangeFuzz, RandomTextsThroughStart_StoreBoxAndDrillAsTheModelSays)
{
    main_dialog_test::MainDialogHarness h;
    std::mt19937 random(20);
    h.Run([&] {
        const WordListState& duo = *FindWordList("DUO");
        for (int trial = 0; trial < 400 && !::testing::Test::HasFailure(); ++trial) {
            const std::string firstText = RandomText(random, true);
            const std::string lastText = RandomText(random, true);
            SCOPED_TRACE("first \"" + firstText + "\", last \"" + lastText + "\"");
            const Expected expected = Rules(firstText, lastText, 30);
            const std::size_t drillsBefore = h.drillRuns.size();
            const std::int32_t begBefore = duo.beg;
            const std::int32_t endBefore = duo.end;
            h.modal.Clear();
            h.Edit("firstEdit")->setText(QString::fromStdString(firstText));
            h.Edit("lastEdit")->setText(QString::fromStdString(lastText));

            h.ClickStart();

            std::vector<std::string> boxes;
            for (const QString& text : h.modal.Texts())
                boxes.push_back(text.toStdString());
            EXPECT_EQ(boxes, expected.boxes);
            ASSERT_EQ(h.drillRuns.size() - drillsBefore, expected.drill ? 1u : 0u);
            if (expected.drill) {
                EXPECT_EQ(duo.beg, expected.first);
                EXPECT_EQ(duo.end, expected.last);
                EXPECT_EQ(h.drillRuns.back().words.size(),
                          static_cast<std::size_t>(std::min(expected.last, 30LL) - expected.first + 1));
            } else {
                EXPECT_EQ(duo.beg, begBefore);
                EXPECT_EQ(duo.end, endBefore);
            }
        }
    });

    // The last stored range is the one in save.db.
    const WordListState& duo = *FindWordList("DUO");
    if (duo.listed.load()) {
        EXPECT_EQ(h.db.Rows("select * from control"),
                  (std::vector<std::vector<std::string>>{{"DUO", std::to_string(duo.beg), std::to_string(duo.end)}}));
    }
}

} // namespace
