#include "MemBuffer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

std::string Content(TMemBuffer& b) {
    return b.Data() ? std::string(reinterpret_cast<const char*>(b.Data()), b.GetLength()) : "";
}

} // namespace

// Insert, Delete and Write work at the cursor (a null source writes zeros); Append and
// AppendByte add at the end and leave the cursor where it was.
TEST(MemBuffer, WriteInsertDeleteMoveBytesAroundTheCursor) {
    TMemBuffer b("abcdef", 6);
    b.SetPosition(2);
    EXPECT_TRUE(b.Insert("XY", 2));
    EXPECT_FALSE(b.Insert(nullptr, 3));
    EXPECT_EQ(Content(b), "abXYcdef");
    EXPECT_EQ(b.GetPosition(), 2u);
    b.Delete(2);
    b.SetPosition(4);
    b.Delete(100); // reaching the end cuts at the cursor
    EXPECT_TRUE(b.Write(nullptr, 3));
    EXPECT_EQ(b.GetPosition(), 7u);
    b.SetPosition(1);
    EXPECT_TRUE(b.Append("!", 1) && b.AppendByte('?'));
    EXPECT_EQ(b.GetPosition(), 1u);
    EXPECT_EQ(Content(b), std::string("abcd\0\0\0!?", 9));
}

// CopyOut takes what lies after the cursor and leaves it; DiscardHead moves the cursor back
// with the bytes (to 0 when they reach past it); Detach hands over the block.
TEST(MemBuffer, CopyOutDiscardHeadAndDetach) {
    TMemBuffer b("abcdef", 6);
    char out[8];
    b.SetPosition(4);
    EXPECT_EQ(b.CopyOut(out, 8), 2u);
    EXPECT_EQ(std::string(out, 2), "ef");
    EXPECT_TRUE(b.DiscardHead(2));
    EXPECT_EQ(Content(b), "cdef");
    EXPECT_EQ(b.GetPosition(), 2u);
    EXPECT_TRUE(b.DiscardHead(3));
    EXPECT_EQ(b.GetPosition(), 0u);
    uint8_t* block = b.Detach();
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block), 1), "f");
    std::free(block);
    EXPECT_EQ(b.Detach(), nullptr);
}

// AppendBuffer takes the source from its cursor on, also from itself while its own block
// moves as it grows.
TEST(MemBuffer, AppendBufferTakesFromTheCursorEvenFromItself) {
    TMemBuffer a("0123456789", 10), b("ab", 2), none;
    a.SetPosition(6);
    b += a;
    EXPECT_TRUE(b.AppendBuffer(none)); // no block: nothing to append
    EXPECT_EQ(Content(b), "ab6789");
    for (int i = 0; i < 8; ++i)
        b.AppendBuffer(b);
    EXPECT_EQ(b.GetLength(), 6u << 8);
    EXPECT_EQ(Content(b).substr(6 * 255), "ab6789");
}
