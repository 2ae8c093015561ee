#include "NumberReader.h"

#include <gtest/gtest.h>

using Numbers::ReadSigned;
using Numbers::ReadUnsigned;

TEST(NumberReader, ReadsLikeStrtolClampedTo32Bits) {
    EXPECT_EQ(ReadSigned("\t-17abc", 10), -17);
    for (const char* text : {"2147483647", "2147483648", "99999999999999999999999"})
        EXPECT_EQ(ReadSigned(text, 10), INT32_MAX) << text;
    for (const char* text : {"-2147483648", "-2147483649"})
        EXPECT_EQ(ReadSigned(text, 10), INT32_MIN) << text;
    EXPECT_EQ(ReadSigned("FFFFFFFF", 16), INT32_MAX);
    EXPECT_EQ(ReadUnsigned("4294967294", 10), 4294967294u);
    for (const char* text : {"4294967296", "-1", "-4294967296"}) // negation as strtoul does
        EXPECT_EQ(ReadUnsigned(text, 10), 4294967295u) << text;
    for (const char* text : {"0x1F", "0X1f", "1f"})
        EXPECT_EQ(ReadSigned(text, 16), 31) << text;
    EXPECT_EQ(ReadSigned("0x1F", 0), 31);
    EXPECT_EQ(ReadSigned("010", 0), 8);
    EXPECT_EQ(ReadSigned("09", 0), 0);
    EXPECT_EQ(ReadSigned("-0x10", 0), -16);
    EXPECT_EQ(ReadSigned("- 5", 10), 0);
}

TEST(NumberReader, ReportsWhereReadingStopped) {
    const char* end = nullptr;
    const char* text = "0xg";
    EXPECT_EQ(ReadSigned(text, 0, &end), 0);
    EXPECT_EQ(end, text + 1); // "0" is read, the "x" without a hex digit is not a prefix
    text = "zz";
    ReadSigned(text, 10, &end);
    EXPECT_EQ(end, text);
    text = "12-3";
    EXPECT_EQ(ReadUnsigned(text, 10, &end), 12u);
    EXPECT_EQ(end, text + 2);
}
