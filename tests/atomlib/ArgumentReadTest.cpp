#include "AssemblerFixture.h"

#include "ArgumentRead.h"
#include "KelCodes.h"
#include "TextHooks.h"

#include <cstring>
#include <string>

namespace {

using ReadTest = AssemblerTest;

TEST_F(ReadTest, NumbersAreWrittenCompactly) {
    EXPECT_EQ(ArgumentBytes(fmtNumber, "0"), Bytes8{0x00});
    EXPECT_EQ(ArgumentBytes(fmtNumber, "300"), (Bytes8{0x01, 0x2C}));
    EXPECT_EQ(ArgumentBytes(fmtNumber, "70000"), (Bytes8{0x01, 0x11, 0x70}));
    EXPECT_EQ(ArgumentBytes(fmtNumber, "16777216"), (Bytes8{0x01, 0x00, 0x00, 0x00}));
    EXPECT_EQ(ArgumentBytes(fmtNumber, "0x10"), Bytes8{0x10});
    EXPECT_EQ(ArgumentBytes(fmtNumber, "10x"), Bytes8{0x10});
    EXPECT_EQ(ArgumentBytes(fmtNumber, "0X1F"), Bytes8{0x1F});
    EXPECT_EQ(ArgumentBytes(fmtNumber, "010"), Bytes8{0x08});
    // Beyond the signed 32-bit range a number reads as 2147483647.
    EXPECT_EQ(ArgumentBytes(fmtNumber, "4294967295"), (Bytes8{0x7F, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(ArgumentBytes(fmtNumber, "0xffffffffff"), (Bytes8{0x7F, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Argument(fmtNumber, "-1"), kelBadNumberFormat);
    EXPECT_EQ(Argument(fmtNumber, "1g"), kelBadNumberFormat);
    EXPECT_EQ(Argument(fmtNumber, "x"), kelBadNumberFormat);
    EXPECT_EQ(Argument(fmtNumber, "1gx"), kelBadNumberFormat);
    // The hex form is raw bytes, a list up to ">".
    EXPECT_EQ(ArgumentBytes(fmtNumber, "01x, 2"), (Bytes8{0x01, 0x02}));
    EXPECT_EQ(ArgumentBytes(fmtDword, " ffX 00x"), (Bytes8{0xFF, 0x00}));
}

TEST_F(ReadTest, RawBytes) {
    EXPECT_EQ(ArgumentBytes(fmtRaw, "01x, 2"), (Bytes8{0x01, 0x02}));
    EXPECT_EQ(ArgumentBytes(fmtRaw, "00x ffx"), (Bytes8{0x00, 0xFF}));
    EXPECT_EQ(ArgumentBytes(fmtRaw, "1fx,300"), (Bytes8{0x1F, 0x01, 0x2C}));
    EXPECT_EQ(Argument(fmtRaw, "1fx,,300"), kelBadHexFormat) << "one comma each";
    EXPECT_EQ(ArgumentBytes(fmtRaw, "zzx abxyz"), (Bytes8{0x00, 0xAB}));
    EXPECT_EQ(ArgumentBytes(fmtRaw, "12345x 0x1234"), (Bytes8{0x01, 0x23, 0x45, 0x12, 0x34}));
    EXPECT_EQ(ArgumentBytes(0, "7"), Bytes8{0x07});
    EXPECT_EQ(ArgumentBytes(fmtHidden, "7"), Bytes8{0x07});
    EXPECT_EQ(ArgumentBytes(99, "01x"), Bytes8{0x01});
    EXPECT_EQ(Argument(fmtRaw, "01x, ,"), kelBadHexFormat);
    EXPECT_EQ(Argument(fmtRaw, "1x0"), kelBadHexFormat);
    EXPECT_EQ(Argument(fmtRaw, "01x ,"), kelBadHexFormat) << "an empty element";
    EXPECT_EQ(Assemble("b <01x"), Err(1, kelBadHexFormat));
}

TEST_F(ReadTest, Strings) {
    EXPECT_EQ(ArgumentBytes(fmtString, "\"hi\""), (Bytes8{'h', 'i'}));
    EXPECT_EQ(ArgumentBytes(fmtString, "\"\""), Bytes8{});
    EXPECT_EQ(ArgumentBytes(fmtString, "\"a\\nb\""), (Bytes8{'a', '\n', 'b'}));
    EXPECT_EQ(ArgumentBytes(fmtString, "\"\\\"\\\\\\r\\t\""), (Bytes8{'"', '\\', '\r', '\t'}));
    EXPECT_EQ(ArgumentBytes(fmtString, "\"\\x41\\xfF\\xzz\\x4g\""), (Bytes8{0x41, 0xFF, 0, 0x40}));
    EXPECT_EQ(
        ArgumentBytes(fmtString, "\"Mixed %; <Case>\""),
        Bytes8(Bytes8{'M', 'i', 'x', 'e', 'd', ' ', '%', ';', ' ', '<', 'C', 'a', 's', 'e', '>'}));
    EXPECT_EQ(ArgumentBytes(fmtString, "61x, 01x"), (Bytes8{0x61, 0x01}));
    EXPECT_EQ(Argument(fmtString, "\"a\\qb\""), kelBadEscapeSequence);
    EXPECT_EQ(Argument(fmtString, "\"a\\Nb\""), kelBadEscapeSequence);
    EXPECT_EQ(Assemble("str <\"a\\x4"), Err(1, kelBadEscapeSequence));
    EXPECT_EQ(Assemble("str <\"a\\"), Err(1, kelBadEscapeSequence));
    EXPECT_EQ(Argument(fmtString, "hi"), kelMissingQuote);
    EXPECT_EQ(Argument(fmtString, "\"a\" \"b\""), kelMissingCloseBracket);
    // An unterminated string takes the rest of the text.
    EXPECT_EQ(Assemble("str <\"abc>"), Err(1, kelMissingCloseBracket));
    // Line breaks inside a string are counted.
    EXPECT_EQ(Assemble("str <\"a\r\nb\n\" zork"), Err(3, kelMissingCloseBracket));
    EXPECT_EQ(Assemble("str <\r\n\r\n\"a\" zork"), Err(3, kelMissingCloseBracket));
}

const char* gHookResult;
uint16_t gHookType;
std::string gHookSaw;

const char* RecordingHook(KelTextDesc* desc) {
    gHookSaw.assign(desc->text, desc->length);
    if (desc->length > 0 && desc->text[0] == 'u') desc->text[0] = 'U';
    if (desc->length > 1 && desc->text[0] == 'z') desc->text[1] = '\0';
    desc->textType = gHookType;
    if (gHookResult) desc->length = uint32_t(std::strlen(gHookResult));
    return gHookResult;
}

class HookTest : public ReadTest {
protected:
    void SetUp() override {
        gHookResult = nullptr;
        gHookType = 0;
        gHookSaw.clear();
        TextHooks().cText2HText = RecordingHook;
    }
    void TearDown() override { TextHooks().cText2HText = nullptr; }
};

TEST_F(HookTest, SeesResolvedEscapesWithPairedCarriageReturns) {
    EXPECT_EQ(ArgumentBytes(fmtString, "\"a\\rb\\r\\nc\\r\""),
              (Bytes8{'a', '\r', '\n', 'b', '\r', '\n', 'c', '\r'}));
    EXPECT_EQ(gHookSaw, "a\r\nb\r\nc\r");
    gHookSaw = "untouched";
    EXPECT_EQ(ArgumentBytes(fmtString, "\"\""), Bytes8{});
    EXPECT_EQ(gHookSaw, "untouched") << "not called for an empty string";
}

TEST_F(HookTest, MayRewriteInPlaceOrReplace) {
    EXPECT_EQ(ArgumentBytes(fmtString, "\"up\""), (Bytes8{'U', 'p'}));
    EXPECT_EQ(ArgumentBytes(fmtString, "\"zap\""), (Bytes8{'z'})) << "re-measured to the NUL";
    gHookResult = "xyz";
    EXPECT_EQ(ArgumentBytes(fmtString, "\"a\""), (Bytes8{'x', 'y', 'z'}));
}

TEST_F(HookTest, TextTypeItLeavesMustFit) {
    gHookType = 260;
    EXPECT_EQ(Argument(fmtString, "\"a\""), 0);
    gHookType = 4107;
    EXPECT_EQ(Argument(fmtString, "\"a\""), kelMismatchedTextType);
    EXPECT_EQ(Argument(fmtString, "\"a\"", nullptr, kFlagTextType4107), 0);
    gHookType = 7;
    EXPECT_EQ(Assemble("tt_set <7>\nstr <\"a\">"), 0);
    EXPECT_EQ(Assemble("tt_set <7>\ntt_plain\n\nstr <\"a\">"), Err(4, kelMismatchedTextType));
}

TEST_F(ReadTest, Booleans) {
    EXPECT_EQ(ArgumentBytes(fmtBoolean, "yes"), Bytes8{1});
    EXPECT_EQ(ArgumentBytes(fmtBoolean, "YES"), Bytes8{1});
    EXPECT_EQ(ArgumentBytes(fmtBoolean, "True"), Bytes8{1});
    EXPECT_EQ(ArgumentBytes(fmtBoolean, "no"), Bytes8{0});
    EXPECT_EQ(ArgumentBytes(fmtBoolean, "false"), Bytes8{0});
    EXPECT_EQ(ArgumentBytes(fmtBoolean, "1"), Bytes8{1}) << "number sniffing";
    EXPECT_EQ(Argument(fmtBoolean, "maybe"), kelBadBooleanFormat);
    EXPECT_EQ(Argument(fmtBoolean, "yess"), kelBadBooleanFormat);
}

TEST_F(ReadTest, GlobalIds) {
    EXPECT_EQ(ArgumentBytes(fmtGlobalId, "1-2-3"), (Bytes8{0x01, 0x02, 0x00, 0x03}));
    EXPECT_EQ(ArgumentBytes(fmtGlobalId, "5-300"), (Bytes8{0x05, 0x01, 0x2C}));
    EXPECT_EQ(ArgumentBytes(fmtGlobalId, "0-5"), Bytes8{0x05});
    EXPECT_EQ(ArgumentBytes(fmtGlobalId, "7"), Bytes8{0x07});
    EXPECT_EQ(ArgumentBytes(fmtGlobalId, "200-0-1"), (Bytes8{0xC8, 0x00, 0x00, 0x01}));
    EXPECT_EQ(ArgumentBytes(fmtGlobalId, "1 - 2"), (Bytes8{0x01, 0x00, 0x02}));
    EXPECT_EQ(Argument(fmtGlobalId, "1-2-3-4"), kelMissingCloseBracket);
    EXPECT_EQ(Argument(fmtGlobalId, "1-x"), kelBadGlobalIdFormat);
    EXPECT_EQ(Argument(fmtGlobalId, "1-2-"), kelBadGlobalIdFormat);
    EXPECT_EQ(Argument(fmtGlobalId, "id"), kelBadGlobalIdFormat);
    // Any atom takes a global id by sniffing: a "-" among the second to fourth characters.
    EXPECT_EQ(Stream("t <1-2>"), (Bytes8{0x01, 0x02, 0x03, 0x01, 0x00, 0x02}));
}

TEST_F(ReadTest, ObjectNames) {
    EXPECT_EQ(ArgumentBytes(fmtObjectName, "trigger"), Bytes8{0x06});
    EXPECT_EQ(ArgumentBytes(fmtObjectName, "dynamic_multilist, \"t\""), (Bytes8{0x02, 't'}));
    EXPECT_EQ(ArgumentBytes(fmtObjectName, "dms_list \"t\""), (Bytes8{0x02, 't'}));
    EXPECT_EQ(ArgumentBytes(fmtObjectName, "25"), Bytes8{0x19});
    EXPECT_EQ(ArgumentBytes(fmtObjectName, "300, \"\""), Bytes8{0x2C});
    EXPECT_EQ(ArgumentBytes(fmtObjectName, "view, 41x, 42x"), (Bytes8{0x08, 0x41, 0x42}));
    EXPECT_EQ(ArgumentBytes(fmtObjectName, "0"), Bytes8{0x00}) << "number sniffing";
    EXPECT_EQ(Argument(fmtObjectName, "0, \"title\""), kelBadObjectNameFormat);
    EXPECT_EQ(Argument(fmtObjectName, "thing, \"title\""), kelBadObjectNameFormat);
    EXPECT_EQ(Argument(fmtObjectName, "view, title"), kelMissingQuote);
}

TEST_F(ReadTest, Orientations) {
    EXPECT_EQ(ArgumentBytes(fmtOrientation, "hcc"), Bytes8{0x00});
    EXPECT_EQ(ArgumentBytes(fmtOrientation, "vlt"), Bytes8{0x49});
    EXPECT_EQ(ArgumentBytes(fmtOrientation, "hrb"), Bytes8{0x12});
    EXPECT_EQ(ArgumentBytes(fmtOrientation, "VEF"), Bytes8{0x63});
    EXPECT_EQ(ArgumentBytes(fmtOrientation, "htlxyz"), Bytes8{0x09});
    EXPECT_EQ(Argument(fmtOrientation, "hx"), kelBadOrientationFormat);
    EXPECT_EQ(Argument(fmtOrientation, "hc"), kelBadOrientationFormat);
    EXPECT_EQ(Argument(fmtOrientation, "xcc"), kelBadOrientationFormat);
    EXPECT_EQ(Argument(fmtOrientation, "hcx"), kelBadOrientationFormat);
}

TEST_F(ReadTest, Tokens) {
    EXPECT_EQ(ArgumentBytes(fmtToken, "\"Ab\""), (Bytes8{'A', 'b'}));
    EXPECT_EQ(ArgumentBytes(fmtToken, "\"Ab\", 1-2"), (Bytes8{'A', 'b', 0x01, 0x00, 0x02}));
    EXPECT_EQ(ArgumentBytes(fmtToken, "\"Ab\" 7"), (Bytes8{'A', 'b', 0x07}));
    EXPECT_EQ(ArgumentBytes(fmtToken, "\"\"\"\""), (Bytes8{'"', '"'}));
    EXPECT_EQ(ArgumentBytes(fmtToken, "41x 42x"), (Bytes8{0x41, 0x42}));
    EXPECT_EQ(Argument(fmtToken, "ab"), kelMissingQuote);
    EXPECT_EQ(Argument(fmtToken, "\"abc\", 1"), kelMissingQuote);
    EXPECT_EQ(ArgumentBytes(fmtToken, "\"abc\""), (Bytes8{'a', 'b', 'c'})) << "string sniffing";
    EXPECT_EQ(Argument(fmtToken, "\"ab\"7"), kelBadTokenFormat);
    EXPECT_EQ(Argument(fmtToken, "\"ab\", x"), kelBadGlobalIdFormat);
    ZBuffer out;
    EXPECT_EQ(Assemble("tok <\"a"), Err(1, kelBadTokenFormat));
}

TEST_F(ReadTest, Criteria) {
    EXPECT_EQ(ArgumentBytes(fmtCriterion, "cancel"), Bytes8{0x06});
    EXPECT_EQ(ArgumentBytes(fmtCriterion, "open"), Bytes8{0x03});
    EXPECT_EQ(ArgumentBytes(fmtCriterion, "selection"), Bytes8{0x01});
    EXPECT_EQ(ArgumentBytes(fmtCriterion, "0x12c"), (Bytes8{0x01, 0x2C}));
    EXPECT_EQ(ArgumentBytes(fmtCriterion, "0xFFFF"), (Bytes8{0xFF, 0xFF}));
    EXPECT_EQ(ArgumentBytes(fmtCriterion, "0x7"), Bytes8{0x07});
    EXPECT_EQ(Argument(fmtCriterion, "0x10000"), kelValueTooLarge);
    EXPECT_EQ(Argument(fmtCriterion, "0xffffffffff"), kelValueTooLarge);
    // Plain digits are sniffed as a number and written compactly.
    EXPECT_EQ(ArgumentBytes(fmtCriterion, "65536"), (Bytes8{0x01, 0x00, 0x00}));
    EXPECT_EQ(Argument(fmtCriterion, "shut"), kelBadNumberFormat);
}

TEST_F(ReadTest, Alerts) {
    EXPECT_EQ(ArgumentBytes(fmtAlert, "warning, \"Disk full\""),
              (Bytes8{0x05, 'D', 'i', 's', 'k', ' ', 'f', 'u', 'l', 'l'}));
    EXPECT_EQ(ArgumentBytes(fmtAlert, "?, \"a\""), (Bytes8{0x00, 'a'}));
    EXPECT_EQ(ArgumentBytes(fmtAlert, "yes_no_cancel"), Bytes8{0x08});
    EXPECT_EQ(Argument(fmtAlert, "alarm, \"a\""), kelBadAlertNameFormat);
    EXPECT_EQ(Argument(fmtAlert, "info, a"), kelMissingQuote);
}

TEST_F(ReadTest, AtomReferences) {
    EXPECT_EQ(ArgumentBytes(fmtAtomReference, "far"), (Bytes8{40, 5}));
    EXPECT_EQ(ArgumentBytes(fmtAtomReference, "Classone"), (Bytes8{9, 1}));
    EXPECT_EQ(ArgumentBytes(fmtAtomReference, "huge"), (Bytes8{1, 0})) << "low byte";
    EXPECT_EQ(Argument(fmtAtomReference, "zork"), kelUnrecognizedAtom);
}

TEST_F(ReadTest, ByteLists) {
    EXPECT_EQ(ArgumentBytes(fmtByteList, "1, 2 255 256 0x101"), (Bytes8{1, 2, 255, 0, 1}));
    EXPECT_EQ(Argument(fmtByteList, "1, two"), kelBadByteFormat);
    EXPECT_EQ(Argument(fmtByteList, "1,"), kelBadByteFormat);
    EXPECT_EQ(Stream("bytes <7 8>"), (Bytes8{0x01, 0x0D, 0x02, 7, 8}));
}

TEST_F(ReadTest, Letters) {
    EXPECT_EQ(ArgumentBytes(fmtLetters, "a, c, z"), (Bytes8{0x00, 0x02, 0x19}));
    EXPECT_EQ(ArgumentBytes(fmtLetters, "B Cde"), (Bytes8{0x01, 0x02}));
    EXPECT_EQ(Argument(fmtLetters, "a, 7"), kelBadLetterFormat);
    EXPECT_EQ(Argument(fmtLetters, "a_b"), kelBadLetterFormat);
    EXPECT_EQ(ArgumentBytes(fmtLetterNumber, "c, 12"), (Bytes8{0x02, 0x0C}));
    EXPECT_EQ(ArgumentBytes(fmtLetterNumber, "c"), Bytes8{0x02});
    EXPECT_EQ(ArgumentBytes(fmtLetterNumber, "c 300"), (Bytes8{0x02, 0x01, 0x2C}));
    EXPECT_EQ(ArgumentBytes(fmtLetterNumber, "c, 01x 02x"), (Bytes8{0x02, 0x01, 0x02}));
    EXPECT_EQ(Argument(fmtLetterNumber, "c, x"), kelBadNumberFormat);
    EXPECT_EQ(Argument(fmtLetterNumber, "c1, 2"), kelBadLetterFormat);
    EXPECT_EQ(ArgumentBytes(fmtLetterString, "d, \"Head\""), (Bytes8{0x03, 'H', 'e', 'a', 'd'}));
    EXPECT_EQ(ArgumentBytes(fmtLetterString, "d"), Bytes8{0x03});
    EXPECT_EQ(Argument(fmtLetterString, "1, \"x\""), kelBadLetterFormat);
    EXPECT_EQ(Argument(fmtLetterString, "d, x"), kelMissingQuote);
}

TEST_F(ReadTest, SizedNumbers) {
    EXPECT_EQ(ArgumentBytes(fmtByte, "255"), Bytes8{0xFF});
    EXPECT_EQ(ArgumentBytes(fmtByte, "0"), Bytes8{0x00});
    EXPECT_EQ(ArgumentBytes(fmtByte, "01x"), Bytes8{0x01}) << "a number, not the hex form";
    EXPECT_EQ(Argument(fmtByte, "256"), kelValueTooLarge);
    EXPECT_EQ(Argument(fmtByte, "\"a\""), kelBadNumberFormat) << "never sniffed";
    EXPECT_EQ(ArgumentBytes(fmtWord, "1"), (Bytes8{0x00, 0x01}));
    EXPECT_EQ(ArgumentBytes(fmtWord, "65535"), (Bytes8{0xFF, 0xFF}));
    EXPECT_EQ(Argument(fmtWord, "65536"), kelValueTooLarge);
    EXPECT_EQ(Argument(fmtWord, "4294967296"), kelValueTooLarge);
    EXPECT_EQ(ArgumentBytes(fmtDword, "1"), (Bytes8{0, 0, 0, 1}));
    EXPECT_EQ(ArgumentBytes(fmtDword, "4294967295"), (Bytes8{0x7F, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Argument(fmtDword, "1-2"), kelMissingCloseBracket) << "never sniffed";
    EXPECT_EQ(Argument(fmtDword, "y"), kelBadNumberFormat);
}

TEST_F(ReadTest, MultiComponents) {
    EXPECT_EQ(Stream("multi <7, on, \"x\">"), (Bytes8{0x01, 0x12, 0x04, 7, 0x01, 0x2C, 'x'}));
    EXPECT_EQ(Stream("multi <7 off \"x\">"), (Bytes8{0x01, 0x12, 0x04, 7, 0x00, 0x00, 'x'}));
    EXPECT_EQ(Stream("multi <7, on>"), (Bytes8{0x01, 0x12, 0x03, 7, 0x01, 0x2C}));
    EXPECT_EQ(Stream("multi <7>"), (Bytes8{0x01, 0x12, 0x01, 7}));
    // Components after the first are sniffed: a number where an enumeration stands.
    EXPECT_EQ(Stream("multi <7, 5>"), (Bytes8{0x01, 0x12, 0x02, 7, 5}));
    EXPECT_EQ(Assemble("multi <300>"), Err(1, kelValueTooLarge));
    EXPECT_EQ(Assemble("multi <7, lit>"), Err(1, kelUnrecognizedEnum));
    EXPECT_EQ(Assemble("multi <7, on, \"x\", 1>"), Err(1, kelMissingCloseBracket));
}

TEST_F(ReadTest, MultiInsideMultiIsBounded) {
    TableBuilder b;
    b.Class(2).Protocol(1);
    ZAtom& self = b.Atom(1, "self", fmtMulti);
    self.multis.push_back(std::make_shared<ZMulti>());
    self.multis.back()->format = fmtMulti;
    ZBuffer out;
    uint32_t line = 0;
    EXPECT_EQ(AssembleStream(*b.table, "self <1>", 0, out, line), kelBadFormat);
}

TEST_F(ReadTest, Enumerations) {
    EXPECT_EQ(Stream("style <bold | italic>"), (Bytes8{0x01, 0x13, 0x01, 0x03}));
    EXPECT_EQ(Stream("style <BOLD|4>"), (Bytes8{0x01, 0x13, 0x01, 0x05}));
    EXPECT_EQ(Stream("style <italic>"), (Bytes8{0x01, 0x13, 0x01, 0x02}));
    EXPECT_EQ(Assemble("style <bold | underline>"), Err(1, kelUnrecognizedEnum));
    EXPECT_EQ(Assemble("style <bold |>"), Err(1, kelUnrecognizedEnum));
    EXPECT_EQ(Assemble("style <bold | | italic>"), Err(1, kelUnrecognizedEnum));
    EXPECT_EQ(Assemble("style <bold | 256>"), Err(1, kelValueTooLarge));
}

// One atom "e" of format 19 with the given enumeration.
int32_t ReadEnum(std::shared_ptr<ZEnum> e, const std::string& text, Bytes8& bytes) {
    TableBuilder b;
    b.Class(2).Protocol(1);
    b.Atom(1, "e", fmtEnumeration).enums.push_back(std::move(e));
    ZBuffer out;
    uint32_t line = 0;
    int32_t code = AssembleStream(*b.table, ("e <" + text + ">").c_str(), 0, out, line);
    bytes = out.Length() >= 3 ? Bytes8(out.Data() + 3, out.Data() + out.Length()) : Bytes8{};
    return code;
}

TEST_F(ReadTest, EnumerationKindsAndSizes) {
    Bytes8 bytes;
    auto values = MakeEnum(2, kEnumValues, {{7, "seven"}, {0x1234, "big"}});
    EXPECT_EQ(ReadEnum(values, "big | seven", bytes), 0);
    EXPECT_EQ(bytes, (Bytes8{0x12, 0x34})) << "values take the first part";
    EXPECT_EQ(ReadEnum(values, "seven | nine", bytes), kelUnrecognizedEnum);
    EXPECT_EQ(ReadEnum(values, "65536 | 1", bytes), kelValueTooLarge);
    auto masked = MakeEnum(4, kEnumMasked, {{0x30001, "left"}, {0xC0008, "bottom"}});
    EXPECT_EQ(ReadEnum(masked, "left | bottom | 0x10010", bytes), 0);
    EXPECT_EQ(bytes, (Bytes8{0, 0, 0x00, 0x19})) << "low 16 bits only";
    EXPECT_EQ(ReadEnum(MakeEnum(4, kEnumFlags, {{0x80000000, "top"}}), "top", bytes), 0);
    EXPECT_EQ(bytes, (Bytes8{0x80, 0, 0, 0}));
    EXPECT_EQ(ReadEnum(MakeEnum(3, kEnumFlags, {{1, "x"}}), "x", bytes), 0);
    EXPECT_EQ(bytes, Bytes8{}) << "other sizes write nothing";
    EXPECT_EQ(ReadEnum(MakeEnum(1, 0, {{1, "x"}}), "x", bytes), kelUnrecognizedEnum);
    EXPECT_EQ(ReadEnum(MakeEnum(1, 4, {{1, "x"}}), "x", bytes), kelUnrecognizedEnum);
    EXPECT_EQ(ReadEnum(MakeEnum(1, kEnumFlags, {{1, "Caps"}}), "Caps", bytes), kelUnrecognizedEnum)
        << "names are looked up in lower case";
}

TEST_F(ReadTest, SniffingPicksTheFormatFromTheText) {
    auto sniff = [](const char* text, uint16_t format) {
        ZTokenReader tokens(text, std::strlen(text), false);
        return SniffFormat(tokens, format);
    };
    EXPECT_EQ(sniff(" \"hi\" >", fmtNumber), fmtString);
    EXPECT_EQ(sniff("\"a\\\">\" >", fmtNumber), fmtString) << "an escaped quote does not close";
    EXPECT_EQ(sniff("\"hi\", 1>", fmtToken), fmtToken);
    EXPECT_EQ(sniff("\"1-2\" 3>", fmtNumber), fmtNumber) << "no further rule after a quote";
    EXPECT_EQ(sniff("\"a>", fmtNumber), fmtNumber);
    EXPECT_EQ(sniff("\"a", fmtNumber), fmtNumber);
    EXPECT_EQ(sniff("  1Fx>", fmtString), fmtRaw);
    EXPECT_EQ(sniff("1-2>", fmtString), fmtGlobalId);
    EXPECT_EQ(sniff("12-2>", fmtString), fmtGlobalId);
    EXPECT_EQ(sniff("123-2>", fmtString), fmtGlobalId);
    EXPECT_EQ(sniff("1234-2>", fmtString), fmtString);
    EXPECT_EQ(sniff("12 \t>", fmtString), fmtNumber);
    EXPECT_EQ(sniff("12a>", fmtString), fmtString);
    for (uint16_t never : {fmtMulti, fmtByte, fmtWord, fmtDword})
        EXPECT_EQ(sniff("\"hi\">", never), never);
    EXPECT_EQ(Stream("a <\"hi\">"), (Bytes8{0x01, 0x01, 0x02, 'h', 'i'}));
    EXPECT_EQ(Stream("s <01x>"), (Bytes8{0x01, 0x03, 0x01, 0x01}));
    EXPECT_EQ(Stream("str <5>"), (Bytes8{0x01, 0x05, 0x01, 0x05}));
}

} // namespace
