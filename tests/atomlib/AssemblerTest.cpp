// The assembler: the stream loop, comments, the unknown-atom form, nesting, fragments, limits,
// format sniffing, the read routine of every argument format and the CText2HText call site.
// Results are the bytes in hexadecimal or "error N" (with " on line L" for streams).
#include "Assembler.h"
#include "ArgumentRead.h"
#include "KelFlags.h"
#include "TestTables.h"
#include "TextHooks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

class Assembler : public ::testing::Test {
protected:
    std::shared_ptr<ZAtomTable> table = TestTable();

    std::string Asm(const std::string& text, uint32_t flags = 0) {
        ZBuffer out;
        uint32_t line = 0;
        int32_t code = AssembleStream(*table, text.c_str(), flags, out, line);
        return code ? Fail(code, int32_t(line)) : Hex(out);
    }
    std::string Arg(uint16_t format, const std::string& text, uint32_t flags = 0) {
        ZBuffer out;
        int32_t code = AssembleArgument(*table, format, text.c_str(), flags, out);
        return code ? Fail(code) : Hex(out);
    }
    // "stream [partial argument] remaining text", or the error.
    std::string Fragment(const std::string& text) {
        ZFragment f;
        int32_t code = AssembleFragment(*table, text.c_str(), 0, f);
        if (code) return Fail(code, int32_t(f.line));
        return Hex(f.stream) + " [" + Hex(f.partialArgument) + "] " + text.substr(f.consumed);
    }
};

TEST_F(Assembler, Streams) {
    const char* const cases[] = {
        " => ", "a <5> => 01 01 01 05", "a<5>b => 01 01 01 05 01 04 00", "a\n<5> => 01 01 01 05",
        "a <> => 01 01 00", "a => 01 01 00", "A\t\n  B <01x, 02x>   => 01 01 00 01 04 02 01 02",
        "far <1> => E8 08 05 01 01", "classone <2> => 09 01 01 02",
        "LoudName <1> => error 10 on line 1", // names are looked up in lower case
        "a<5>zork => error 10 on line 1", "a 5 => error 7 on line 1", "a <5 => error 8 on line 1",
        "t <yes> => 01 02 01 01", "t <1> => 01 02 01 01", "t <maybe> => error 12 on line 1",
        "a <\"hi\"> => 01 01 02 68 69", "tok <\"a => error 18 on line 1",
        "str <\"a\\x4 => error 26 on line 1", "huge => error 24 on line 1",
        "beyond <1> => error 24 on line 1",
        // Line counting: CR LF and LF CR are one break; the very last character never counts.
        "\n\n\nzork => error 10 on line 4", "a\r\n\r\nzork => error 10 on line 3",
        "a\n\r\n\rzork => error 10 on line 3", "a <\n5\n => error 8 on line 2",
        "str <\"a\r\nb\n\" zork => error 8 on line 3",
        "str <\r\n\r\n\"a\" zork => error 8 on line 3",
        // Comments: one line break after each is consumed and counted; a second LF is a line
        // of its own.
        "; note => E8 13 24 05 20 6E 6F 74 65", ";x\r\n\r\nzork => error 10 on line 3",
        ";x\n\nzork => error 10 on line 3",
        // The unknown-atom form.
        "zork => error 10 on line 1", "the_unknown <3, 17, 01x> => 03 11 01 01",
        "the_unknown <3 17> => 03 11 00", "The_Unknown <51, 36, 61x, 62x> => E8 13 24 02 61 62",
        "the_unknown <x, 0x10 300> => 00 10 02 01 2C", "the_unknown 3 => error 7 on line 1",
        "the_unknown <3, 17, zz> => error 22 on line 1",
        "the_unknown <128, 1> => error 24 on line 1", "the_unknown <1, 256> => error 24 on line 1",
        // Nested streams; one opening with a comment is not sniffed.
        "s <a <1> a <2>> => 01 03 08 01 01 01 01 01 01 01 02",
        "s <\n  a <1>\n  ; c\n> => 01 03 0A 01 01 01 01 E8 13 24 02 20 63",
        "s <\n;-1\n> => 01 03 06 E8 13 24 02 2D 31", "s <a <1> => error 8 on line 1",
        // Multi arguments: later components may be left out and are sniffed.
        "multi <7, on, \"x\"> => 01 12 04 07 01 2C 78",
        "multi <7 off \"x\"> => 01 12 04 07 00 00 78", "multi <7, on> => 01 12 03 07 01 2C",
        "multi <7, 5> => 01 12 02 07 05", "multi <7, on, \"x\", 1> => error 8 on line 1",
        "self <1> => error 11 on line 1", // a multi that is its own first component
        // Enumerations of every kind and size.
        "style <bold | italic> => 01 13 01 03", "style <BOLD|4> => 01 13 01 05",
        "style <bold | underline> => error 23 on line 1",
        "style <bold | 256> => error 24 on line 1", "border <thick | thin> => 02 10 01 02",
        "wide <65536 | 1> => error 24 on line 1",
        "anchor <left | bottom | 0x10010> => 02 0F 02 00 18", "wide4 <top> => 02 1A 04 80 00 00 00",
        "wide4 <Caps> => error 23 on line 1", "odd <x> => 02 1B 00",
        "silent <one> => error 23 on line 1",
        // Without fragment mode "%" is an ordinary token.
        "a <1> %x => error 10 on line 1"};
    for (const char* c : cases)
        EXPECT_EQ(Asm(Case(c).first), Case(c).second) << c;
}

