#include "AtomStream.h"

#include "KelCodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Seen {
    uint16_t protocol;
    uint16_t atom;
    std::vector<uint8_t> argument;
    bool operator==(const Seen&) const = default;
};

struct Walk {
    std::vector<Seen> atoms;
    int32_t result = 0;
    ZDecoderState state;
    std::string comments;
};

Walk WalkOf(const std::vector<uint8_t>& stream, ZDecoderState start = {}, bool comments = false) {
    Walk w;
    w.state = start;
    ZString text;
    w.result =
        WalkAtomStream(stream.data(), stream.size(), w.state, comments ? &text : nullptr,
                       [&](const ZStreamAtom& a) {
                           w.atoms.push_back({a.protocol, a.atom, {a.data, a.data + a.length}});
                           return 0;
                       });
    w.comments.assign(text.Text(), text.Length());
    return w;
}

TEST(AtomStream, AnEmptyStreamYieldsNothing) {
    Walk w = WalkOf({});
    EXPECT_EQ(w.result, 0);
    EXPECT_TRUE(w.atoms.empty());
}

TEST(AtomStream, DecodesEveryStyle) {
    // 63: atom 3 of the current protocol; 21 05 / 21 A5: Length style.
    EXPECT_EQ(WalkOf({0x63}).atoms, (std::vector<Seen>{{0, 3, {}}}));
    EXPECT_EQ(WalkOf({0x21, 0x05}).atoms, (std::vector<Seen>{{1, 5, {}}}));
    EXPECT_EQ(WalkOf({0x21, 0xA5, 1, 2, 3, 4, 5}).atoms,
              (std::vector<Seen>{{1, 5, {1, 2, 3, 4, 5}}}));
    // 42 C3: Data style, protocol 2 atom 3 with the byte 6.
    EXPECT_EQ(WalkOf({0x42, 0xC3}).atoms, (std::vector<Seen>{{2, 3, {6}}}));
    // A5, C5: Zero and One of the current protocol (2 after the Full atom).
    EXPECT_EQ(WalkOf({0x02, 0x01, 0x00, 0xA5, 0xC5}).atoms,
              (std::vector<Seen>{{2, 1, {}}, {2, 5, {0}}, {2, 5, {1}}}));
    // 8x: Current style with a length byte.
    EXPECT_EQ(WalkOf({0x03, 0x09, 0x00, 0x84, 0x02, 0xAA, 0xBB}).atoms,
              (std::vector<Seen>{{3, 9, {}}, {3, 4, {0xAA, 0xBB}}}));
}

TEST(AtomStream, ReadsTheLongLengthOfFullForm) {
    std::vector<uint8_t> stream = {0x00, 0x07, 0x81, 0x00};
    for (int i = 0; i < 256; ++i)
        stream.push_back(uint8_t(i));
    Walk w = WalkOf(stream);
    ASSERT_EQ(w.result, 0);
    ASSERT_EQ(w.atoms.size(), 1u);
    EXPECT_EQ(w.atoms[0].protocol, 0);
    EXPECT_EQ(w.atoms[0].atom, 7);
    EXPECT_EQ(w.atoms[0].argument.size(), 256u);
    EXPECT_EQ(w.atoms[0].argument[255], 255);
}

TEST(AtomStream, APrefixWidensOneAtomAndLeavesTheLowProtocolBits) {
    Walk w = WalkOf({0xE8, 0x13, 0x24, 0x00, 0x63});
    EXPECT_EQ(w.atoms, (std::vector<Seen>{{51, 36, {}}, {19, 3, {}}}));
    EXPECT_FALSE(w.state.prefixActive);
    EXPECT_EQ(w.state.currentProtocol, 19);
}

TEST(AtomStream, AStickyPrefixStays) {
    Walk w = WalkOf({0xE9, 0x13, 0x24, 0x00, 0x63, 0x21, 0x02});
    EXPECT_EQ(w.atoms, (std::vector<Seen>{{51, 36, {}}, {51, 3, {}}, {33, 2, {}}}));
    EXPECT_TRUE(w.state.prefixActive);
    EXPECT_TRUE(w.state.prefixSticky);
    EXPECT_EQ(w.state.protocolOffset, 32);
}

