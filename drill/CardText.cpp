#include "drill/CardText.h"

#include <cstdarg>
#include <cstdio>

namespace {

constexpr char kRevealedFormat[] = "%s%s";
constexpr char kCardFormat[] = "%s%s%d%s%d%s";

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatText(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list count;
    va_copy(count, args);
    const int length = std::vsnprintf(nullptr, 0, format, count);
    va_end(count);
    std::string text(length > 0 ? std::size_t(length) : 0, '\0');
    if (length > 0)
        std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    return text;
}

bool IsCp932LeadByte(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

unsigned char FoldAsciiCase(unsigned char byte) { return byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte; }

} // namespace

std::string CardText(const WordCard& card, bool revealed, std::int32_t position, int count)
{
    if (revealed)
        return FormatText(kRevealedFormat, card.word.c_str(), card.phonetic.c_str());
    return FormatText(kCardFormat, card.meaning.c_str(), "(", position, "/", count, ")");
}

// Only single-byte letters fold: the second byte of a double-byte character
// may look like an ASCII letter and must match exactly.
bool SameSpelling(const std::string& typed, const std::string& word)
{
    if (typed.size() != word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        const auto a = static_cast<unsigned char>(typed[i]);
        const auto b = static_cast<unsigned char>(word[i]);
        if (IsCp932LeadByte(b)) {
            if (a != b || i + 1 >= word.size() || typed[i + 1] != word[i + 1])
                return false;
            ++i;
        } else if (FoldAsciiCase(a) != FoldAsciiCase(b)) {
            return false;
        }
    }
    return true;
}