TEST_F(Assembler, ArgumentsOfEveryFormat) {
    const std::vector<std::pair<uint16_t, std::vector<const char*>>> formats = {
        {kFormatNumber,
         {"300 => 01 2C", "70000 => 01 11 70", "16777216 => 01 00 00 00", "0x10 => 10", "10x => 10",
          "010 => 08", "4294967295 => 7F FF FF FF", "-1 => error 16", "x => error 16",
          "1gx => error 16", "01x, 2 => 01 02", "1 2 => error 8", " => error 16"}},
        {kFormatRaw,
         {"00x ffx => 00 FF", "1fx,300 => 1F 01 2C", "1fx,,300 => error 22", "01x , => error 22",
          "zzx abxyz => 00 AB", "12345x 0x1234 => 01 23 45 12 34"}},
        {0, {"7 => 07"}},
        {kFormatHidden, {"7 => 07"}},
        {99, {"01x => 01"}},
        {kFormatString,
         {"\"\" => ", "\"a\\nb\" => 61 0A 62", "\"\\\"\\\\\\r\\t\" => 22 5C 0D 09",
          "\"\\x41\\xfF\\xzz\\x4g\" => 41 FF 00 40", "\"A %; <b>\" => 41 20 25 3B 20 3C 62 3E",
          "61x, 01x => 61 01", "\"a\\qb\" => error 26", "hi => error 6", "\"a\" \"b\" => error 8",
          "\"abc => error 8"}},
        {kFormatBoolean,
         {"YES => 01", "True => 01", "no => 00", "false => 00", "yess => error 12"}},
        {kFormatGlobalId,
         {"1-2-3 => 01 02 00 03", "5-300 => 05 01 2C", "0-5 => 05", "200-0-1 => C8 00 00 01",
          "1 - 2 => 01 00 02", "1-2-3-4 => error 8", "1-x => error 20", "id => error 20"}},
        {kFormatObjectName,
         {"trigger => 06", "dynamic_multilist, \"t\" => 02 74", "25 => 19", "300, \"\" => 2C",
          "view, 41x, 42x => 08 41 42", "0 => 00", "0, \"title\" => error 14",
          "thing, \"t\" => error 14", "view, t => error 6"}},
        {kFormatOrientation,
         {"hcc => 00", "vlt => 49", "hrb => 12", "VEF => 63", "htlxyz => 09", "hx => error 13",
          "hc => error 13", "xcc => error 13"}},
        {kFormatToken,
         {"\"Ab\", 1-2 => 41 62 01 00 02", "\"Ab\" 7 => 41 62 07", "\"\"\"\" => 22 22",
          "41x 42x => 41 42", "\"abc\" => 61 62 63", "ab => error 6", "\"abc\", 1 => error 6",
          "\"ab\"7 => error 18"}},
        {kFormatCriterion,
         {"cancel => 06", "open => 03", "selection => 01", "300 => 01 2C", "0x12c => 01 2C",
          "0x7 => 07", "0xFFFF => FF FF", "0x10000 => error 24", "shut => error 16"}},
        {kFormatAlert,
         {"warning, \"ok\" => 05 6F 6B", "?, \"a\" => 00 61", "yes_no_cancel => 08",
          "alarm, \"a\" => error 15", "info, a => error 6"}},
        {kFormatAtomReference,
         {"far => 28 05", "Classone => 09 01", "huge => 01 00", "zork => error 10"}},
        {kFormatByteList,
         {"1, 2 255 256 0x101 => 01 02 FF 00 01", "1, two => error 21", "1, => error 21"}},
        {kFormatLetters, {"a, c, z => 00 02 19", "B Cde => 01 02", "a, 7 => error 17"}},
        {kFormatLetterNumber,
         {"c, 12 => 02 0C", "c => 02", "c 300 => 02 01 2C", "c, 01x 02x => 02 01 02",
          "c, x => error 16", "c1, 2 => error 17"}},
        {kFormatLetterString,
         {"d, \"H\" => 03 48", "d => 03", "1, \"x\" => error 17", "d, x => error 6"}},
        {kFormatByte, {"255 => FF", "01x => 01", "256 => error 24", "\"a\" => error 16"}},
        {kFormatWord,
         {"1 => 00 01", "65535 => FF FF", "65536 => error 24", "4294967296 => error 24"}},
        {kFormatDword,
         {"1 => 00 00 00 01", "4294967295 => 7F FF FF FF", " ffX 00x => FF 00", "1-2 => error 8"}},
        // Stand-alone: a stream, a multi without components, an enumeration without items.
        {kFormatStream, {"a <1> a <2> => 01 01 01 01 01 01 01 02"}},
        {kFormatMulti, {" => "}},
        {kFormatEnumeration, {"bold => error 23", "1 => 01"}},
    };
    for (const auto& [format, cases] : formats)
        for (const char* c : cases)
            EXPECT_EQ(Arg(format, Case(c).first), Case(c).second) << format << ": " << c;
    ZBuffer out("old", 3);
    EXPECT_NE(AssembleArgument(*table, kFormatBoolean, "maybe", 0, out), 0);
    EXPECT_EQ(TextOf(out), "old");
}

