// The binary encoding: the walk over every style, the Full-form writer, large atoms and
// normalisation.
#include "AtomStream.h"
#include "AtomText.h"
#include "Damage.h"
#include "Disassembly.h"
#include "KelCodes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Every atom handed on as "protocol.atom(argument)", joined by " | ", then "[error N]".
std::string Walk(const Bytes8& stream, ZString* comments = nullptr) {
    std::string seen;
    ZDecoderState state;
    int32_t result =
        WalkAtomStream(stream.data(), stream.size(), state, comments, [&](const ZStreamAtom& a) {
            seen += (seen.empty() ? "" : " | ") + std::to_string(a.protocol) + "." +
                    std::to_string(a.atom) + "(" + Hex(a.data, a.length) + ")";
            return 0;
        });
    return result ? seen + "[" + Fail(result) + "]" : seen;
}

// Each style once; a decoding comment per atom and prefix names the style and its raw fields.
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
        EXPECT_EQ(Walk(Unhex(Case(c).first)), Case(c).second) << c;
    Bytes8 stream = {0x00, 0x07, 0x81, 0x00}; // a two-byte length of 256
    for (int i = 0; i < 256; ++i)
        stream.push_back(uint8_t(i));
    EXPECT_EQ(Walk(stream), "0.7(" + Hex(stream.data() + 4, 256) + ")");
    ZString comments;
    Walk(Unhex("E8 13 24 01 41 63 21 45 01 02 42 C3 84 00 A5 C6"), &comments);
    EXPECT_EQ(TextOf(comments),
              ";Prefix PO:32 AO:0\r\n;Full P:19 A:36 L:1\r\n;Atom P:19 A:3 L:0\r\n"
              ";Length P:1 A:5 L:2\r\n;Data P:2 A:3 L:1\r\n;Current P:2 A:4 L:0\r\n"
              ";Zero P:2 A:5 L:1\r\n;One P:2 A:6 L:1\r\n");
}

// A cut ends in 11 unless it falls between atoms, and every whole atom before it is handed
// on; a changed byte ends in 0 or 11.
TEST(AtomStream, DamagedStreamsEndInBadFormatAfterTheWholeAtoms) {
    const Bytes8 stream =
        Unhex("00 07 80 03 01 02 03 21 A5 01 02 03 04 05 42 C3 84 02 09 09 63 E8");
    const std::vector<size_t> atomEnds = {0, 7, 14, 16, 20, 21};
    ForEachDamage<uint8_t>(stream, [&](const std::string& what, const Bytes8& damaged) {
        const std::string seen = Walk(damaged);
        const size_t n = damaged.size(),
                     whole = size_t(std::upper_bound(atomEnds.begin() + 1, atomEnds.end(), n) -
                                    atomEnds.begin() - 1);
        if (!what.starts_with("cut")) {
            EXPECT_TRUE(seen.find('[') == seen.npos || seen.ends_with("[error 11]")) << what;
            return;
        }
        EXPECT_EQ(seen.ends_with("[error 11]"),
                  !std::binary_search(atomEnds.begin(), atomEnds.end(), n));
        EXPECT_EQ(size_t(std::count(seen.begin(), seen.end(), '(')), whole) << what;
    });
}

// Full form: a prefix byte from protocol 32 on, the length in one byte below 128, else in two
// with the top bit set; the assembler's in-place length field writes the same bytes.
TEST(FullWriter, WritesHeaderPrefixAndBothLengthFormsAndRejectsWhatItCannotHold) {
    ZBuffer out;
    ASSERT_EQ(WriteFullAtom(out, 51, 36, Unhex("61 62 63").data(), 3), 0);
    ASSERT_EQ(WriteFullAtom(out, 32, 1, nullptr, 0), 0);
    EXPECT_EQ(Hex(out), "E8 13 24 03 61 62 63 E8 00 01 00");
    const Bytes8 argument(32768, 0x5A);
    for (size_t n : {0, 127, 128, 255, 32767}) {
        ZBuffer whole, inPlace;
        ASSERT_EQ(WriteFullAtom(whole, 127, 255, argument.data(), n), 0);
        WriteFullHeader(inPlace, 127, 255);
        size_t field = BeginFullArgument(inPlace);
        inPlace.Append(argument.data(), n);
        ASSERT_EQ(EndFullArgument(inPlace, field), 0);
        EXPECT_EQ(Hex(whole.Data(), 5),
                  n < 128 ? Hex({0xF8, 0x1F, 0xFF, uint8_t(n), uint8_t(n ? 0x5A : 0)})
                          : Hex({0xF8, 0x1F, 0xFF, uint8_t(0x80 | n >> 8), uint8_t(n)}));
        EXPECT_TRUE(whole.Length() == (n < 128 ? 4 : 5) + n && Hex(inPlace) == Hex(whole)) << n;
    }
    out.Clear();
    EXPECT_EQ(WriteFullAtom(out, 128, 0, nullptr, 0) + WriteFullAtom(out, 0, 256, nullptr, 0) +
                  WriteFullAtom(out, 0, 0, argument.data(), argument.size()) +
                  WriteFullHeader(out, 1000, 1),
              4 * kelValueTooLarge);
    EXPECT_TRUE(out.Empty());
    size_t field = BeginFullArgument(out);
    out.Append(argument.data(), argument.size());
    EXPECT_EQ(EndFullArgument(out, field), kelValueTooLarge);
}

// Normalisation writes every style in Full form and joins large atoms: start (protocol 5,
// atom 2), segments, end; an unfinished large atom writes nothing, and one joined to more
// than Full form holds (two pieces of 20000 bytes) fails.
TEST(Normalize, RewritesEveryStyleInFullFormAndJoinsLargeAtoms) {
    const char* const cases[] = {
        " => ", "02 01 00 63 => 02 01 00 02 03 00",
        ("21 45 07 08 42 C3 A5 C5 84 01 09 => "
         "01 05 02 07 08 02 03 01 06 02 05 01 00 02 05 01 01 02 04 01 09"),
        // A sticky prefix: every atom of protocol 51 gets its own prefix in Full form.
        "E9 13 24 00 63 => E8 13 24 00 E8 13 03 00",
        "00 04 02 05 02 00 05 02 61 62 00 06 01 63 01 01 00 => 05 02 03 61 62 63 01 01 00",
        "00 04 02 05 02 00 05 01 61 => ", "01 01 00 00 02 05 => 01 01 00[error 11]",
        "00 04 01 05 => [error 11]"};
    auto normalized = [](const Bytes8& stream) {
        ZBuffer out;
        int32_t result = NormalizeAtomStream(stream.data(), stream.size(), out);
        return result ? Hex(out) + "[" + Fail(result) + "]" : Hex(out);
    };
    for (const char* c : cases)
        EXPECT_EQ(normalized(Unhex(Case(c).first)), Case(c).second) << c;
    Bytes8 stream = Unhex("00 04 02 01 02");
    for (uint8_t atom : {5, 6}) {
        stream.insert(stream.end(), {0x00, atom, 0x80 | (20000 >> 8), 20000 & 0xFF});
        stream.insert(stream.end(), 20000, 0x41);
    }
    EXPECT_EQ(normalized(stream), "[error 24]");
}

} // namespace
