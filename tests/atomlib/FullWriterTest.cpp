#include "FullWriter.h"

#include "Disassembly.h"
#include "KelCodes.h"
#include "LargeAtom.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint8_t> Of(const ZBuffer& b) {
    return {b.Data(), b.Data() + b.Length()};
}

std::vector<uint8_t> Normalized(const std::vector<uint8_t>& stream, int32_t expected = 0) {
    ZBuffer out;
    EXPECT_EQ(NormalizeAtomStream(stream.data(), stream.size(), out), expected);
    return Of(out);
}

TEST(FullWriter, WritesHeaderPrefixAndBothLengthForms) {
    ZBuffer out;
    const uint8_t abc[] = {0x61, 0x62, 0x63};
    ASSERT_EQ(WriteFullAtom(out, 51, 36, abc, 3), 0);
    EXPECT_EQ(Of(out), (std::vector<uint8_t>{0xE8, 0x13, 0x24, 0x03, 0x61, 0x62, 0x63}));

    std::vector<uint8_t> arg(32767, 0x5A);
    for (size_t n : {size_t(0), size_t(127), size_t(128), size_t(255), size_t(32767)}) {
        ZBuffer b;
        ASSERT_EQ(WriteFullAtom(b, 127, 255, arg.data(), n), 0);
        std::vector<uint8_t> head = {0xF8, 0x1F, 0xFF, uint8_t(n < 128 ? n : 0x80 | (n >> 8))};
        if (n >= 128) head.push_back(uint8_t(n));
        EXPECT_EQ(std::vector<uint8_t>(b.Data(), b.Data() + head.size()), head) << n;
        EXPECT_EQ(b.Length(), head.size() + n);
    }
}

TEST(FullWriter, RejectsWhatFullFormCannotHoldAndWritesNothing) {
    std::vector<uint8_t> arg(32768, 0);
    ZBuffer out;
    EXPECT_EQ(WriteFullAtom(out, 128, 0, nullptr, 0), kelValueTooLarge);
    EXPECT_EQ(WriteFullAtom(out, 0, 256, nullptr, 0), kelValueTooLarge);
    EXPECT_EQ(WriteFullAtom(out, 0, 0, arg.data(), arg.size()), kelValueTooLarge);
    EXPECT_EQ(WriteFullArgument(out, arg.data(), arg.size()), kelValueTooLarge);
    EXPECT_EQ(WriteFullHeader(out, 1000, 1), kelValueTooLarge);
    EXPECT_TRUE(out.Empty());
}

TEST(Normalize, RewritesEveryStyleInFullForm) {
    EXPECT_EQ(Normalized({0x02, 0x01, 0x00, 0x63}),
              (std::vector<uint8_t>{0x02, 0x01, 0x00, 0x02, 0x03, 0x00}));
    EXPECT_EQ(
        Normalized({0x21, 0x45, 7, 8, 0x42, 0xC3, 0xA5, 0xC5, 0x84, 0x01, 9}),
        (std::vector<uint8_t>{0x01, 0x05, 0x02, 7,    8,    0x02, 0x03, 0x01, 6,    0x02, 0x05,
                              0x01, 0,    0x02, 0x05, 0x01, 1,    0x02, 0x04, 0x01, 9}));
    // A sticky prefix: every atom of protocol 51 gets its own prefix in Full form.
    EXPECT_EQ(Normalized({0xE9, 0x13, 0x24, 0x00, 0x63}),
              (std::vector<uint8_t>{0xE8, 0x13, 0x24, 0x00, 0xE8, 0x13, 0x03, 0x00}));
    EXPECT_EQ(Normalized({}), std::vector<uint8_t>{});
}

TEST(Normalize, IsIdempotentOnFullForm) {
    std::vector<uint8_t> once = Normalized({0xE9, 0x13, 0x24, 0x00, 0x63, 0x21, 0x45, 7, 8});
    EXPECT_EQ(Normalized(once), once);
}

TEST(Normalize, JoinsALargeAtom) {
    // Start (protocol 5, atom 2), segment "ab", end "c", then an ordinary atom.
    EXPECT_EQ(Normalized({0x00, 0x04, 0x02, 0x05, 0x02, 0x00, 0x05, 0x02, 0x61, 0x62, 0x00, 0x06,
                          0x01, 0x63, 0x01, 0x01, 0x00}),
              (std::vector<uint8_t>{0x05, 0x02, 0x03, 0x61, 0x62, 0x63, 0x01, 0x01, 0x00}));
    // An unfinished large atom writes nothing.
    EXPECT_EQ(Normalized({0x00, 0x04, 0x02, 0x05, 0x02, 0x00, 0x05, 0x01, 0x61}),
              std::vector<uint8_t>{});
}

TEST(Normalize, ReportsTruncationAndLargeAtomsThatFullFormCannotHold) {
    EXPECT_EQ(Normalized({0x01, 0x01, 0x00, 0x00, 0x02, 0x05}, kelBadFormat),
              (std::vector<uint8_t>{0x01, 0x01, 0x00}));
    Normalized({0x00, 0x04, 0x01, 0x05}, kelBadFormat); // a start with one byte

    // Two 20000-byte segments join to 40000 bytes: more than Full form holds.
    std::vector<uint8_t> stream = {0x00, 0x04, 0x02, 0x01, 0x02};
    for (uint16_t atom : {5, 6}) {
        stream.insert(stream.end(), {0x00, uint8_t(atom), 0x80 | (20000 >> 8), 20000 & 0xFF});
        stream.insert(stream.end(), 20000, 0x41);
    }
    Normalized(stream, kelValueTooLarge);
}

TEST(LargeAtom, KeepsAnUnfinishedCollectionAndHandsOnOtherAtoms) {
    ZLargeAtom large;
    std::vector<std::vector<uint8_t>> handed;
    ZAtomHandler keep = [&](const ZStreamAtom& a) {
        handed.push_back({a.data, a.data + a.length});
        return a.protocol == 9 ? 25 : 0;
    };
    const uint8_t start[] = {9, 1};
    const uint8_t piece[] = {0x10, 0x20};
    EXPECT_EQ(large.Pass({0, 4, start, 2}, keep), 0);
    EXPECT_EQ(large.Pass({0, 5, piece, 2}, keep), 0);
    EXPECT_EQ(large.Pass({0, 7, piece, 1}, keep), 0); // not a piece: handed on at once
    EXPECT_EQ(large.bytes.Length(), 2u);
    EXPECT_EQ(large.Pass({0, 6, piece, 1}, keep), 25); // the handler's result of the joined atom
    EXPECT_TRUE(large.bytes.Empty());
    ASSERT_EQ(handed.size(), 2u);
    EXPECT_EQ(handed[1], (std::vector<uint8_t>{0x10, 0x20, 0x10}));
}

} // namespace
