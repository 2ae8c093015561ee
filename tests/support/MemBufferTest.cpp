#include "MemBuffer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

std::string Content(TMemBuffer& b) {
    return b.Data() ? std::string(reinterpret_cast<const char*>(b.Data()), b.GetLength()) : "";
}

} // namespace

// The first block is the next multiple of 256 strictly above what is needed; a block that
// must grow at least doubles, so that small appends cost linear time.
TEST(MemBuffer, GrowsByMultiplesOf256AtLeastDoublingAndNeverShrinks) {
    TMemBuffer b;
    EXPECT_EQ(b.Data(), nullptr);
    b.Clear(); // a buffer without a block gets one of 256 bytes
    EXPECT_EQ(b.GetCapacity(), 256u);
    b.Append(nullptr, 255);
    EXPECT_EQ(b.GetCapacity(), 256u);
    b.AppendByte(1); // 256 bytes need a block strictly larger
    EXPECT_EQ(b.GetCapacity(), 512u);
    b.SetPosition(0);
    b.Delete(500);
    b.Clear();
    EXPECT_EQ(b.GetCapacity(), 512u);
    b.Append(nullptr, 600); // 768 would do
    EXPECT_EQ(b.GetCapacity(), 1024u);
    b.Append(nullptr, 2000);
    EXPECT_EQ(b.GetCapacity(), 2816u); // the multiple needed, beyond doubling
    TMemBuffer c, d(nullptr, 256);
    c.Append(nullptr, 300);
    EXPECT_EQ(c.GetCapacity(), 512u);
    EXPECT_EQ(d.GetCapacity(), 512u);
    EXPECT_EQ(Content(d), std::string(256, '\0'));
}

TEST(MemBuffer, WriteInsertDeleteMoveBytesAroundTheCursor) {
    TMemBuffer b("abcdef", 6);
    b.SetPosition(2);
    EXPECT_TRUE(b.Insert("XY", 2));
    EXPECT_FALSE(b.Insert(nullptr, 3));
    EXPECT_EQ(Content(b), "abXYcdef");
    EXPECT_EQ(b.GetPosition(), 2u);
    b.Delete(2);
    EXPECT_EQ(Content(b), "abcdef");
    b.SetPosition(4);
    b.Delete(100);                    // reaching the end cuts at the cursor
    EXPECT_TRUE(b.Write(nullptr, 3)); // zeros at the cursor, cursor moves
    EXPECT_EQ(b.GetPosition(), 7u);
    b.SetPosition(1);
    EXPECT_TRUE(b.Append("!", 1));
    EXPECT_TRUE(b.AppendByte('?'));
    EXPECT_EQ(b.GetPosition(), 1u);
    EXPECT_EQ(Content(b), std::string("abcd\0\0\0!?", 9));
}

TEST(MemBuffer, CopyOutDiscardHeadAndDetach) {
    TMemBuffer b("abcdef", 6), empty;
    char out[8];
    b.SetPosition(4);
    EXPECT_EQ(b.CopyOut(out, 8), 2u); // only what remains; the cursor stays
    EXPECT_TRUE(b.DiscardHead(2));
    EXPECT_EQ(Content(b), "cdef");
    EXPECT_EQ(b.GetPosition(), 2u);
    EXPECT_TRUE(b.DiscardHead(3)); // past the cursor: the cursor goes to 0
    EXPECT_EQ(b.GetPosition(), 0u);
    EXPECT_TRUE(b.DiscardHead(50)); // more than the length empties the buffer
    EXPECT_EQ(b.GetLength(), 0u);
    EXPECT_EQ(empty.Detach(), nullptr);
    b.Append("xyz", 3);
    uint8_t* block = b.Detach();
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block), 3), "xyz");
    std::free(block);
    EXPECT_EQ(b.GetLength(), 0u);
    EXPECT_TRUE(b.Append("again", 5)); // still usable
    EXPECT_EQ(Content(b), "again");
}

TEST(MemBuffer, AppendBufferTakesFromTheCursorEvenFromItself) {
    TMemBuffer a("0123456789", 10), b("ab", 2), none;
    a.SetPosition(6);
    b += a;
    EXPECT_TRUE(b.AppendBuffer(none)); // no block: nothing to append
    EXPECT_EQ(Content(b), "ab6789");
    for (int i = 0; i < 8; ++i)
        b.AppendBuffer(b); // appending itself while its block moves
    EXPECT_EQ(b.GetLength(), 6u << 8);
    EXPECT_EQ(Content(b).substr(6 * 255), "ab6789");
}
