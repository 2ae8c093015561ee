// The assembler: the stream loop, comments, the unknown-atom form, nesting, fragments, limits
// and the CText2HText call site.
#include "AtomText.h"
#include "KelFlags.h"

#include <cstring>

namespace {

using Assembler = AtomText;

// Each case: a text => its stream, or the error and its line. Atoms are named (in lower case)
// or written in the unknown-atom form; arguments go in brackets; line breaks are counted as
// the error line needs them.
TEST_F(Assembler, Streams) {
    const char* const cases[] = {
        " => ", "a <5> => 01 01 01 05", "a<5>b => 01 01 01 05 01 04 00", "a\n<5> => 01 01 01 05",
        "a <> => 01 01 00", "a => 01 01 00", "A\t\n  B <01x, 02x>   => 01 01 00 01 04 02 01 02",
        "far <1> => E8 08 05 01 01", "classone <2> => 09 01 01 02",
        "LoudName <1> => error 10 on line 1", // names are looked up in lower case
        "a<5>zork => error 10 on line 1", "a 5 => error 7 on line 1", "a <5 => error 8 on line 1",
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

// Each case: a text => the stream before the "%" placeholder, the argument it stands in and
// the text from it on, or the error.
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

// Streams nest 256 deep, not deeper; an argument holds 32767 bytes at most, also inside a
// nested stream, stand-alone and in a fragment; so does a comment.
TEST_F(Assembler, NestingArgumentsAndCommentsAreBounded) {
    auto nest = [](size_t depth) {
        std::string text;
        for (size_t i = 0; i < depth; ++i)
            text += "s <";
        return text + "a <1>" + std::string(depth, '>');
    };
    EXPECT_EQ(Asm(nest(256)).find("error"), std::string::npos);
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

// CText2HText for the tests: records "text/type " as it is handed them, rewrites a leading
// "u" in place, ends a text that starts with "z" after one byte, leaves gLeaveType and
// returns gResult.
std::string gHanded;
uint16_t gLeaveType = 0;
const char* gResult = nullptr;

const char* RecordingHook(KelTextDesc* desc) {
    gHanded += std::string(desc->text, desc->length) + "/" + std::to_string(desc->textType) + " ";
    if (desc->text[0] == 'u') desc->text[0] = 'U';
    if (desc->text[0] == 'z') desc->text[1] = '\0';
    desc->textType = gLeaveType;
    if (gResult) desc->length = uint32_t(std::strlen(gResult));
    return gResult;
}

using AssemblerHook = AtomText;

// Each row: the string argument, the flags, the type the hook leaves and its result => the
// bytes and what the hook was handed. It sees escapes resolved and each lone CR paired with
// an LF (not one that ends the text), and is not called for an empty string. Under flag 0x80
// it is handed the text type; atom 22 holds like 23 (the assembler restores no type after one
// atom). The type it leaves must be 0, 260 or the current one.
TEST_F(AssemblerHook, SeesResolvedEscapesAndTheTextTypeAndMayReplaceBoth) {
    TextHooks().cText2HText = RecordingHook; // the fixture removes it
    const uint32_t k80 = kelFlagTextTypeToHook, k100 = kelFlagTextType260;
    const std::string fourTypes = "str <\"x\">\ntext_type_once <260>\nstr <\"x\">\nstr <\"x\">\n"
                                  "text_type <4107>\nstr <\"x\">\ntext_type_plain\nstr <\"x\">";
    const std::tuple<std::string, uint32_t, uint16_t, const char*, const char*> cases[] = {
        {"\"a\\rb\\r\\nc\\r\"", 0, 0, nullptr, "61 0D 0A 62 0D 0A 63 0D => a\r\nb\r\nc\r/0 "},
        {"\"\"", 0, 0, nullptr, " => "},
        {"\"up\"", 0, 0, nullptr, "55 70 => up/0 "},
        {"\"zap\"", 0, 0, nullptr, "7A => zap/0 "},
        {"\"a\"", 0, 0, "xyz", "78 79 7A => a/0 "},
        {"\"a\"", k80 | k100, 0, nullptr, "61 => a/260 "},
        {"\"a\"", k80 | k100 | kelFlagTextType4107, 0, nullptr, "61 => a/4107 "},
        {"\"a\"", kelFlagTextType4107, 0, nullptr, "61 => a/0 "},
        {"\"a\"", 0, 260, nullptr, "61 => a/0 "},
        {"\"a\"", 0, 4107, nullptr, "error 28 => a/0 "},
        {"\"a\"", kelFlagTextType4107, 4107, nullptr, "61 => a/0 "}};
    for (const auto& [text, flags, leave, result, expected] : cases) {
        gHanded.clear();
        gLeaveType = leave;
        gResult = result;
        EXPECT_EQ(Arg(kFormatString, text, flags) + " => " + gHanded, expected) << text;
    }
    gHanded.clear();
    gLeaveType = 0;
    gResult = nullptr;
    Asm(fourTypes, k80);
    EXPECT_EQ(gHanded, "x/0 x/260 x/260 x/4107 x/0 ");
    gLeaveType = 7;
    EXPECT_EQ(Asm("text_type <7>\nstr <\"a\">"), "00 17 02 00 07 01 05 01 61");
    EXPECT_EQ(Asm("text_type <7>\ntext_type_plain\n\nstr <\"a\">"), "error 28 on line 4");
}

} // namespace
