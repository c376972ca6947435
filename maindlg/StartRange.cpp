#include "maindlg/StartRange.h"

#include "platform/ReadDecimal.h"

StartRange StartRange::Check(const std::string& firstText, const std::string& lastText, std::int32_t wordCount)
{
    StartRange range;
    int shown = 0;
    if (wordCount < 1) {
        range.messages[shown++] = kWordListEmptyText;
        return range;
    }
    range.first = firstText.empty() ? 1 : ReadDecimal(firstText);
    range.last = lastText.empty() ? wordCount : ReadDecimal(lastText);

    // The last number is compared unsigned, so a negative one counts as too
    // large; one past the end is let through on purpose.
    const auto lastUnsigned = static_cast<std::uint32_t>(range.last);
    if (range.first < 1 || lastUnsigned > static_cast<std::uint64_t>(wordCount) + 1) {
        range.messages[shown++] = kSelectionOutOfRangeText;
        range.first = 1;
        range.last = wordCount;
    }
    if (static_cast<std::int64_t>(range.last) - range.first < 0) {
        range.messages[shown++] = kZeroWordsSelectedText;
        range.first = 1;
        range.last = wordCount;
    }
    if (range.last == range.first) {
        range.messages[shown++] = kWordListEmptyText;
        return range;
    }
    range.accepted = true;
    return range;
}
