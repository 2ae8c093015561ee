#include "DynamicStream.h"
#include "Exception.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

// A memory stream holding the bytes 0, 1, 2, ... n-1, positioned at 0.
void Fill(LDynamicStream& stream, int n) {
    std::vector<uint8_t> bytes(static_cast<size_t>(n));
    std::iota(bytes.begin(), bytes.end(), uint8_t(0));
    stream.WriteOrThrow(bytes.data(), uint32_t(n));
    stream.Seek(0, seekBegin);
}

uint32_t CodeOf(void (*f)(LDynamicStream&), LDynamicStream& s) {
    try {
        f(s);
    } catch (const TTolvException& e) {
        return e.code;
    }
    return 0;
}

} // namespace

TEST(DynamicStream, SeekOriginsAreOneBasedAndClamped) {
    LDynamicStream s;
    Fill(s, 100);
    s.Seek(0, seekEnd);
    EXPECT_EQ(s.GetPosition(), 100);
    s.Seek(10, seekEnd); // counts back from the end
    EXPECT_EQ(s.GetPosition(), 90);
    s.Seek(500, seekBegin);
    EXPECT_EQ(s.GetPosition(), 100);
    s.Seek(2, seekBegin);
    s.Seek(-5, seekCurrent);
    EXPECT_EQ(s.GetPosition(), 0);
    s.Seek(7, seekBegin);
    s.Seek(3, 0); // unknown origin keeps the position
    EXPECT_EQ(s.GetPosition(), 7);
    s.Seek(INT32_MAX, seekCurrent);
    EXPECT_EQ(s.GetPosition(), 100);
    s.Seek(INT32_MIN, seekEnd); // would overflow 32 bits: clamped, not wrapped
    EXPECT_EQ(s.GetPosition(), 100);
}

TEST(DynamicStream, ShrinkingClampsThePositionAndKeepsTheHead) {
    LDynamicStream s;
    Fill(s, 100);
    s.Seek(50, seekBegin);
    s.SetSize(10);
    EXPECT_EQ(s.GetSize(), 10);
    EXPECT_EQ(s.GetPosition(), 10);
    EXPECT_EQ(s.GetBuffer().GetLength(), 10u);
    s.Seek(0, seekBegin);
    uint8_t bytes[10];
    EXPECT_EQ(s.ReadSome(bytes, 10), 10u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(bytes[i], i);
    s.SetSize(20); // grows with zeros, position kept
    EXPECT_EQ(s.GetPosition(), 10);
    EXPECT_EQ(s.ReadSome(bytes, 10), 10u);
    for (uint8_t b : bytes)
        EXPECT_EQ(b, 0);
}

TEST(DynamicStream, WritePastTheEndGrows) {
    LDynamicStream s;
    Fill(s, 100);
    s.Seek(95, seekBegin);
    uint8_t ten[10] = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    uint32_t count = 10;
    EXPECT_EQ(s.Write(ten, count), 0u);
    EXPECT_EQ(count, 10u);
    EXPECT_EQ(s.GetSize(), 105);
    EXPECT_EQ(s.GetPosition(), 105);
    EXPECT_EQ(s.Data()[94], 94);
    EXPECT_EQ(s.Data()[95], 9);
    EXPECT_EQ(s.Data()[104], 9);
}

TEST(DynamicStream, ShortReadsReportEndOfData) {
    LDynamicStream s;
    Fill(s, 100);
    uint8_t buf[10];
    s.Seek(95, seekBegin);
    uint32_t count = 10;
    EXPECT_EQ(s.Read(buf, count), errEndOfData);
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(s.GetPosition(), 100);
    s.Seek(95, seekBegin);
    count = 5;
    EXPECT_EQ(s.Read(buf, count), 0u);
    count = 0; // asking for nothing at the end is not the end of the data
    EXPECT_EQ(s.Read(buf, count), 0u);
    count = 1;
    EXPECT_EQ(s.Read(buf, count), errEndOfData);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(CodeOf(
                  [](LDynamicStream& st) {
                      uint8_t b;
                      st.ReadOrThrow(&b, 1);
                  },
                  s),
              errEndOfData);
}

TEST(DynamicStream, PeekLeavesThePosition) {
    LDynamicStream s;
    Fill(s, 4);
    s.Seek(2, seekBegin);
    uint8_t buf[8] = {};
    EXPECT_EQ(s.Peek(buf, 8), 2u);
    EXPECT_EQ(buf[0], 2);
    EXPECT_EQ(buf[1], 3);
    EXPECT_EQ(s.GetPosition(), 2);
}

TEST(DynamicStream, CopyStreamCopiesFromThePositionToTheEnd) {
    LDynamicStream source, dest;
    Fill(source, 10000);
    CopyStream(source, dest, 0);
    EXPECT_EQ(dest.GetSize(), 10000);
    EXPECT_EQ(dest.Data()[9999], uint8_t(9999 % 256));

    LDynamicStream empty, target;
    CopyStream(empty, target, 4096);
    EXPECT_EQ(target.GetSize(), 0);

    source.Seek(9990, seekBegin);
    LDynamicStream tail;
    CopyStream(source, tail, 3);
    EXPECT_EQ(tail.GetSize(), 10);
}
