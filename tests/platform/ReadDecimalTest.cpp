#include "platform/ReadDecimal.h"

#include <gtest/gtest.h>

#include <climits>

TEST(ReadDecimal, ReadsLikeStrtolAndSaturatesAt32Bits)
{
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {
        {"", 0},
        {"abc", 0},
        {"  42x", 42},
        {"\t\n+8", 8},
        {"-17", -17},
        {"- 5", 0},
        {"0x1A", 0},
        {"007", 7},
        {"2147483647", INT32_MAX},
        {"2147483648", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-2147483649", INT32_MIN},
        // A wrapping reader would make 30 of this.
        {"4294967326", INT32_MAX},
        {"-4294967326", INT32_MIN},
        {"99999999999999999999999999", INT32_MAX},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadDecimal(c.text), c.value) << "'" << c.text << "'";
}
