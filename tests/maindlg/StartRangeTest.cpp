#include "maindlg/StartRange.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Messages(const StartRange& range)
{
    std::vector<std::string> texts;
    for (const char* message : range.messages)
        if (message)
            texts.emplace_back(message);
    return texts;
}

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
        EXPECT_EQ(Messages(range), c.messages);
        if (c.accepted) {
            EXPECT_EQ(range.first, c.first);
            EXPECT_EQ(range.last, c.last);
        }
    }
}

} // namespace
