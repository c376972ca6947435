#pragma once
#include <string>
#include <string_view>

// Text inside the program is held as CP932 (Shift-JIS) bytes, as the word data
// and the statements sent to save.db have always been; UTF-8 appears only at the
// widget boundary. Bytes that do not convert become '?' rather than vanishing, so
// a broken text is visible instead of silently shorter.
std::string Utf8ToCp932(std::string_view utf8);
std::string Cp932ToUtf8(std::string_view cp932);