// Each case: the text after the "<" => the format it is read in.
TEST_F(Assembler, SniffingPicksTheFormatFromTheText) {
    const std::vector<std::pair<uint16_t, std::vector<const char*>>> declared = {
        {kFormatNumber,
         {" \"hi\" > => 3", "\"a\\\">\" > => 3", "\"1-2\" 3> => 2", "\"a> => 2", ";8-0> => 5"}},
        {kFormatString, {"  1Fx> => 1", "123-2> => 5", "1234-2> => 3", "12 \t> => 2", "12a> => 3"}},
        {kFormatToken, {"\"hi\", 1> => 9"}},
        // Never sniffed: multi, byte, word and dword, and a stream that opens with a comment.
        {kFormatMulti, {"\"hi\"> => 18"}},
        {kFormatByte, {"\"hi\"> => 20"}},
        {kFormatWord, {"1-2> => 21"}},
        {kFormatDword, {"12> => 22"}},
        {kFormatStream, {"\n ;8-0 c\n> => 6"}}};
    for (const auto& [format, cases] : declared)
        for (const char* c : cases) {
            std::string text = Case(c).first;
            ZTokenReader tokens(text.c_str(), text.size(), false);
            EXPECT_EQ(std::to_string(SniffFormat(tokens, format)), Case(c).second) << c;
        }
}

