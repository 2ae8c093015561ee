#include "ZString.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Content(const ZBuffer& b) {
    return std::string(b.Text(), b.Length());
}

TEST(ZBuffer, GrowsByTheRulesKeepsATerminatorAndIndexesFromOne) {
    ZBuffer b;
    EXPECT_EQ(b.Capacity(), 0u);
    EXPECT_EQ(b.Data()[0], 0);
    b.Append("0123456789abcde", 15); // need 16 < 17: a 16-byte block
    EXPECT_EQ(b.Capacity(), 16u);
    b.AppendByte('f'); // need 17: a block of 1.5 x 17
    EXPECT_EQ(b.Capacity(), 25u);
    EXPECT_EQ(Content(b), "0123456789abcdef");
    EXPECT_EQ(b.Data()[b.Length()], 0);
    ZBuffer big;
    big.Append(std::string(20, 'x').data(), 20); // need 21: need + 16
    EXPECT_EQ(big.Capacity(), 37u);
    EXPECT_EQ(std::string({b.At(0), b.At(1), b.At(16), b.At(17)}), std::string("\0"
                                                                               "0f\0",
                                                                               4));
}

TEST(ZBuffer, RemovingFromTheFrontOnlySkipsAndAnAppendMovesTheContentFirst) {
    ZBuffer b("abcdefghij", 10); // capacity 16
    b.RemoveFront(8);
    b.Append("0123456789abc", 13); // 2 + 13 + 1 = 16 fits once moved to the front
    EXPECT_EQ(b.Capacity(), 16u);
    EXPECT_EQ(Content(b), "ij0123456789abc");
    b.RemoveFront(100);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.Data()[0], 0);
}

TEST(ZBuffer, AppendsAndAssignsFromItsOwnContent) {
    ZBuffer b("abcdefghijklmno", 15); // a full 16-byte block: the append must grow it
    b.Append(b.Data() + 1, 3);
    EXPECT_EQ(Content(b), "abcdefghijklmnobcd");
    b.Assign(b.Data() + 2, 4);
    EXPECT_EQ(Content(b), "cdef");
    ZBuffer copy = b;
    const ZBuffer& same = copy;
    copy = same;
    EXPECT_EQ(Content(copy), "cdef");
    b.Truncate(1);
    EXPECT_EQ(Content(b), "c");
    EXPECT_EQ(b.Data()[1], 0);
}

// The defaulted move once left the length behind.
TEST(ZBuffer, AMovedFromBufferIsEmptyAndUsable) {
    ZBuffer a("abc", 3);
    ZBuffer b = std::move(a);
    EXPECT_TRUE(a.Empty()); // NOLINT(bugprone-use-after-move): the contract under test
    EXPECT_EQ(a.Data()[0], 0);
    a.Append("x", 1);
    b = std::move(a);
    EXPECT_EQ(Content(b), "x");
    EXPECT_TRUE(a.Empty()); // NOLINT(bugprone-use-after-move)
}

TEST(ZString, ComparesExactlyAndLowerCasesOnlyAsciiCapitals) {
    ZString s("ab");
    s.Append('c');
    s.AppendFormat("<%d,%s>", 42, "x");
    EXPECT_TRUE(s.Equals("abc<42,x>"));
    EXPECT_FALSE(s.Equals("abc<42,x"));
    EXPECT_FALSE(s.Equals("abc<42,x>!"));
    EXPECT_FALSE(ZString("a\0b", 3).Equals("a"));
    ZString mixed("AbZ_[\xC4]");
    mixed.LowerCase();
    EXPECT_TRUE(mixed.Equals("abz_[\xC4]"));
}

TEST(ZString, InsertsBeforeAndFindsAtOneBasedPositions) {
    ZString s("ace");
    s.Insert("b", 2);
    s.Insert("d", 4);
    s.Insert(">", 1);
    s.Insert("?", 99); // clamped to an append
    EXPECT_TRUE(s.Equals(">abcde?"));
    EXPECT_EQ(s.Find('c'), 4u);
    EXPECT_EQ(s.Find('q'), 0u);
    EXPECT_EQ(ZString().Find('a'), 0u);
    EXPECT_EQ(ZString("a\0b", 3).Find('b'), 3u);
}

// Reading numbers is pinned by the argument formats; the number test is here.
TEST(ZString, TestsForNumbers) {
    for (const char* yes : {"1fx", "0x1F", "0X1f", "12", "0", "0x", "ABx"})
        EXPECT_TRUE(ZString(yes).IsNumber()) << yes;
    for (const char* no : {"", "x", "1gx", "0x1g", "-1", "1 ", "a", "1fxx"})
        EXPECT_FALSE(ZString(no).IsNumber()) << no;
}

} // namespace
