#include "NumberReader.h"

#include <gtest/gtest.h>

using Numbers::ReadSigned;
using Numbers::ReadUnsigned;

TEST(NumberReader, ReadsDecimalWithSpaceAndSign) {
    EXPECT_EQ(ReadSigned("  42abc", 10), 42);
    EXPECT_EQ(ReadSigned("\t-17", 10), -17);
    EXPECT_EQ(ReadSigned("+5", 10), 5);
    EXPECT_EQ(ReadSigned("abc", 10), 0);
    EXPECT_EQ(ReadSigned("", 10), 0);
    EXPECT_EQ(ReadSigned("- 5", 10), 0);
}

TEST(NumberReader, ClampsToThe32BitRange) {
    EXPECT_EQ(ReadSigned("2147483647", 10), 2147483647);
    EXPECT_EQ(ReadSigned("2147483648", 10), 2147483647);
    EXPECT_EQ(ReadSigned("-2147483648", 10), INT32_MIN);
    EXPECT_EQ(ReadSigned("-2147483649", 10), INT32_MIN);
    EXPECT_EQ(ReadSigned("99999999999999999999999", 10), 2147483647);
    EXPECT_EQ(ReadSigned("FFFFFFFF", 16), 2147483647);
    EXPECT_EQ(ReadUnsigned("4294967295", 10), 4294967295u);
    EXPECT_EQ(ReadUnsigned("4294967296", 10), 4294967295u);
    EXPECT_EQ(ReadUnsigned("-1", 10), 4294967295u);
    EXPECT_EQ(ReadUnsigned("-4294967296", 10), 4294967295u);
}

TEST(NumberReader, DetectsTheBase) {
    EXPECT_EQ(ReadSigned("0x1F", 0), 31);
    EXPECT_EQ(ReadSigned("0X1f", 16), 31);
    EXPECT_EQ(ReadSigned("1f", 16), 31);
    EXPECT_EQ(ReadSigned("010", 0), 8);
    EXPECT_EQ(ReadSigned("09", 0), 0);
    EXPECT_EQ(ReadSigned("-0x10", 0), -16);
}

TEST(NumberReader, ReportsWhereReadingStopped) {
    const char* text = "0xg";
    const char* end = nullptr;
    EXPECT_EQ(ReadSigned(text, 0, &end), 0);
    EXPECT_EQ(end, text + 1); // "0" is read, the "x" without a hex digit is not a prefix
    text = "zz";
    ReadSigned(text, 10, &end);
    EXPECT_EQ(end, text);
    text = "12-3";
    ReadUnsigned(text, 10, &end);
    EXPECT_EQ(end, text + 2);
}