TEST_F(Assembler, FragmentsStopAtThePlaceholder) {
    const char* const cases[] = {
        "a <1> %x => 01 01 01 01 [] %x", "a <%> => 01 01 [] %>",
        "b <01x, 02x %> a => 01 04 [01 02] %> a", "a <1>\n a <2> => 01 01 01 01 01 01 01 02 [] ",
        "str <\"50%\"> zork => error 10 on line 1", "; 100%\n\nzork => error 10 on line 3",
        "a <1>\nzork % => error 10 on line 2",
        // Inside nested streams the partial argument is the outermost argument so far.
        "a <1> s <a <2> s <a <%>>> => 01 01 01 01 01 03 [01 01 01 02 01 03] %>>>",
        "s <a <2> % a <3>> => 01 03 [01 01 01 02] % a <3>>",
        "the_unknown <3, 4, 01x %> => 03 04 [01] %>"};
    for (const char* c : cases)
        EXPECT_EQ(Fragment(Case(c).first), Case(c).second) << c;
}

TEST_F(Assembler, NestingArgumentsAndCommentsAreBounded) {
    auto nest = [](size_t depth) {
        std::string text;
        for (size_t i = 0; i < depth; ++i)
            text += "s <";
        return text + "a <1>" + std::string(depth, '>');
    };
    size_t size = 4;
    for (int level = 0; level < 256; ++level)
        size += size < 128 ? 3 : 4;
    EXPECT_EQ(Asm(nest(256)).size(), 3 * size - 1);
    EXPECT_EQ(Asm(nest(257)), "error 11 on line 1");
    EXPECT_EQ(Asm(nest(100000)), "error 11 on line 1");
    std::string many;
    for (size_t i = 0; i < 32767; ++i)
        many += "7fx ";
    const std::string full = Hex(Bytes8(32767, 0x7F));
    EXPECT_EQ(Asm("b <" + many + ">"), std::string("01 04 FF FF ").append(full));
    EXPECT_EQ(Asm("b <01x " + many + ">"), "error 24 on line 1");
    EXPECT_EQ(Asm("s <b <01x " + many + ">>"), "error 24 on line 1");
    EXPECT_EQ(Arg(kFormatRaw, "01x " + many), "error 24");
    EXPECT_EQ(Asm(std::string(";").append(32768, 'c')), "error 24 on line 1");
    EXPECT_EQ(Fragment("b <01x " + many + "%>"), "error 24 on line 1");
    EXPECT_EQ(Fragment("b <" + many + "%>"), std::string("01 04 [").append(full).append("] %>"));
}

// CText2HText for the tests: records the text and type it is handed, rewrites a leading "u"
// in place, ends a text that starts with "z" after one byte, leaves gLeaveType and returns
// gResult.
std::vector<std::pair<std::string, uint16_t>> gHanded;
uint16_t gLeaveType = 0;
const char* gResult = nullptr;

const char* RecordingHook(KelTextDesc* desc) {
    gHanded.emplace_back(std::string(desc->text, desc->length), desc->textType);
    if (desc->text[0] == 'u') desc->text[0] = 'U';
    if (desc->text[0] == 'z') desc->text[1] = '\0';
    desc->textType = gLeaveType;
    if (gResult) desc->length = uint32_t(std::strlen(gResult));
    return gResult;
}

class AssemblerHook : public Assembler {
protected:
    void SetUp() override {
        gHanded.clear();
        gLeaveType = 0;
        gResult = nullptr;
        TextHooks().cText2HText = RecordingHook;
    }
    void TearDown() override { TextHooks().cText2HText = nullptr; }
};

