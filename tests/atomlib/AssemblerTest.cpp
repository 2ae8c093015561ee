#include "AssemblerFixture.h"

#include "KelCodes.h"
#include "TextHooks.h"

#include <cstring>
#include <string>

namespace {

TEST_F(AssemblerTest, AtomsWithAndWithoutArguments) {
    EXPECT_EQ(Stream(""), Bytes8{});
    EXPECT_EQ(Stream("  \r\n\t"), Bytes8{});
    EXPECT_EQ(Stream("a <5>"), (Bytes8{0x01, 0x01, 0x01, 0x05}));
    EXPECT_EQ(Stream("a<5>b"), (Bytes8{0x01, 0x01, 0x01, 0x05, 0x01, 0x04, 0x00}));
    EXPECT_EQ(Stream("a\n<5>"), (Bytes8{0x01, 0x01, 0x01, 0x05}));
    EXPECT_EQ(Stream("a <>"), (Bytes8{0x01, 0x01, 0x00}));
    EXPECT_EQ(Stream("a"), (Bytes8{0x01, 0x01, 0x00}));
    EXPECT_EQ(Stream("A\t\n  B <01x, 02x>  "), (Bytes8{1, 1, 0, 1, 4, 2, 1, 2}));
    // Protocol 32 and up take a prefix byte; class 1 atoms are found by name too.
    EXPECT_EQ(Stream("far <1>"), (Bytes8{0xE8, 0x08, 0x05, 0x01, 0x01}));
    EXPECT_EQ(Stream("classone <2>"), (Bytes8{0x09, 0x01, 0x01, 0x02}));
    EXPECT_EQ(Stream("big"), (Bytes8{0x01, 0xFF, 0x00}));
}

TEST_F(AssemblerTest, StructuralErrorsWithTheirLines) {
    EXPECT_EQ(Assemble("a<5>zork"), Err(1, kelUnrecognizedAtom));
    EXPECT_EQ(Assemble("a 5"), Err(1, kelMissingOpenBracket));
    EXPECT_EQ(Assemble("a b"), Err(1, kelMissingOpenBracket));
    EXPECT_EQ(Assemble("a <5"), Err(1, kelMissingCloseBracket));
    EXPECT_EQ(Assemble("a <5 6>"), Err(1, kelMissingCloseBracket));
    EXPECT_EQ(Assemble("zork"), Err(1, kelUnrecognizedAtom));
    EXPECT_EQ(Assemble("\n\n\nzork"), Err(4, kelUnrecognizedAtom));
    EXPECT_EQ(Assemble("a\r\n\r\nzork"), Err(3, kelUnrecognizedAtom));
    EXPECT_EQ(Assemble("a\n\r\n\rzork"), Err(3, kelUnrecognizedAtom));
    EXPECT_EQ(Assemble("a\r\r\n\nzork"), Err(4, kelUnrecognizedAtom));
    EXPECT_EQ(Assemble("a <\n5\n"), Err(2, kelMissingCloseBracket)) << "the last LF counts not";
    EXPECT_EQ(Assemble("a <\n5\n\n"), Err(3, kelMissingCloseBracket));
    EXPECT_EQ(Assemble("t <maybe>"), Err(1, kelBadBooleanFormat));
    EXPECT_EQ(Assemble("A\nt <\n\nmaybe>"), Err(4, kelBadBooleanFormat));
    EXPECT_EQ(Assemble("huge"), Err(1, kelValueTooLarge));
    EXPECT_EQ(Assemble("beyond <1>"), Err(1, kelValueTooLarge));
    EXPECT_EQ(Assemble(">"), Err(1, kelUnrecognizedAtom));
}

TEST_F(AssemblerTest, LineNumberIsCutToSixteenBits) {
    std::string text(65535, '\n');
    EXPECT_EQ(Assemble(text + "zork"), Err(0, kelUnrecognizedAtom));
    EXPECT_EQ(Assemble(text + "\nzork"), Err(1, kelUnrecognizedAtom));
    EXPECT_EQ(Assemble(text + "\nzork") & 0xFFFF, kelUnrecognizedAtom);
}

TEST_F(AssemblerTest, CommentLinesBecomeCommentAtoms) {
    EXPECT_EQ(Stream("; note"), (Bytes8{0xE8, 0x13, 0x24, 0x05, 0x20, 0x6E, 0x6F, 0x74, 0x65}));
    EXPECT_EQ(Stream(";\r\n;x\n"), (Bytes8{0xE8, 0x13, 0x24, 0x00, 0xE8, 0x13, 0x24, 0x01, 'x'}));
    EXPECT_EQ(Assemble("a ;x"), Err(1, kelMissingOpenBracket));
    // Each comment consumes one line break; the lines below it keep their numbers.
    EXPECT_EQ(Assemble(";x\n\nzork"), Err(3, kelUnrecognizedAtom));
    EXPECT_EQ(Assemble(";x\r\n\r\nzork"), Err(3, kelUnrecognizedAtom));
    EXPECT_EQ(Assemble(";x\r\rzork"), Err(3, kelUnrecognizedAtom));
    EXPECT_EQ(Assemble(";x\n;y\nzork"), Err(3, kelUnrecognizedAtom));
    EXPECT_EQ(Assemble(std::string(";") + std::string(32768, 'c')), Err(1, kelValueTooLarge));
    EXPECT_EQ(Stream(std::string(";") + std::string(32767, 'c')).size(), 5u + 32767u);
}

TEST_F(AssemblerTest, TheUnknownForm) {
    EXPECT_EQ(Stream("the_unknown <3, 17, 01x>"), (Bytes8{0x03, 0x11, 0x01, 0x01}));
    EXPECT_EQ(Stream("the_unknown <3 17>"), (Bytes8{0x03, 0x11, 0x00}));
    EXPECT_EQ(Stream("The_Unknown <51, 36, 61x, 62x>"), (Bytes8{0xE8, 0x13, 0x24, 2, 'a', 'b'}));
    EXPECT_EQ(Stream("the_unknown <x, 0x10 300>"), (Bytes8{0x00, 0x10, 0x02, 0x01, 0x2C}));
    EXPECT_EQ(Stream("the_unknown <127, 255>"), (Bytes8{0xF8, 0x1F, 0xFF, 0x00}));
    EXPECT_EQ(Assemble("the_unknown 3"), Err(1, kelMissingOpenBracket));
    EXPECT_EQ(Assemble("the_unknown <3, 17, zz>"), Err(1, kelBadHexFormat));
    EXPECT_EQ(Assemble("the_unknown <3, 17"), Err(1, kelBadHexFormat));
    EXPECT_EQ(Assemble("the_unknown <128, 1>"), Err(1, kelValueTooLarge));
    EXPECT_EQ(Assemble("the_unknown <1, 256>"), Err(1, kelValueTooLarge));
    EXPECT_EQ(Assemble("the_unknown <99999999999, 1>"), Err(1, kelValueTooLarge));
}

TEST_F(AssemblerTest, NestedStreams) {
    EXPECT_EQ(Stream("s <a <1> a <2>>"),
              (Bytes8{0x01, 0x03, 0x08, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x02}));
    EXPECT_EQ(Stream("s <\n  a <1>\n  ; c\n>"),
              (Bytes8{0x01, 0x03, 0x0A, 1, 1, 1, 1, 0xE8, 0x13, 0x24, 0x02, ' ', 'c'}));
    EXPECT_EQ(Stream("s <s <>>"), (Bytes8{0x01, 0x03, 0x03, 0x01, 0x03, 0x00}));
    EXPECT_EQ(Assemble("s <a <1>"), Err(1, kelMissingCloseBracket));
    EXPECT_EQ(Assemble("s <a <1>\nzork>"), Err(2, kelUnrecognizedAtom));
    // A comment may be the last line of a nested stream.
    EXPECT_EQ(Stream("s <\n; c\n>"), (Bytes8{0x01, 0x03, 0x06, 0xE8, 0x13, 0x24, 0x02, ' ', 'c'}));
}

std::string Nest(size_t depth) {
    std::string text;
    for (size_t i = 0; i < depth; ++i)
        text += "s <";
    text += "a <1>";
    text += std::string(depth, '>');
    return text;
}

TEST_F(AssemblerTest, NestingDeeperThan256LevelsIsRefused) {
    Bytes8 bytes;
    EXPECT_EQ(Assemble(Nest(256), &bytes), 0);
    size_t size = 4;
    for (int level = 0; level < 256; ++level)
        size += size < 128 ? 3 : 4;
    EXPECT_EQ(bytes.size(), size);
    EXPECT_EQ(Assemble(Nest(257)), Err(1, kelBadFormat));
    EXPECT_EQ(Assemble(Nest(100000)), Err(1, kelBadFormat));
}

TEST_F(AssemblerTest, ArgumentsLongerThanFullFormCanHoldAreRefused) {
    std::string ok = "b <" + std::string(32767 * 4, ' ') + ">";
    for (size_t i = 0; i < 32767; ++i)
        ok.replace(3 + 4 * i, 3, "7fx");
    Bytes8 bytes;
    ASSERT_EQ(Assemble(ok, &bytes), 0);
    EXPECT_EQ(bytes.size(), 4u + 32767u);
    EXPECT_EQ(Assemble("b <01x " + ok.substr(3)), Err(1, kelValueTooLarge));
    EXPECT_EQ(Assemble("s <b <01x " + ok.substr(3) + ">"), Err(1, kelValueTooLarge));
}

TEST_F(AssemblerTest, TextTypeAtomsSetTheTypeHandedToTheHook) {
    static uint16_t seen[8];
    static size_t calls;
    calls = 0;
    TextHooks().cText2HText = [](KelTextDesc* desc) -> const char* {
        seen[calls++ % 8] = desc->textType;
        return nullptr;
    };
    EXPECT_EQ(Stream("str <\"x\">\ntt_once <260>\nstr <\"x\">\nstr <\"x\">\ntt_set <4107>\n"
                     "str <\"x\">\ntt_plain\nstr <\"x\">",
                     kelFlagTextTypeToHook)
                  .size(),
              5u * 4 + 2 * 5 + 3);
    EXPECT_EQ(calls, 5u);
    // Atom 22 holds like 23: the assembler does not restore the type after one atom.
    EXPECT_EQ(seen[0], 0);
    EXPECT_EQ(seen[1], 260);
    EXPECT_EQ(seen[2], 260);
    EXPECT_EQ(seen[3], 4107);
    EXPECT_EQ(seen[4], 0);
    calls = 0;
    Stream("str <\"x\">", kelFlagTextTypeToHook | kelFlagTextType260);
    Stream("str <\"x\">", kelFlagTextTypeToHook | kelFlagTextType260 | kelFlagTextType4107);
    Stream("str <\"x\">", kelFlagTextType4107);
    EXPECT_EQ(seen[0], 260);
    EXPECT_EQ(seen[1], 4107);
    EXPECT_EQ(seen[2], 0) << "without 0x80 the hook receives 0";
    TextHooks().cText2HText = nullptr;
}

struct FragmentResult {
    int32_t code;
    Bytes8 stream;
    Bytes8 partial;
    std::string remaining;
    uint32_t line;
};

FragmentResult Fragment(const ZAtomTable& table, const std::string& text) {
    ZFragment f;
    int32_t code = AssembleFragment(table, text.c_str(), 0, f);
    return {code, Of(f.stream), Of(f.partialArgument), text.substr(f.consumed), f.line};
}

TEST_F(AssemblerTest, FragmentsStopAtThePlaceholder) {
    FragmentResult f = Fragment(*table, "a <1> %x");
    EXPECT_EQ(f.code, 0);
    EXPECT_EQ(f.stream, (Bytes8{0x01, 0x01, 0x01, 0x01}));
    EXPECT_EQ(f.partial, Bytes8{});
    EXPECT_EQ(f.remaining, "%x");

    f = Fragment(*table, "a <%>");
    EXPECT_EQ(f.code, 0);
    EXPECT_EQ(f.stream, (Bytes8{0x01, 0x01}));
    EXPECT_EQ(f.partial, Bytes8{});
    EXPECT_EQ(f.remaining, "%>");

    f = Fragment(*table, "b <01x, 02x %> a");
    EXPECT_EQ(f.code, 0);
    EXPECT_EQ(f.stream, (Bytes8{0x01, 0x04}));
    EXPECT_EQ(f.partial, (Bytes8{0x01, 0x02}));
    EXPECT_EQ(f.remaining, "%> a");

    f = Fragment(*table, "a <1>\n a <2>");
    EXPECT_EQ(f.code, 0);
    EXPECT_EQ(f.stream.size(), 8u);
    EXPECT_EQ(f.remaining, "");

    f = Fragment(*table, "str <\"50%\"> zork");
    EXPECT_EQ(f.code, kelUnrecognizedAtom) << "a % inside a quoted string is text";
    f = Fragment(*table, "; 100%\n\nzork");
    EXPECT_EQ(f.code, kelUnrecognizedAtom);
    EXPECT_EQ(f.line, 3u);
}

TEST_F(AssemblerTest, FragmentInsideNestedStreamsGivesTheOuterArgument) {
    FragmentResult f = Fragment(*table, "a <1> s <a <2> s <a <%>>>");
    EXPECT_EQ(f.code, 0);
    EXPECT_EQ(f.stream, (Bytes8{0x01, 0x01, 0x01, 0x01, 0x01, 0x03}));
    EXPECT_EQ(f.partial, (Bytes8{0x01, 0x01, 0x01, 0x02, 0x01, 0x03}));
    EXPECT_EQ(f.remaining, "%>>>");

    f = Fragment(*table, "s <a <2> % a <3>>");
    EXPECT_EQ(f.code, 0);
    EXPECT_EQ(f.partial, (Bytes8{0x01, 0x01, 0x01, 0x02}));
    EXPECT_EQ(f.remaining, "% a <3>>");

    f = Fragment(*table, "the_unknown <3, 4, 01x %>");
    EXPECT_EQ(f.code, 0);
    EXPECT_EQ(f.stream, (Bytes8{0x03, 0x04}));
    EXPECT_EQ(f.partial, (Bytes8{0x01}));
}

TEST_F(AssemblerTest, FragmentErrorsWithoutPlaceholderKeepTheirLine) {
    FragmentResult f = Fragment(*table, "a <1>\nzork %");
    EXPECT_EQ(f.code, kelUnrecognizedAtom);
    EXPECT_EQ(f.line, 2u);
    // Without fragment mode "%" is an ordinary one-character token.
    EXPECT_EQ(Assemble("a <1> %x"), Err(1, kelUnrecognizedAtom));
    EXPECT_EQ(Assemble("a <%>"), Err(1, kelBadNumberFormat));
}

TEST_F(AssemblerTest, PartialArgumentIsBoundedByTheLargestArgument) {
    std::string text = "b <";
    for (size_t i = 0; i < 32768; ++i)
        text += "7fx ";
    FragmentResult f = Fragment(*table, text + "%>");
    EXPECT_EQ(f.code, kelValueTooLarge);
    f = Fragment(*table, text.substr(0, text.size() - 4) + "%>");
    EXPECT_EQ(f.code, 0);
    EXPECT_EQ(f.partial.size(), 32767u);
}

TEST_F(AssemblerTest, ArgumentEntryPoint) {
    Bytes8 bytes;
    EXPECT_EQ(Argument(kFormatNumber, "300", &bytes), 0);
    EXPECT_EQ(bytes, (Bytes8{0x01, 0x2C}));
    EXPECT_EQ(Argument(kFormatNumber, "1 2"), kelMissingCloseBracket);
    EXPECT_EQ(Argument(kFormatNumber, ""), kelBadNumberFormat);
    EXPECT_EQ(Argument(kFormatStream, "a <1> a <2>", &bytes), 0);
    EXPECT_EQ(bytes, (Bytes8{1, 1, 1, 1, 1, 1, 1, 2}));
    EXPECT_EQ(Argument(kFormatMulti, "", &bytes), 0) << "no components: nothing to read";
    EXPECT_EQ(bytes, Bytes8{});
    EXPECT_EQ(Argument(kFormatEnumeration, "bold"), kelUnrecognizedEnum);
    EXPECT_EQ(Argument(kFormatEnumeration, "1"), 0) << "number sniffing comes first";
    ZBuffer out("old", 3);
    EXPECT_EQ(AssembleArgument(*table, kFormatBoolean, "maybe", 0, out), kelBadBooleanFormat);
    EXPECT_EQ(Of(out), (Bytes8{'o', 'l', 'd'}));
    std::string many;
    for (size_t i = 0; i < 32768; ++i)
        many += "01x ";
    EXPECT_EQ(Argument(kFormatRaw, many), kelValueTooLarge);
}

TEST_F(AssemblerTest, StreamEntryPointLeavesOutputAloneOnError) {
    ZBuffer out("old", 3);
    uint32_t line = 0;
    EXPECT_EQ(AssembleStream(*table, "a <1>\nzork", 0, out, line), kelUnrecognizedAtom);
    EXPECT_EQ(line, 2u);
    EXPECT_EQ(Of(out), (Bytes8{'o', 'l', 'd'}));
    EXPECT_EQ(AssembleStream(*table, "a <1>", 0, out, line), 0);
    EXPECT_EQ(Of(out), (Bytes8{1, 1, 1, 1}));
}

TEST_F(AssemblerTest, EmptyTableKnowsOnlyTheUnknownForm) {
    ZAtomTable empty;
    ZBuffer out;
    uint32_t line = 0;
    EXPECT_EQ(AssembleStream(empty, "the_unknown <1, 2>", 0, out, line), 0);
    EXPECT_EQ(Of(out), (Bytes8{1, 2, 0}));
    EXPECT_EQ(AssembleStream(empty, "\na", 0, out, line), kelUnrecognizedAtom);
    EXPECT_EQ(line, 2u);
}

// A text that reaches every format, cut at every length and with every byte replaced by
// each character of the syntax, ends in 0 or an assembler code on a line of the text, in
// both modes.
TEST_F(AssemblerTest, DamagedTextsEndInACleanResult) {
    const std::string text =
        "; head\r\na <300>\nt <yes>\ns <a <1> ; in\n str <\"q\\x41\\n\">>\n"
        "gid <1-2-3>\nobj <view, \"t\">\norient <vlt>\ntok <\"ab\" 1-2>\n"
        "crit <open>\nalert <info, 41x>\nref <far>\nbytes <1 2>\nhidden <01x>\n"
        "ln <c, 5>\nls <d, \"x\">\nletters <a b>\nmulti <7, on, \"x\">\n"
        "style <bold | 4>\nbyte <1>\nword <2>\ndword <3>\n"
        "the_unknown <3, 17, 01x>\n";
    ASSERT_EQ(Assemble(text), 0);
    auto known = [](int32_t code) {
        return code == 0 || (code >= 6 && code <= 8) || (code >= 10 && code <= 24) || code == 26 ||
               code == 28;
    };
    auto check = [&](const std::string& damaged) {
        ZBuffer out;
        uint32_t line = 0;
        int32_t code = AssembleStream(*table, damaged.c_str(), 0, out, line);
        ASSERT_TRUE(known(code)) << code << " for " << damaged;
        ASSERT_LE(line, 40u);
        ZFragment f;
        code = AssembleFragment(*table, damaged.c_str(), 0, f);
        ASSERT_TRUE(known(code)) << code << " for " << damaged;
        ASSERT_LE(f.line, 40u);
        ASSERT_LE(f.consumed, damaged.size());
        ASSERT_LE(f.partialArgument.Length(), 32767u);
    };
    for (size_t length = 0; length < text.size(); ++length)
        check(text.substr(0, length));
    for (size_t i = 0; i < text.size(); ++i)
        for (char c : std::string("<>,|-;%\"\\x0 \n\x80")) {
            std::string damaged = text;
            damaged[i] = c;
            check(damaged);
        }
}

} // namespace
