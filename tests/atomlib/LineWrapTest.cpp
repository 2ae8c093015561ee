#include "LineWrap.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Wrapped(const std::string& text) {
    ZString s(text.data(), text.size());
    WrapLongLines(s);
    return std::string(s.Text(), s.Length());
}

TEST(LineWrap, BreaksBehindEverySixtiethCharacter) {
    std::string a(60, 'a'), b(60, 'b'), c(10, 'c');
    EXPECT_EQ(Wrapped(a + b + c + "\r\n"), a + "!\r\n" + b + "!\r\n" + c + "\r\n");
    EXPECT_EQ(Wrapped(a + "\r\n"), a + "\r\n");
    EXPECT_EQ(Wrapped(a + "x\r\n"), a + "!\r\nx\r\n");
    EXPECT_EQ(Wrapped(a + b + "\n"), a + "!\r\n" + b + "\n");
}

TEST(LineWrap, TakesAnyRunOfLineBreaksAsOneAndLeavesTheLastOpenLine) {
    std::string a(60, 'a');
    EXPECT_EQ(Wrapped("\r\n\r\n" + a + "yy\r\r\n\n" + a + "z\n"),
              "\r\n\r\n" + a + "!\r\nyy\r\r\n\n" + a + "!\r\nz\n");
    EXPECT_EQ(Wrapped("ab\r\n" + a + a), "ab\r\n" + a + a);
    EXPECT_EQ(Wrapped(""), "");
    EXPECT_EQ(Wrapped("\r\n"), "\r\n");
}

} // namespace
