// The CP932 conversion at the widget boundary, on any bytes either way:
// - what comes out of the CP932 side is valid UTF-8, and every byte that is
//   no CP932 (or ends the input inside a character) is marked with '?';
// - text that came from CP932 survives the way back unchanged, so a word or
//   meaning shown and typed again is the same bytes;
// - CP932 text the program produced reads back as the same text;
// - ASCII passes both ways unchanged.
#include "store/Cp932.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <iconv.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "CP932 conversion: %s\n", what);
    std::abort();
}

bool ValidUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size() || (length == 2 && c < 0xC2))
            return false;
        unsigned long code = length == 1 ? c : c & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char t = static_cast<unsigned char>(text[i + k]);
            if ((t & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (t & 0x3F);
        }
        if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

bool Ascii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Whether the system's converter takes the whole input without a complaint,
// asked directly: then the conversion must not mark anything.
bool WhollyCp932(std::string_view bytes)
{
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1))
        Fail("no CP932 converter");
    std::string out(bytes.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(bytes.data());
    std::size_t srcLeft = bytes.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    const bool whole = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1) && srcLeft == 0;
    iconv_close(cd);
    return whole;
}

std::size_t Marks(std::string_view text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '?')); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Bytes read as CP932 (a stored word, a meaning).
    const std::string shown = Cp932ToUtf8(bytes);
    if (!ValidUtf8(shown))
        Fail("CP932 to UTF-8 gave invalid UTF-8");
    const bool whole = WhollyCp932(bytes);
    if (whole && Marks(shown) != Marks(bytes))
        Fail("a valid CP932 text came out with marks");
    if (!whole && Marks(shown) <= Marks(bytes))
        Fail("bytes that are no CP932 came out unmarked");
    const std::string typedBack = Utf8ToCp932(shown);
    if (Cp932ToUtf8(typedBack) != shown)
        Fail("text shown from CP932 did not survive the way back");
    if (Ascii(bytes) && (shown != bytes || typedBack != bytes))
        Fail("ASCII changed");

    // Bytes read as UTF-8 (typed by the learner).
    const std::string stored = Utf8ToCp932(bytes);
    const std::string readBack = Cp932ToUtf8(stored);
    if (!ValidUtf8(readBack))
        Fail("UTF-8 to CP932 and back gave invalid UTF-8");
    if (Utf8ToCp932(readBack) != stored)
        Fail("CP932 the program produced did not read back as the same text");
    if (Ascii(bytes) && (stored != bytes || readBack != bytes))
        Fail("ASCII changed on the way to CP932");
    return 0;
}
