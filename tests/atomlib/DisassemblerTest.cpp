#include "Disassembly.h"

#include "KelCodes.h"
#include "KelFlags.h"
#include "ShowTable.h"
#include "StreamBuilder.h"
#include "TextHooks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Shown {
    int32_t result;
    std::string text;
};

class Disassembler : public ::testing::Test {
protected:
    std::shared_ptr<ZAtomTable> table = ShowTable();

    Shown Show(const Bytes8& stream, uint32_t flags = 0, ZDisassemblyState* state = nullptr) {
        ZString out;
        int32_t result = DisassembleStream(*table, stream.data(), stream.size(), flags, state, out);
        return {result, TextOf(out)};
    }
    Shown ShowAtom(uint16_t protocol, uint16_t atom, const Bytes8& argument, uint32_t flags,
                   ZDisassemblyState& state) {
        ZString out;
        int32_t result = DisassembleAtom(*table, protocol, atom, argument.data(), argument.size(),
                                         flags, state, out);
        return {result, TextOf(out)};
    }
    void TearDown() override { TextHooks() = ZTextHooks(); }
};

TEST_F(Disassembler, LaysOutSevenLinesWithIndentationAndNesting) {
    Bytes8 inner = StreamBuilder().Atom(1, 2, {7}).bytes;
    Bytes8 stream = StreamBuilder().Atom(1, 1).Atom(1, 2, {5}).Atom(1, 4, inner).Atom(1, 3).bytes;
    Shown shown = Show(stream);
    EXPECT_EQ(shown.result, 0);
    EXPECT_EQ(shown.text, "begin\r\n"
                          "  item <5>\r\n"
                          "  s\r\n"
                          "    <\r\n"
                          "    item <7>\r\n"
                          "    >\r\n"
                          "end\r\n");
}

TEST_F(Disassembler, AlternateSyntaxNamesAtomsAndDropsBracketsAndBracketLines) {
    Bytes8 inner = StreamBuilder().Atom(1, 2, {7}).bytes;
    Bytes8 stream = StreamBuilder().Atom(1, 2, {5}).Text(1, 5, "hi").Atom(1, 4, inner).bytes;
    EXPECT_EQ(Show(stream, kelFlagAlternateSyntax).text, "atom$item <5>\r\n"
                                                         "atom$title \"hi\"\r\n"
                                                         "atom$s\r\n"
                                                         "  atom$item <7>\r\n");
    // Object names keep "<" and lose ">"; byte lists lose both.
    Bytes8 more = StreamBuilder().Atom(1, 12, {6}).Atom(1, 23, {1, 2}).bytes;
    EXPECT_EQ(Show(more, kelFlagAlternateSyntax).text,
              "atom$name <trigger, \"\"\r\natom$tabs 1 2\r\n");
}

TEST_F(Disassembler, EmptyStreamsAndEmptyArguments) {
    EXPECT_EQ(Show({}).text, "");
    EXPECT_EQ(Show({}, kelFlagAlternateSyntax).text, "");
    EXPECT_EQ(Show(StreamBuilder().Atom(1, 2).bytes).text, "item\r\n");
    // An argument that shows nothing leaves the name and one blank.
    Bytes8 nothing = StreamBuilder().Atom(1, 8, {1}).Atom(1, 11, {9, 9}).Atom(1, 21, {1}).bytes;
    EXPECT_EQ(Show(nothing).text, "silent \r\ngoto \r\nbare \r\n");
    EXPECT_EQ(Show(nothing, kelFlagAlternateSyntax).text,
              "atom$silent 1\r\natom$goto \r\natom$bare 01x\r\n");
    // An empty stream argument still has its bracket lines.
    EXPECT_EQ(Show(StreamBuilder().Atom(1, 4).bytes).text, "s\r\n  <\r\n  >\r\n");
}

