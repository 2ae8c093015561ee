#include "NumberReader.h"

#include <gtest/gtest.h>

using Numbers::ReadSigned;
using Numbers::ReadUnsigned;

// strtol and strtoul with 32-bit results: blanks and a sign, the base's prefixes (which count
// only before a digit), clamping, and where reading stopped.
TEST(NumberReader, ReadsLikeStrtolWith32BitResults) {
    const struct {
        const char* text;
        int base;
        int64_t value; // from ReadSigned, or from ReadUnsigned when `isUnsigned`
        size_t stop;
        bool isUnsigned = false;
    } cases[] = {{"\t-17abc", 10, -17, 4},         {"2147483648", 10, INT32_MAX, 10},
                 {"99999999999999999999999", 10, INT32_MAX, 23},
                 {"-2147483649", 10, INT32_MIN, 11}, {"FFFFFFFF", 16, INT32_MAX, 8},
                 {"4294967294", 10, 4294967294, 10, true},
                 {"4294967296", 10, 4294967295, 10, true},
                 {"-1", 10, 4294967295, 2, true}, // negated as strtoul does
                 {"0X1f", 16, 31, 4},              {"1f", 16, 31, 2},
                 {"0x1F", 0, 31, 4},               {"010", 0, 8, 3},
                 {"09", 0, 0, 1},                  {"-0x10", 0, -16, 5},
                 {"0xg", 0, 0, 1}, /* "x" without a hex digit is no prefix */
                 {"- 5", 10, 0, 0},                {"12-3", 10, 12, 2, true}};
    for (const auto& c : cases) {
        const char* end = nullptr;
        const int64_t value = c.isUnsigned ? int64_t(ReadUnsigned(c.text, c.base, &end))
                                           : int64_t(ReadSigned(c.text, c.base, &end));
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(size_t(end - c.text), c.stop) << c.text;
    }
}
