#pragma once
#include <cstdint>
#include <string>

// A decimal number as the classic runtime reads it: leading blanks, an
// optional sign, the leading digits; 0 when there are none. Values beyond
// 32 bits saturate at INT32_MIN / INT32_MAX instead of wrapping.
std::int32_t ReadDecimal(const std::string& text);
