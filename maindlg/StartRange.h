#pragma once
#include <cstdint>
#include <string>

// Texts of the range check, shown by the main dialog in the order given.
inline constexpr char kSelectionOutOfRangeText[] = "selection out of range, select all";
inline constexpr char kZeroWordsSelectedText[] = "0 words selected select all";
inline constexpr char kWordListEmptyText[] = "wordlist empty!";

// The range a Start asks for, as typed into the two range fields, checked
// against a list of `wordCount` words. Word numbers count from 1; `last`
// may be one past the list's end, which the selection simply cuts off.
struct StartRange {
    std::int32_t first = 0;
    std::int32_t last = 0;
    // False: Start stops here; nothing is stored and no drill runs.
    bool accepted = false;
    // Messages for the learner, in order (at most two, unused ones null).
    const char* messages[2] = {nullptr, nullptr};

    // Empty texts stand for the whole list (1 and wordCount). A list without
    // words is refused before the texts are looked at.
    static StartRange Check(const std::string& firstText, const std::string& lastText, std::int32_t wordCount);
};