TEST(AtomStream, APrefixAddsAtomOffsetsAndTheLastPrefixWins) {
    // P = 3, A = 2: protocol | 96, atom | 64; then P = 0, A = 1 replaces it before the atom.
    EXPECT_EQ(WalkOf({0xFC, 0x01, 0x05, 0x00}).atoms, (std::vector<Seen>{{97, 69, {}}}));
    EXPECT_EQ(WalkOf({0xFC, 0xE2, 0x01, 0x05, 0x00}).atoms, (std::vector<Seen>{{1, 37, {}}}));
    // A prefix at the very end produces no atom but stays in the saved state.
    Walk w = WalkOf({0xF1});
    EXPECT_TRUE(w.atoms.empty());
    EXPECT_TRUE(w.state.prefixActive);
    EXPECT_EQ(w.state.protocolOffset, 64);
}

TEST(AtomStream, ContinuesFromASavedState) {
    ZDecoderState saved;
    saved.currentProtocol = 51;
    saved.prefixActive = true;
    saved.prefixSticky = true;
    saved.protocolOffset = 32;
    EXPECT_EQ(WalkOf({0x63}, saved).atoms, (std::vector<Seen>{{51, 3, {}}}));
    ZDecoderState plain;
    plain.currentProtocol = 4;
    EXPECT_EQ(WalkOf({0x62}, plain).atoms, (std::vector<Seen>{{4, 2, {}}}));
}

TEST(AtomStream, WritesDecodingCommentsWithTheRawFields) {
    Walk w = WalkOf(
        {0xE8, 0x13, 0x24, 0x01, 0x41, 0x63, 0x21, 0x45, 1, 2, 0x42, 0xC3, 0x84, 0x00, 0xA5, 0xC6},
        {}, true);
    EXPECT_EQ(w.comments, ";Prefix PO:32 AO:0\r\n"
                          ";Full P:19 A:36 L:1\r\n"
                          ";Atom P:19 A:3 L:0\r\n"
                          ";Length P:1 A:5 L:2\r\n"
                          ";Data P:2 A:3 L:1\r\n"
                          ";Current P:2 A:4 L:0\r\n"
                          ";Zero P:2 A:5 L:1\r\n"
                          ";One P:2 A:6 L:1\r\n");
}

TEST(AtomStream, TheFirstNonzeroHandlerResultEndsTheWalk) {
    std::vector<uint8_t> stream = {0x61, 0x62, 0x63};
    ZDecoderState state;
    int calls = 0;
    int32_t result = WalkAtomStream(stream.data(), stream.size(), state, nullptr,
                                    [&](const ZStreamAtom&) { return ++calls == 2 ? 25 : 0; });
    EXPECT_EQ(result, 25);
    EXPECT_EQ(calls, 2);
}

TEST(AtomStream, EveryTruncationEndsInBadFormatAfterTheWholeAtoms) {
    const std::vector<uint8_t> stream = {0x00, 0x07, 0x80, 0x03, 1,    2, 3, 0x21, 0xA5, 1, 2, 3, 4,
                                         5,    0x42, 0xC3, 0x84, 0x02, 9, 9, 0x63, 0xE8};
    const std::vector<size_t> atomEnds = {7, 14, 16, 20, 21, 22};
    for (size_t n = 0; n <= stream.size(); ++n) {
        std::vector<uint8_t> cut(stream.begin(), stream.begin() + long(n));
        Walk w = WalkOf(cut);
        size_t whole = 0;
        while (whole < atomEnds.size() && atomEnds[whole] <= n)
            ++whole;
        bool atBoundary = n == 0 || std::count(atomEnds.begin(), atomEnds.end(), n);
        EXPECT_EQ(w.result, atBoundary ? kelSuccess : kelBadFormat) << n;
        size_t atoms = whole - (whole == atomEnds.size() ? 1 : 0); // the prefix is no atom
        EXPECT_EQ(w.atoms.size(), std::min(atoms, size_t(5))) << n;
    }
}

TEST(AtomStream, RandomBytesNeverReadOutside) {
    uint32_t seed = 99;
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> stream(size_t(seed % 40));
        for (auto& b : stream)
            b = uint8_t((seed = seed * 1103515245u + 12345u) >> 16);
        Walk w = WalkOf(stream, {}, true);
        EXPECT_TRUE(w.result == kelSuccess || w.result == kelBadFormat);
        for (const Seen& s : w.atoms) {
            EXPECT_LE(s.protocol, 127);
            EXPECT_LE(s.atom, 255);
        }
    }
}

} // namespace
