// ZBuffer, the library's public byte buffer (and base of its text class ZString).
#include "ZString.h"

#include <gtest/gtest.h>

namespace {

// The content, which a NUL must follow.
std::string Content(const ZBuffer& b) {
    return b.Data()[b.Length()] == 0 ? std::string(b.Text(), b.Length()) : "(no terminator)";
}

// Bytes taken from the buffer itself are copied before the block moves to the front (after
// RemoveFront) or grows; positions count from 1, with NUL outside the content; a moved-from
// buffer is empty and usable.
TEST(ZBuffer, KeepsItsContentWhenTheBlockMovesOrGrows) {
    ZBuffer b("abcdefghijklmno", 15); // a full 16-byte block: the next append grows it
    b.Append(b.Data() + 1, 3);
    b.Insert(2, b.Data() + 16, 2);
    EXPECT_EQ(Content(b), "abcdcdefghijklmnobcd");
    b.RemoveFront(18);
    std::string expected = "cd";
    for (int i = 0; i < 200; ++i, expected += "cd")
        b.Append(b.Data() + b.Length() - 2, 2);
    EXPECT_EQ(Content(b), expected);
    b.Assign(b.Data() + 2, 4);
    b.Truncate(3);
    EXPECT_EQ(Content(b), "cdc");
    EXPECT_EQ(std::string({b.At(0), b.At(3), b.At(4)}), std::string("\0c\0", 3));
    ZBuffer moved = std::move(b);
    EXPECT_TRUE(b.Empty()); // NOLINT(bugprone-use-after-move): the contract under test
    b.Append("q", 1);
    EXPECT_EQ(Content(b) + Content(moved), "qcdc");
}

} // namespace