TEST_F(Disassembler, HiddenAtomsPrintNothingAndTheirLayoutFlagsDoNothing) {
    Bytes8 stream = StreamBuilder().Atom(1, 1).Atom(1, 6, {1, 2}).Atom(1, 2, {1}).bytes;
    EXPECT_EQ(Show(stream).text, "begin\r\n  item <1>\r\n");
}

TEST_F(Disassembler, NamesPrintInLowerCaseAndAnEmptyNameAsNothing) {
    EXPECT_EQ(Show(StreamBuilder().Atom(1, 7, {1}).bytes).text, "loudname <1>\r\n");
    // An atom reference shows the name as stored.
    EXPECT_EQ(Show(StreamBuilder().Atom(1, 11, {1, 7}).bytes).text, "goto <LoudName>\r\n");
    EXPECT_EQ(Show(StreamBuilder().Atom(1, 25, {1}).bytes).text, " <1>\r\n");
}

TEST_F(Disassembler, UnknownAtomsShowTheirNumbersAndRawBytesUnindented) {
    Bytes8 stream =
        StreamBuilder().Atom(1, 1).Atom(9, 200, {1, 0xAB}).Atom(9, 1).Atom(1, 30, {5}).bytes;
    EXPECT_EQ(Show(stream).text, "begin\r\n"
                                 "the_unknown <9, 200, 01x, abx>\r\n"
                                 "the_unknown <9, 1>\r\n"
                                 "the_unknown <1, 30, 05x>\r\n"); // class 1 is never read
    EXPECT_EQ(Show(stream, kelFlagAlternateSyntax).text, "atom$begin\r\n"
                                                         "the_unknown <9, 200, 01x abx>\r\n"
                                                         "the_unknown <9, 1>\r\n"
                                                         "the_unknown <1, 30, 05x>\r\n");
}

TEST_F(Disassembler, FlagOneCutsRawDumpsAfterEightBytes) {
    Bytes8 twenty(20);
    for (size_t i = 0; i < twenty.size(); ++i)
        twenty[i] = uint8_t(i);
    Bytes8 stream = StreamBuilder().Atom(9, 1, twenty).Atom(1, 10, twenty).bytes;
    EXPECT_EQ(Show(stream, kelFlagShortRawDump).text,
              "the_unknown <9, 1, 00x, 01x, 02x, 03x, 04x, 05x, 06x, 07x...>\r\n"
              "blob <00x, 01x, 02x, 03x, 04x, 05x, 06x, 07x...>\r\n");
    EXPECT_EQ(Show(StreamBuilder().Atom(1, 10, Bytes8(8, 1)).bytes, kelFlagShortRawDump).text,
              "blob <01x, 01x, 01x, 01x, 01x, 01x, 01x, 01x>\r\n");
    // Without the flag the dump stops after 32000 bytes.
    std::string text = Show(StreamBuilder().Atom(1, 10, Bytes8(32001, 0xEE)).bytes).text;
    EXPECT_EQ(text.size(), 6 + 32000 * 5 - 2 + 3 + 3);
    EXPECT_EQ(text.substr(text.size() - 11), ", eex...>\r\n");
}

TEST_F(Disassembler, CommentAtomsPrintTheirTextUpToANulByte) {
    Bytes8 stream = StreamBuilder()
                        .Atom(1, 1)
                        .Text(51, 36, std::string(" a note"))
                        .Atom(51, 36, Bytes8{'a', 'b', 0, 'c'})
                        .Atom(51, 36)
                        .bytes;
    EXPECT_EQ(Show(stream).text, "begin\r\n  ; a note\r\n  ;ab\r\n  ;\r\n");
    EXPECT_EQ(Show(stream, kelFlagAlternateSyntax).text,
              "atom$begin\r\n  ; a note\r\n  ;ab\r\n  ;\r\n");
}

TEST_F(Disassembler, APrefixedProtocolIsFound) {
    Bytes8 stream = StreamBuilder().Text(40, 3, "x").bytes;
    ASSERT_EQ(stream[0], 0xE8);
    EXPECT_EQ(Show(stream).text, "caption <\"x\">\r\n");
}

