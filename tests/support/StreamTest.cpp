#include "BlockReadStream.h"
#include "DynamicStream.h"
#include "ThrownCode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

// A memory stream holding the fBytes 0, 1, ..., 99.
class DynamicStream : public ::testing::Test {
protected:
    void SetUp() override {
        for (uint8_t i = 0; i < 100; ++i)
            fStream.WriteOrThrow(&i, 1);
    }
    LDynamicStream& At(int32_t position) {
        fStream.Seek(position, seekBegin);
        return fStream;
    }
    int32_t Seeked(int32_t from, int32_t offset, uint32_t origin) {
        At(from).Seek(offset, origin);
        return fStream.GetPosition();
    }
    LDynamicStream fStream;
    uint8_t fBytes[10] = {};
};

} // namespace

TEST_F(DynamicStream, SeekOriginsAreOneBasedAndClamped) {
    EXPECT_EQ(Seeked(0, 0, seekEnd), 100);
    EXPECT_EQ(Seeked(0, 10, seekEnd), 90); // counts back from the end
    EXPECT_EQ(Seeked(0, 500, seekBegin), 100);
    EXPECT_EQ(Seeked(2, -5, seekCurrent), 0);
    EXPECT_EQ(Seeked(7, 3, 0), 7); // an unknown origin keeps the position
    EXPECT_EQ(Seeked(5, INT32_MAX, seekCurrent), 100);
    EXPECT_EQ(Seeked(5, INT32_MIN, seekEnd), 100); // would overflow 32 bits: clamped, not wrapped
}

TEST_F(DynamicStream, SetSizeCutsOrExtendsWithZeros) {
    At(50).SetSize(10);
    EXPECT_EQ(fStream.GetSize(), 10);
    EXPECT_EQ(fStream.GetPosition(), 10);
    EXPECT_EQ(fStream.GetBuffer().GetLength(), 10u);
    fStream.SetSize(20); // position kept
    EXPECT_EQ(fStream.GetPosition(), 10);
    EXPECT_EQ(std::vector<uint8_t>(fStream.Data(), fStream.Data() + 20),
              (std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(DynamicStream, WritesGrowAndShortReadsReportEndOfData) {
    uint32_t count = 10;
    EXPECT_EQ(At(95).Write("ABCDEFGHIJ", count), 0u);
    EXPECT_EQ(fStream.GetSize(), 105);
    EXPECT_EQ(fStream.GetPosition(), 105);
    // Byte 94 ("^") is untouched.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(fStream.Data()) + 94, 11), "^ABCDEFGHIJ");
    fStream.SetSize(100);
    count = 10;
    EXPECT_EQ(At(95).Read(fBytes, count), errEndOfData);
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(fBytes[4], 'E');
    EXPECT_EQ(fStream.GetPosition(), 100);
    count = 5;
    EXPECT_EQ(At(95).Read(fBytes, count), 0u);
    count = 0; // asking for nothing at the end is not the end of the data
    EXPECT_EQ(fStream.Read(fBytes, count), 0u);
    EXPECT_EQ(CodeOf([&] { fStream.ReadOrThrow(fBytes, 1); }), errEndOfData);
    EXPECT_EQ(At(98).Peek(fBytes, 8), 2u);
    EXPECT_EQ(fBytes[1], 'E');
    EXPECT_EQ(fStream.GetPosition(), 98);
}

TEST_F(DynamicStream, CopyStreamCopiesFromThePositionToTheEnd) {
    LDynamicStream empty, all, tail;
    CopyStream(empty, all, 4096);
    EXPECT_EQ(all.GetSize(), 0);
    CopyStream(At(0), all, 0);
    EXPECT_EQ(std::vector<uint8_t>(all.Data(), all.Data() + 100),
              std::vector<uint8_t>(fStream.Data(), fStream.Data() + 100));
    CopyStream(At(90), tail, 3);
    EXPECT_EQ(tail.GetSize(), 10);
    EXPECT_EQ(tail.Data()[9], 99);
}

// The block reader gives exactly what the stream below holds, whatever the block size: reads
// within a block, across block ends, larger than a block, at and past the end.
TEST(BlockReadStream, ReadsWhatTheStreamBelowHolds) {
    std::mt19937 random(5);
    std::vector<uint8_t> bytes(1000);
    for (uint8_t& byte : bytes)
        byte = uint8_t(random());
    for (uint32_t blockSize : {1u, 7u, 64u, 4096u}) {
        SCOPED_TRACE(blockSize);
        auto below = std::make_unique<LDynamicStream>();
        below->WriteOrThrow(bytes.data(), uint32_t(bytes.size()));
        TBlockReadStream stream(std::move(below), blockSize);
        for (int step = 0; step < 300; ++step) {
            const int32_t at = int32_t(random() % 1100);
            uint32_t count = random() % 3 ? random() % 20 : random() % 300;
            std::vector<uint8_t> got(count, 0);
            stream.Seek(at, seekBegin);
            const uint32_t code = stream.Read(got.data(), count);
            const size_t expected = at >= 1000 ? 0 : std::min<size_t>(got.size(), 1000 - size_t(at));
            ASSERT_EQ(count, expected) << at;
            EXPECT_EQ(code, expected == 0 && !got.empty() ? errEndOfData : 0u);
            EXPECT_TRUE(std::equal(got.begin(), got.begin() + long(count), bytes.begin() + at));
            EXPECT_EQ(stream.GetPosition(), at + int32_t(count));
        }
        uint32_t one = 1;
        EXPECT_EQ(stream.Write(bytes.data(), one), errWriteFailed);
    }
}