TEST_F(AssemblerHook, SeesResolvedEscapesAndTheTextTypeAndMayReplaceBoth) {
    EXPECT_EQ(Arg(kFormatString, "\"a\\rb\\r\\nc\\r\""), "61 0D 0A 62 0D 0A 63 0D");
    EXPECT_EQ(Arg(kFormatString, "\"\""), "");
    ASSERT_EQ(gHanded.size(), 1u) << "not called for an empty string";
    EXPECT_EQ(gHanded[0].first, "a\r\nb\r\nc\r");
    EXPECT_EQ(Arg(kFormatString, "\"up\""), "55 70");
    EXPECT_EQ(Arg(kFormatString, "\"zap\""), "7A") << "re-measured to the NUL";
    gResult = "xyz";
    EXPECT_EQ(Arg(kFormatString, "\"a\""), "78 79 7A");
    gResult = nullptr;
    gHanded.clear();
    Asm("str <\"x\">\ntext_type_once <260>\nstr <\"x\">\nstr <\"x\">\ntext_type <4107>\n"
        "str <\"x\">\ntext_type_plain\nstr <\"x\">",
        kelFlagTextTypeToHook);
    Asm("str <\"x\">", kelFlagTextTypeToHook | kelFlagTextType260);
    Asm("str <\"x\">", kelFlagTextTypeToHook | kelFlagTextType260 | kelFlagTextType4107);
    Asm("str <\"x\">", kelFlagTextType4107);
    // Under flag 0x80 it is handed the text type; atom 22 holds like 23 (the assembler does
    // not restore the type after one atom).
    std::vector<uint16_t> types;
    for (const auto& handed : gHanded)
        types.push_back(handed.second);
    EXPECT_EQ(types, (std::vector<uint16_t>{0, 260, 260, 4107, 0, 260, 4107, 0}));
    // The type it leaves must be 0, 260 or the current one.
    gLeaveType = 260;
    EXPECT_EQ(Arg(kFormatString, "\"a\""), "61");
    gLeaveType = 4107;
    EXPECT_EQ(Arg(kFormatString, "\"a\""), "error 28");
    EXPECT_EQ(Arg(kFormatString, "\"a\"", kelFlagTextType4107), "61");
    gLeaveType = 7;
    EXPECT_EQ(Asm("text_type <7>\nstr <\"a\">"), "00 17 02 00 07 01 05 01 61");
    EXPECT_EQ(Asm("text_type <7>\ntext_type_plain\n\nstr <\"a\">"), "error 28 on line 4");
}

// A text that reaches every format, cut at every length and with every byte replaced by each
// character of the syntax, ends in 0 or an assembler code on a line of the text, both modes.
TEST_F(Assembler, DamagedTextsEndInACleanResult) {
    const std::string text =
        "; head\r\na <300>\nt <yes>\ns <a <1> ; in\n str <\"q\\x41\\n\">>\n"
        "gid <1-2-3>\nobj <view, \"t\">\norient <vlt>\ntok <\"ab\" 1-2>\n"
        "crit <open>\nalert <info, 41x>\nref <far>\nbytes <1 2>\nhidden <01x>\n"
        "ln <c, 5>\nls <d, \"x\">\nletters <a b>\nmulti <7, on, \"x\">\n"
        "style <bold | 4>\nbyte <1>\nword <2>\ndword <3>\nthe_unknown <3, 17, 01x>\n";
    ASSERT_EQ(Asm(text).find("error"), std::string::npos);
    auto known = [](int32_t code) {
        return code == 0 || (code >= 6 && code <= 8) || (code >= 10 && code <= 24) || code == 26 ||
               code == 28;
    };
    auto check = [&](const std::string& damaged) {
        ZBuffer out;
        uint32_t line = 0;
        int32_t code = AssembleStream(*table, damaged.c_str(), 0, out, line);
        ASSERT_TRUE(known(code) && line <= 40) << code << " for " << damaged;
        ZFragment f;
        code = AssembleFragment(*table, damaged.c_str(), 0, f);
        ASSERT_TRUE(known(code) && f.line <= 40 && f.consumed <= damaged.size()) << damaged;
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