TEST_F(Disassembler, DecodingCommentsPrecedeEveryAtomAndPrefix) {
    Bytes8 inner = {0x63}; // atom 3 of protocol 0: unknown
    Bytes8 stream =
        StreamBuilder().Raw({0x21, 0x02, 0xE8, 0x13, 0x24, 0x00}).Atom(1, 4, inner).bytes;
    EXPECT_EQ(Show(stream, kelFlagDecodingComments).text, ";Length P:1 A:2 L:0\r\n"
                                                          "item\r\n"
                                                          ";Prefix PO:32 AO:0\r\n"
                                                          ";Full P:19 A:36 L:0\r\n"
                                                          ";\r\n"
                                                          ";Full P:1 A:4 L:1\r\n"
                                                          "s\r\n"
                                                          "  <\r\n"
                                                          ";Atom P:0 A:3 L:0\r\n"
                                                          "the_unknown <0, 3>\r\n"
                                                          "  >\r\n");
}

TEST_F(Disassembler, JoinsLargeAtomsAndCarriesAnUnfinishedOneInTheState) {
    Bytes8 start = StreamBuilder().Atom(0, 4, {1, 2}).Atom(0, 5, {0}).bytes;
    Bytes8 end = StreamBuilder().Atom(0, 6, {5}).Atom(1, 2, {6}).bytes;
    Bytes8 whole = start;
    whole.insert(whole.end(), end.begin(), end.end());
    EXPECT_EQ(Show(whole).text, "item <5>\r\nitem <6>\r\n");

    ZDisassemblyState state;
    EXPECT_EQ(Show(start, 0, &state).text, "");
    EXPECT_EQ(state.large.protocol, 1);
    EXPECT_EQ(state.large.atom, 2);
    EXPECT_EQ(state.large.bytes.Length(), 1u);
    EXPECT_EQ(Show(end, 0, &state).text, "item <5>\r\nitem <6>\r\n");
    EXPECT_EQ(state.large.bytes.Length(), 0u);
    // A fresh state has no start: the end hands on its piece as protocol 0, atom 0.
    EXPECT_EQ(Show(end).text, "the_unknown <0, 0, 05x>\r\nitem <6>\r\n");
}

TEST_F(Disassembler, AJoinedAtomNumberedLikeAPieceIsShownNotJoinedAgain) {
    Bytes8 stream = StreamBuilder().Atom(0, 4, {0, 6}).Atom(0, 6, {1}).bytes;
    EXPECT_EQ(Show(stream).text, "the_unknown <0, 6, 01x>\r\n");
    EXPECT_EQ(Show(StreamBuilder().Atom(0, 4, {1}).bytes).result, kelBadFormat);
}

TEST_F(Disassembler, SingleAtomModeEndsNoLineButNestedLinesDo) {
    ZDisassemblyState state;
    EXPECT_EQ(ShowAtom(1, 2, {5}, 0, state).text, "item <5>");
    Bytes8 inner = StreamBuilder().Atom(1, 2, {7}).Atom(0, 4, {1, 2}).Atom(0, 6, {8}).bytes;
    EXPECT_EQ(ShowAtom(1, 4, inner, 0, state).text, "s\r\n  <\r\n  item <7>\r\n  item <8>\r\n  >");
    // Large-atom pieces are ignored; a comment ends no line either.
    EXPECT_EQ(ShowAtom(0, 4, {1, 2}, 0, state).text, "");
    EXPECT_EQ(ShowAtom(0, 6, {1}, 0, state).text, "");
    EXPECT_EQ(state.large.bytes.Length(), 0u);
    EXPECT_EQ(ShowAtom(51, 36, {'x'}, 0, state).text, ";x");
    // The indent level goes on from call to call.
    EXPECT_EQ(ShowAtom(1, 1, {}, 0, state).text, "begin");
    EXPECT_EQ(state.indent, 1);
    EXPECT_EQ(ShowAtom(1, 2, {1}, kelFlagAlternateSyntax, state).text, "  atom$item <1>");
    state.indent = -5;
    EXPECT_EQ(ShowAtom(1, 2, {1}, 0, state).text, "item <1>");
    EXPECT_EQ(state.indent, 0);
}

