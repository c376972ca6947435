// A typed answer against the card's word, byte by byte.
#include "drill/CardText.h"

#include <gtest/gtest.h>

#include <string>

TEST(SameSpelling, SingleByteLettersFold_DoubleByteCharactersMatchExactly)
{
    using namespace std::string_literals;
    const struct {
        std::string typed, word;
        bool same;
    } cases[] = {
        {"apple", "apple", true},
        {"APPLE", "apple", true},
        {"apple", "ApPlE", true},
        {"appl", "apple", false},
        {"apple ", "apple", false},
        {"", "", true},
        // The ends of the letters, and the bytes beside them that differ
        // from another character by the case bit alone: @ and `, [ and {.
        {"A", "a", true},
        {"Z", "z", true},
        {"z", "Z", true},
        {"@", "`", false},
        {"[", "{", false},
        // After a lead byte comes the second byte of one character, which
        // may look like a letter (ア is 83 41, ヂ is 83 61) and matches only
        // itself. The ends of both lead-byte ranges, and the single bytes
        // just outside them, whose next byte is a letter of its own.
        {"\x81" "a", "\x81" "A", false},
        {"\x9F" "a", "\x9F" "A", false},
        {"\xE0" "a", "\xE0" "A", false},
        {"\xFC" "a", "\xFC" "A", false},
        {"\x80" "a", "\x80" "A", true},
        {"\xA0" "a", "\xA0" "A", true},
        {"\xDF" "a", "\xDF" "A", true},
        {"\xFD" "a", "\xFD" "A", true},
        {"X\x83\x41", "x\x83\x41", true},
        {"x\x83\x61", "x\x83\x41", false},
        // A lead byte must be matched by the same lead byte.
        {"\x82\x41", "\x83\x41", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.typed) + " against " + ::testing::PrintToString(c.word));
        EXPECT_EQ(SameSpelling(c.typed, c.word), c.same);
    }
}
