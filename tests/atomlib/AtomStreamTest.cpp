// The binary encoding: the walk over every style, the Full-form writer, large atoms and
// normalisation.
#include "AtomStream.h"
#include "Disassembly.h"
#include "KelCodes.h"
#include "TestTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

namespace {

// Every atom handed on as "protocol.atom(argument)", joined by " | ", then "[error N]".
std::string Walk(const Bytes8& stream, ZDecoderState& state, ZString* comments = nullptr) {
    std::string seen;
    int32_t result =
        WalkAtomStream(stream.data(), stream.size(), state, comments, [&](const ZStreamAtom& a) {
            seen += seen.empty() ? "" : " | ";
            seen += std::to_string(a.protocol) + "." + std::to_string(a.atom) + "(" +
                    Hex(a.data, a.length) + ")";
            return 0;
        });
    return result ? seen + "[" + Fail(result) + "]" : seen;
}
std::string Walk(const std::string& hex) {
    ZDecoderState state;
    return Walk(Unhex(hex), state);
}

TEST(AtomStream, DecodesEveryStyle) {
    const char* const cases[] = {
        " => ", "63 => 0.3()", "21 05 => 1.5()", "21 A5 01 02 03 04 05 => 1.5(01 02 03 04 05)",
        "42 C3 => 2.3(06)", "02 01 00 A5 C5 => 2.1() | 2.5(00) | 2.5(01)",
        "03 09 00 84 02 AA BB => 3.9() | 3.4(AA BB)",
        // A prefix widens one atom and leaves the low five bits of its protocol current.
        "E8 13 24 00 63 => 51.36() | 19.3()", "E9 13 24 00 63 21 02 => 51.36() | 51.3() | 33.2()",
        "FC 01 05 00 => 97.69()", "FC E2 01 05 00 => 1.37()", "F1 => ",
        "01 01 00 00 02 05 => 1.1()[error 11]"};
    for (const char* c : cases)
        EXPECT_EQ(Walk(Case(c).first), Case(c).second) << c;
    Bytes8 stream = {0x00, 0x07, 0x81, 0x00};
    for (int i = 0; i < 256; ++i)
        stream.push_back(uint8_t(i));
    ZDecoderState state;
    EXPECT_EQ(Walk(stream, state), std::string("0.7(").append(Hex(stream.data() + 4, 256)) + ")");
}

TEST(AtomStream, WritesDecodingCommentsWithTheRawFields) {
    ZDecoderState state;
    ZString comments;
    Walk(Unhex("E8 13 24 01 41 63 21 45 01 02 42 C3 84 00 A5 C6"), state, &comments);
    EXPECT_EQ(TextOf(comments), ";Prefix PO:32 AO:0\r\n"
                                ";Full P:19 A:36 L:1\r\n"
                                ";Atom P:19 A:3 L:0\r\n"
                                ";Length P:1 A:5 L:2\r\n"
                                ";Data P:2 A:3 L:1\r\n"
                                ";Current P:2 A:4 L:0\r\n"
                                ";Zero P:2 A:5 L:1\r\n"
                                ";One P:2 A:6 L:1\r\n");
}

TEST(AtomStream, EveryTruncationEndsInBadFormatAfterTheWholeAtoms) {
    const Bytes8 stream =
        Unhex("00 07 80 03 01 02 03 21 A5 01 02 03 04 05 42 C3 84 02 09 09 63 E8");
    const size_t atomEnds[] = {7, 14, 16, 20, 21};
    for (size_t n = 0; n <= stream.size(); ++n) {
        ZDecoderState state;
        std::string seen = Walk(Bytes8(stream.begin(), stream.begin() + long(n)), state);
        size_t whole = size_t(std::count_if(std::begin(atomEnds), std::end(atomEnds),
                                            [&](size_t end) { return end <= n; }));
        bool atBoundary =
            n == 0 || n == 22 || std::count(std::begin(atomEnds), std::end(atomEnds), n);
        EXPECT_EQ(seen.find("error 11") != std::string::npos, !atBoundary) << n;
        EXPECT_EQ(size_t(std::count(seen.begin(), seen.end(), '(')), whole) << n;
    }
}

TEST(FullWriter, WritesHeaderPrefixAndBothLengthFormsAndRejectsWhatItCannotHold) {
    ZBuffer out;
    ASSERT_EQ(WriteFullAtom(out, 51, 36, Unhex("61 62 63").data(), 3), 0);
    EXPECT_EQ(Hex(out), "E8 13 24 03 61 62 63");
    const Bytes8 argument(32768, 0x5A);
    for (size_t n : {0, 127, 128, 255, 32767}) {
        ZBuffer b;
        ASSERT_EQ(WriteFullAtom(b, 127, 255, argument.data(), n), 0);
        Bytes8 head = {0xF8, 0x1F, 0xFF, uint8_t(n < 128 ? n : 0x80 | (n >> 8))};
        if (n >= 128) head.push_back(uint8_t(n));
        EXPECT_EQ(Hex(b.Data(), head.size()), Hex(head)) << n;
        EXPECT_EQ(b.Length(), head.size() + n);
        ZBuffer inPlace; // the assembler's way: the argument behind a length field
        WriteFullHeader(inPlace, 127, 255);
        size_t field = BeginFullArgument(inPlace);
        inPlace.Append(argument.data(), n);
        ASSERT_EQ(EndFullArgument(inPlace, field), 0);
        EXPECT_EQ(Hex(inPlace), Hex(b)) << n;
    }
    out.Clear();
    EXPECT_EQ(WriteFullAtom(out, 128, 0, nullptr, 0), kelValueTooLarge);
    EXPECT_EQ(WriteFullAtom(out, 0, 256, nullptr, 0), kelValueTooLarge);
    EXPECT_EQ(WriteFullAtom(out, 0, 0, argument.data(), argument.size()), kelValueTooLarge);
    ZBuffer tooLong;
    size_t field = BeginFullArgument(tooLong);
    tooLong.Append(argument.data(), argument.size());
    EXPECT_EQ(EndFullArgument(tooLong, field), kelValueTooLarge);
    EXPECT_EQ(tooLong.Length(), argument.size() + 1);
    EXPECT_EQ(WriteFullHeader(out, 1000, 1), kelValueTooLarge);
    EXPECT_TRUE(out.Empty());
}

std::string Normalized(const std::string& hex) {
    Bytes8 stream = Unhex(hex);
    ZBuffer out;
    int32_t result = NormalizeAtomStream(stream.data(), stream.size(), out);
    return result ? Hex(out) + "[" + Fail(result) + "]" : Hex(out);
}

TEST(Normalize, RewritesEveryStyleInFullFormAndJoinsLargeAtoms) {
    const char* const cases[] = {
        " => ", "02 01 00 63 => 02 01 00 02 03 00",
        ("21 45 07 08 42 C3 A5 C5 84 01 09 => "
         "01 05 02 07 08 02 03 01 06 02 05 01 00 02 05 01 01 02 04 01 09"),
        // A sticky prefix: every atom of protocol 51 gets its own prefix in Full form.
        "E9 13 24 00 63 => E8 13 24 00 E8 13 03 00",
        "E8 13 24 00 E8 13 03 00 => E8 13 24 00 E8 13 03 00",
        // Start (protocol 5, atom 2), segment "ab", end "c", then an ordinary atom; an
        // unfinished large atom writes nothing.
        "00 04 02 05 02 00 05 02 61 62 00 06 01 63 01 01 00 => 05 02 03 61 62 63 01 01 00",
        "00 04 02 05 02 00 05 01 61 => ", "01 01 00 00 02 05 => 01 01 00[error 11]",
        "00 04 01 05 => [error 11]"};
    for (const char* c : cases)
        EXPECT_EQ(Normalized(Case(c).first), Case(c).second) << c;
    // Two 20000-byte pieces join to 40000 bytes: more than Full form holds.
    Bytes8 stream = Unhex("00 04 02 01 02");
    for (uint8_t atom : {5, 6}) {
        stream.insert(stream.end(), {0x00, atom, 0x80 | (20000 >> 8), 20000 & 0xFF});
        stream.insert(stream.end(), 20000, 0x41);
    }
    ZBuffer out;
    EXPECT_EQ(NormalizeAtomStream(stream.data(), stream.size(), out), kelValueTooLarge);
}

} // namespace