TEST_F(Disassembler, TheStateCarriesIndentationAndDecoderBetweenCalls) {
    ZDisassemblyState state;
    EXPECT_EQ(Show(StreamBuilder().Atom(1, 1).bytes, 0, &state).text, "begin\r\n");
    EXPECT_EQ(Show({0x01, 0x02, 0x00}, 0, &state).text, "  item\r\n");
    EXPECT_EQ(state.decoder.currentProtocol, 1);
    // Atoms 2 and 3 of the current protocol, which the last call left at 1.
    EXPECT_EQ(Show({0x62, 0x63}, 0, &state).text, "  item\r\nend\r\n");
    EXPECT_EQ(state.indent, 0);
    // An error leaves the state as it was.
    state.indent = 3;
    Shown failed = Show(StreamBuilder().Atom(1, 1).Atom(1, 9, {0x80}).bytes, 0, &state);
    EXPECT_EQ(failed.result, kelBadOrientationFormat);
    EXPECT_EQ(state.indent, 3);
}

TEST_F(Disassembler, AnErrorEndsTheWalkAndKeepsTheTextBeforeIt) {
    Bytes8 stream = StreamBuilder().Atom(1, 2, {1}).Atom(1, 9, {0x80}).Atom(1, 2, {2}).bytes;
    Shown shown = Show(stream);
    EXPECT_EQ(shown.result, kelBadOrientationFormat);
    EXPECT_EQ(shown.text, "item <1>\r\nalign \r\n");
    // A bad justification value fails after the h or v.
    shown = Show(StreamBuilder().Atom(1, 9, {0x28}).bytes);
    EXPECT_EQ(shown.result, kelBadOrientationFormat);
    EXPECT_EQ(shown.text, "align <h>\r\n");
    // A stream cut inside an atom: the atoms before it stay.
    shown = Show({0x01, 0x02, 0x01, 0x05, 0x01, 0x02, 0x02, 0x07});
    EXPECT_EQ(shown.result, kelBadFormat);
    EXPECT_EQ(shown.text, "item <5>\r\n");
}

TEST_F(Disassembler, NestingEndsWithBadFormatBelow256Levels) {
    auto nested = [](int levels) {
        Bytes8 stream = StreamBuilder().Atom(1, 2, {1}).bytes;
        for (int i = 0; i < levels; ++i)
            stream = StreamBuilder().Atom(1, 4, stream).bytes;
        return stream;
    };
    Shown deep = Show(nested(256));
    EXPECT_EQ(deep.result, 0);
    EXPECT_NE(deep.text.find(std::string(2 * 256, ' ') + "item <1>\r\n"), std::string::npos);
    EXPECT_EQ(Show(nested(257)).result, kelBadFormat);
    EXPECT_EQ(Show(nested(300), kelFlagAlternateSyntax).result, kelBadFormat);
}

TEST_F(Disassembler, IndentationShowsAtMost256Levels) {
    StreamBuilder b;
    for (int i = 0; i < 300; ++i)
        b.Atom(1, 1);
    ZDisassemblyState state;
    Show(b.bytes, 0, &state);
    EXPECT_EQ(state.indent, 300);
    EXPECT_EQ(Show(StreamBuilder().Atom(1, 2).bytes, 0, &state).text,
              std::string(2 * 256, ' ') + "item\r\n");
}

TEST_F(Disassembler, WrapsLongLinesOnlyInTheAlternateSyntax) {
    Bytes8 stream = StreamBuilder().Text(51, 36, std::string(129, 'c')).Atom(1, 2, {1}).bytes;
    std::string line = ";" + std::string(129, 'c');
    EXPECT_EQ(Show(stream).text, line + "\r\nitem <1>\r\n");
    EXPECT_EQ(Show(stream, kelFlagAlternateSyntax).text,
              line.substr(0, 60) + "!\r\n" + line.substr(60, 60) + "!\r\n" + line.substr(120) +
                  "\r\natom$item <1>\r\n");
}

