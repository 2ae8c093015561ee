#include "MemBuffer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string Content(TMemBuffer& b) {
    return b.Data() ? std::string(reinterpret_cast<const char*>(b.Data()), b.GetLength()) : "";
}

} // namespace

TEST(MemBuffer, GrowsToTheNextMultipleOf256StrictlyAbove) {
    TMemBuffer b;
    EXPECT_EQ(b.Data(), nullptr);
    EXPECT_EQ(b.GetCapacity(), 0u);
    b.Clear(); // a buffer without a block gets one of 256 bytes
    ASSERT_NE(b.Data(), nullptr);
    EXPECT_EQ(b.GetCapacity(), 256u);
    b.Append(nullptr, 255);
    EXPECT_EQ(b.GetCapacity(), 256u);
    b.AppendByte(1); // 256 bytes need a block strictly larger
    EXPECT_EQ(b.GetCapacity(), 512u);
    b.Append(nullptr, 1);
    EXPECT_EQ(b.GetCapacity(), 512u);
    b.Delete(0);
    b.SetPosition(0);
    b.Delete(500); // blocks never shrink
    EXPECT_EQ(b.GetCapacity(), 512u);

    TMemBuffer c;
    c.Append(nullptr, 300);
    EXPECT_EQ(c.GetCapacity(), 512u);
    TMemBuffer d(nullptr, 256);
    EXPECT_EQ(d.GetCapacity(), 512u);
    EXPECT_EQ(d.Data()[255], 0);
}

TEST(MemBuffer, WriteInsertDeleteMoveBytesAroundTheCursor) {
    TMemBuffer b("abcdef", 6);
    b.SetPosition(2);
    EXPECT_TRUE(b.Insert("XY", 2));
    EXPECT_EQ(Content(b), "abXYcdef");
    EXPECT_EQ(b.GetPosition(), 2u);
    EXPECT_FALSE(b.Insert(nullptr, 3));
    EXPECT_EQ(Content(b), "abXYcdef");
    b.Delete(2);
    EXPECT_EQ(Content(b), "abcdef");
    b.SetPosition(4);
    b.Delete(100); // reaching the end cuts at the cursor
    EXPECT_EQ(Content(b), "abcd");
    EXPECT_TRUE(b.Write(nullptr, 3)); // zeros at the cursor, cursor moves
    EXPECT_EQ(b.GetLength(), 7u);
    EXPECT_EQ(b.GetPosition(), 7u);
    EXPECT_EQ(Content(b), std::string("abcd\0\0\0", 7));
    b.SetPosition(1);
    EXPECT_TRUE(b.Append("!", 1));
    EXPECT_EQ(b.GetPosition(), 1u);
    EXPECT_TRUE(b.AppendByte('?'));
    EXPECT_EQ(Content(b).substr(7), "!?");
}

TEST(MemBuffer, CursorMovesAreClamped) {
    TMemBuffer b("abc", 3);
    b.SetPosition(10);
    EXPECT_EQ(b.GetPosition(), 3u);
    b.SetPosition(1);
    b.Advance(UINT32_MAX);
    EXPECT_EQ(b.GetPosition(), 3u);
    char out[8];
    b.SetPosition(1);
    EXPECT_EQ(b.CopyOut(out, 8), 2u);
    EXPECT_EQ(b.GetPosition(), 1u);
    EXPECT_EQ(b.Read(out, 8), 2u);
    EXPECT_EQ(b.GetPosition(), 3u);
}

TEST(MemBuffer, DiscardHeadShiftsTheCursor) {
    TMemBuffer b("abcdef", 6);
    b.SetPosition(4);
    EXPECT_TRUE(b.DiscardHead(2));
    EXPECT_EQ(Content(b), "cdef");
    EXPECT_EQ(b.GetPosition(), 2u);
    EXPECT_TRUE(b.DiscardHead(3));
    EXPECT_EQ(b.GetPosition(), 0u);
    EXPECT_TRUE(b.DiscardHead(50)); // more than the length empties the buffer
    EXPECT_EQ(b.GetLength(), 0u);
}

TEST(MemBuffer, DetachHandsOverTheBlock) {
    TMemBuffer empty;
    EXPECT_EQ(empty.Detach(), nullptr);
    TMemBuffer b("hello", 5);
    uint8_t* block = b.Detach();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::memcmp(block, "hello", 5), 0);
    std::free(block);
    EXPECT_EQ(b.GetLength(), 0u);
    EXPECT_TRUE(b.Append("again", 5)); // still usable
    EXPECT_EQ(Content(b), "again");
}

TEST(MemBuffer, LocksAndAppendBuffer) {
    TMemBuffer a("0123456789", 10);
    a.SetPosition(6);
    {
        TBufferLock lock(a, 0); // everything from the cursor
        EXPECT_EQ(lock.count, 4u);
        EXPECT_EQ(lock.pointer[0], '6');
    }
    TMemBuffer b("ab", 2);
    b += a;
    EXPECT_EQ(Content(b), "ab6789");
    TMemBuffer none;
    EXPECT_TRUE(b.AppendBuffer(none)); // no block: nothing to append
    EXPECT_EQ(b.GetLength(), 6u);
    b.SetPosition(0);
    for (int i = 0; i < 8; ++i)
        b.AppendBuffer(b); // appending itself while growing
    EXPECT_EQ(b.GetLength(), 6u << 8);
    EXPECT_EQ(Content(b).substr(6 * 255), "ab6789");
}
