#include "ZString.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Content(const ZBuffer& b) {
    return std::string(b.Text(), b.Length());
}

TEST(ZBuffer, GrowsByTheRulesAndKeepsATerminator) {
    ZBuffer b;
    EXPECT_EQ(b.Capacity(), 0u);
    EXPECT_EQ(b.Data()[0], 0);
    b.Append("0123456789abcde", 15); // need 16 < 17: a 16-byte block
    EXPECT_EQ(b.Capacity(), 16u);
    b.AppendByte('f'); // need 17: content moved to a block of 1.5 x 17
    EXPECT_EQ(b.Capacity(), 25u);
    EXPECT_EQ(Content(b), "0123456789abcdef");
    EXPECT_EQ(b.Data()[b.Length()], 0);

    ZBuffer big;
    big.Append(std::string(20, 'x').data(), 20); // need 21: need + 16
    EXPECT_EQ(big.Capacity(), 37u);
}

TEST(ZBuffer, RemovingFromTheFrontOnlySkipsAndAppendsCompactFirst) {
    ZBuffer b("abcdefghij", 10); // capacity 16
    b.RemoveFront(8);
    EXPECT_EQ(Content(b), "ij");
    b.Append("0123456789abc", 13); // 2 + 13 + 1 = 16 fits once moved to the front
    EXPECT_EQ(b.Capacity(), 16u);
    EXPECT_EQ(Content(b), "ij0123456789abc");
    b.RemoveFront(100);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.Data()[0], 0);
}

TEST(ZBuffer, IndexesFromOneAndYieldsNulOutside) {
    ZBuffer b("xyz", 3);
    EXPECT_EQ(b.At(1), 'x');
    EXPECT_EQ(b.At(3), 'z');
    EXPECT_EQ(b.At(0), '\0');
    EXPECT_EQ(b.At(4), '\0');
}

TEST(ZBuffer, AppendsAndAssignsFromItsOwnContent) {
    ZBuffer b("abcdefghijklmno", 15); // full 16-byte block: the append must grow it
    b.Append(b.Data() + 1, 3);
    EXPECT_EQ(Content(b), "abcdefghijklmnobcd");
    b.Assign(b.Data() + 2, 4);
    EXPECT_EQ(Content(b), "cdef");
    ZBuffer copy = b;
    const ZBuffer& same = copy;
    copy = same; // self-assignment keeps the content
    EXPECT_EQ(Content(copy), "cdef");
    b.Truncate(1);
    EXPECT_EQ(Content(b), "c");
    EXPECT_EQ(b.Data()[1], 0);
}

TEST(ZBuffer, AMovedFromBufferIsEmptyAndUsable) {
    ZBuffer a("abc", 3);
    ZBuffer b = std::move(a);
    EXPECT_TRUE(a.Empty()); // NOLINT(bugprone-use-after-move): the contract under test
    EXPECT_EQ(a.Data()[0], 0);
    a.Append("x", 1);
    EXPECT_EQ(Content(a), "x");
    b = std::move(a);
    EXPECT_EQ(Content(b), "x");
    EXPECT_TRUE(a.Empty()); // NOLINT(bugprone-use-after-move)
}

TEST(ZString, AppendsComparesAndFinds) {
    ZString s("ab");
    s.Append('c');
    s.AppendFormat("<%d,%s>", 42, "x");
    EXPECT_TRUE(s.Equals("abc<42,x>"));
    EXPECT_FALSE(s.Equals("abc<42,x"));
    EXPECT_FALSE(s.Equals("abc<42,x>!"));
    EXPECT_TRUE(s == ZString("abc<42,x>"));
    EXPECT_EQ(s.Find('<'), 4u);
    EXPECT_EQ(s.Find('q'), 0u);
    EXPECT_EQ(ZString().Find('a'), 0u);
    ZString withNul("a\0b", 3);
    EXPECT_FALSE(withNul.Equals("a"));
    EXPECT_EQ(withNul.Find('b'), 3u);
}

TEST(ZString, LowerCasesOnlyAsciiCapitals) {
    ZString s("AbZ_[\xC4]");
    s.LowerCase();
    EXPECT_TRUE(s.Equals("abz_[\xC4]"));
}

TEST(ZString, InsertsBeforeAOneBasedPosition) {
    ZString s("ace");
    s.Insert("b", 2);
    s.Insert("d", 4);
    s.Insert("!", 6);
    s.Insert(">", 1);
    EXPECT_TRUE(s.Equals(">abcde!"));
    s.Insert("?", 99); // clamped to an append
    EXPECT_TRUE(s.Equals(">abcde!?"));
}

TEST(ZString, ReadsNumbersWithTheBaseRules) {
    EXPECT_EQ(ZString("0x10").ReadSigned(), 16);
    EXPECT_EQ(ZString("10x").ReadSigned(), 16);
    EXPECT_EQ(ZString("010").ReadSigned(), 8);
    EXPECT_EQ(ZString("300").ReadSigned(), 300);
    EXPECT_EQ(ZString("x").ReadSigned(), 0);
    EXPECT_EQ(ZString("ffffffffx").ReadSigned(), 2147483647);
    EXPECT_EQ(ZString("ffffffffx").ReadUnsigned(), 0xFFFFFFFFu);
    EXPECT_EQ(ZString("99999999999").ReadSigned(), 2147483647);
}

TEST(ZString, TestsForNumbers) {
    for (const char* yes : {"1fx", "0x1F", "0X1f", "12", "0", "0x", "ABx"})
        EXPECT_TRUE(ZString(yes).IsNumber()) << yes;
    for (const char* no : {"", "x", "1gx", "0x1g", "-1", "1 ", "a", "1fxx"})
        EXPECT_FALSE(ZString(no).IsNumber()) << no;
}

} // namespace