TEST_F(Disassembler, FlagsCanStartTheTextType) {
    std::vector<uint16_t> seen;
    static std::vector<uint16_t>* record;
    record = &seen;
    TextHooks().hText2CText = [](const char*, uint32_t, uint16_t type) -> const char* {
        record->push_back(type);
        return nullptr;
    };
    Bytes8 stream = StreamBuilder().Text(1, 5, "a").bytes;
    Show(stream);
    Show(stream, kelFlagTextType260);
    Show(stream, kelFlagTextType4107);
    Show(stream, kelFlagTextType260 | kelFlagTextType4107);
    EXPECT_EQ(seen, (std::vector<uint16_t>{0x0401, 0x0B10, 0x0B10}));
}

// Records the text types handed to HText2CText (byte-swapped) and converts nothing.
std::vector<uint16_t>* gTypes = nullptr;
const char* RecordType(const char*, uint32_t, uint16_t type) {
    gTypes->push_back(type);
    return nullptr;
}

TEST_F(Disassembler, TextTypeAtomsSwitchForOneAtomOrUntilFurtherNotice) {
    std::vector<uint16_t> seen;
    gTypes = &seen;
    TextHooks().hText2CText = RecordType;
    struct Atom {
        uint16_t protocol, atom;
        Bytes8 argument;
    };
    std::vector<Atom> atoms = {{1, 5, {'a'}}, {0, 22, {1, 4}},       {1, 5, {'b'}},
                               {1, 5, {'c'}}, {0, 23, {0x10, 0x0B}}, {1, 5, {'d'}},
                               {1, 5, {'e'}}, {0, 24, {}},           {1, 5, {'f'}}};
    const std::vector<uint16_t> expected = {0x0401, 0x0B10, 0x0B10};
    StreamBuilder whole;
    for (const Atom& a : atoms)
        whole.Atom(a.protocol, a.atom, a.argument);
    EXPECT_EQ(Show(whole.bytes).result, 0);
    EXPECT_EQ(seen, expected);

    // Atom by atom with a caller-held state: the one-atom type returns all the same.
    seen.clear();
    ZDisassemblyState state;
    for (const Atom& a : atoms)
        ShowAtom(a.protocol, a.atom, a.argument, 0, state);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(state.textType, 0);

    // A stream cut right behind atom 22.
    seen.clear();
    ZDisassemblyState split;
    Show(StreamBuilder().Atom(0, 22, {1, 4}).bytes, 0, &split);
    EXPECT_TRUE(split.restorePending);
    Show(StreamBuilder().Text(1, 5, "b").Text(1, 5, "c").bytes, 0, &split);
    EXPECT_EQ(seen, std::vector<uint16_t>{0x0401});
    EXPECT_EQ(split.textType, 0);
}

TEST_F(Disassembler, TheHookConvertsQuotedTextAndIsReadNoFurtherThanItsText) {
    TextHooks().hText2CText = [](const char* text, uint32_t length, uint16_t) -> const char* {
        if (text[length] != 0) return "not terminated";
        static std::string converted;
        converted = std::string(text, length) == "abc" ? "X" : "Q\n" + std::string(text, length);
        return converted.c_str();
    };
    Bytes8 stream = StreamBuilder()
                        .Atom(0, 23, {1, 4})
                        .Text(1, 5, "abc")
                        .Text(1, 5, "ab")
                        .Atom(1, 12, Bytes8{6, 'a'})
                        .Atom(0, 24)
                        .Text(1, 5, "ab")
                        .bytes;
    EXPECT_EQ(Show(stream).text, "text_type <260>\r\n"
                                 "title <\"X\">\r\n"
                                 "title <\"Q\\n\">\r\n"
                                 "name <trigger, \"Q\">\r\n" // one byte of "Q\na"
                                 "text_type_plain\r\n"
                                 "title <\"ab\">\r\n");
}

} // namespace
