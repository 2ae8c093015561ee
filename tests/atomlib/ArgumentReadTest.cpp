#include "AssemblerFixture.h"

#include "ArgumentRead.h"
#include "KelCodes.h"
#include "TextHooks.h"

#include <cstring>
#include <string>

namespace {

using ReadTest = AssemblerTest;

TEST_F(ReadTest, NumbersAreWrittenCompactly) {
    EXPECT_EQ(ArgumentBytes(kFormatNumber, "0"), Bytes8{0x00});
    EXPECT_EQ(ArgumentBytes(kFormatNumber, "300"), (Bytes8{0x01, 0x2C}));
    EXPECT_EQ(ArgumentBytes(kFormatNumber, "70000"), (Bytes8{0x01, 0x11, 0x70}));
    EXPECT_EQ(ArgumentBytes(kFormatNumber, "16777216"), (Bytes8{0x01, 0x00, 0x00, 0x00}));
    EXPECT_EQ(ArgumentBytes(kFormatNumber, "0x10"), Bytes8{0x10});
    EXPECT_EQ(ArgumentBytes(kFormatNumber, "10x"), Bytes8{0x10});
    EXPECT_EQ(ArgumentBytes(kFormatNumber, "0X1F"), Bytes8{0x1F});
    EXPECT_EQ(ArgumentBytes(kFormatNumber, "010"), Bytes8{0x08});
    // Beyond the signed 32-bit range a number reads as 2147483647.
    EXPECT_EQ(ArgumentBytes(kFormatNumber, "4294967295"), (Bytes8{0x7F, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(ArgumentBytes(kFormatNumber, "0xffffffffff"), (Bytes8{0x7F, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Argument(kFormatNumber, "-1"), kelBadNumberFormat);
    EXPECT_EQ(Argument(kFormatNumber, "1g"), kelBadNumberFormat);
    EXPECT_EQ(Argument(kFormatNumber, "x"), kelBadNumberFormat);
    EXPECT_EQ(Argument(kFormatNumber, "1gx"), kelBadNumberFormat);
    // The hex form is raw bytes, a list up to ">".
    EXPECT_EQ(ArgumentBytes(kFormatNumber, "01x, 2"), (Bytes8{0x01, 0x02}));
    EXPECT_EQ(ArgumentBytes(kFormatDword, " ffX 00x"), (Bytes8{0xFF, 0x00}));
}

TEST_F(ReadTest, RawBytes) {
    EXPECT_EQ(ArgumentBytes(kFormatRaw, "01x, 2"), (Bytes8{0x01, 0x02}));
    EXPECT_EQ(ArgumentBytes(kFormatRaw, "00x ffx"), (Bytes8{0x00, 0xFF}));
    EXPECT_EQ(ArgumentBytes(kFormatRaw, "1fx,300"), (Bytes8{0x1F, 0x01, 0x2C}));
    EXPECT_EQ(Argument(kFormatRaw, "1fx,,300"), kelBadHexFormat) << "one comma each";
    EXPECT_EQ(ArgumentBytes(kFormatRaw, "zzx abxyz"), (Bytes8{0x00, 0xAB}));
    EXPECT_EQ(ArgumentBytes(kFormatRaw, "12345x 0x1234"), (Bytes8{0x01, 0x23, 0x45, 0x12, 0x34}));
    EXPECT_EQ(ArgumentBytes(0, "7"), Bytes8{0x07});
    EXPECT_EQ(ArgumentBytes(kFormatHidden, "7"), Bytes8{0x07});
    EXPECT_EQ(ArgumentBytes(99, "01x"), Bytes8{0x01});
    EXPECT_EQ(Argument(kFormatRaw, "01x, ,"), kelBadHexFormat);
    EXPECT_EQ(Argument(kFormatRaw, "1x0"), kelBadHexFormat);
    EXPECT_EQ(Argument(kFormatRaw, "01x ,"), kelBadHexFormat) << "an empty element";
    EXPECT_EQ(Assemble("b <01x"), Err(1, kelBadHexFormat));
}

TEST_F(ReadTest, Strings) {
    EXPECT_EQ(ArgumentBytes(kFormatString, "\"hi\""), (Bytes8{'h', 'i'}));
    EXPECT_EQ(ArgumentBytes(kFormatString, "\"\""), Bytes8{});
    EXPECT_EQ(ArgumentBytes(kFormatString, "\"a\\nb\""), (Bytes8{'a', '\n', 'b'}));
    EXPECT_EQ(ArgumentBytes(kFormatString, "\"\\\"\\\\\\r\\t\""), (Bytes8{'"', '\\', '\r', '\t'}));
    EXPECT_EQ(ArgumentBytes(kFormatString, "\"\\x41\\xfF\\xzz\\x4g\""),
              (Bytes8{0x41, 0xFF, 0, 0x40}));
    EXPECT_EQ(
        ArgumentBytes(kFormatString, "\"Mixed %; <Case>\""),
        Bytes8(Bytes8{'M', 'i', 'x', 'e', 'd', ' ', '%', ';', ' ', '<', 'C', 'a', 's', 'e', '>'}));
    EXPECT_EQ(ArgumentBytes(kFormatString, "61x, 01x"), (Bytes8{0x61, 0x01}));
    EXPECT_EQ(Argument(kFormatString, "\"a\\qb\""), kelBadEscapeSequence);
    EXPECT_EQ(Argument(kFormatString, "\"a\\Nb\""), kelBadEscapeSequence);
    EXPECT_EQ(Assemble("str <\"a\\x4"), Err(1, kelBadEscapeSequence));
    EXPECT_EQ(Assemble("str <\"a\\"), Err(1, kelBadEscapeSequence));
    EXPECT_EQ(Argument(kFormatString, "hi"), kelMissingQuote);
    EXPECT_EQ(Argument(kFormatString, "\"a\" \"b\""), kelMissingCloseBracket);
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
    EXPECT_EQ(ArgumentBytes(kFormatString, "\"a\\rb\\r\\nc\\r\""),
              (Bytes8{'a', '\r', '\n', 'b', '\r', '\n', 'c', '\r'}));
    EXPECT_EQ(gHookSaw, "a\r\nb\r\nc\r");
    gHookSaw = "untouched";
    EXPECT_EQ(ArgumentBytes(kFormatString, "\"\""), Bytes8{});
    EXPECT_EQ(gHookSaw, "untouched") << "not called for an empty string";
}

TEST_F(HookTest, MayRewriteInPlaceOrReplace) {
    EXPECT_EQ(ArgumentBytes(kFormatString, "\"up\""), (Bytes8{'U', 'p'}));
    EXPECT_EQ(ArgumentBytes(kFormatString, "\"zap\""), (Bytes8{'z'})) << "re-measured to the NUL";
    gHookResult = "xyz";
    EXPECT_EQ(ArgumentBytes(kFormatString, "\"a\""), (Bytes8{'x', 'y', 'z'}));
}

TEST_F(HookTest, TextTypeItLeavesMustFit) {
    gHookType = 260;
    EXPECT_EQ(Argument(kFormatString, "\"a\""), 0);
    gHookType = 4107;
    EXPECT_EQ(Argument(kFormatString, "\"a\""), kelMismatchedTextType);
    EXPECT_EQ(Argument(kFormatString, "\"a\"", nullptr, kelFlagTextType4107), 0);
    gHookType = 7;
    EXPECT_EQ(Assemble("tt_set <7>\nstr <\"a\">"), 0);
    EXPECT_EQ(Assemble("tt_set <7>\ntt_plain\n\nstr <\"a\">"), Err(4, kelMismatchedTextType));
}

TEST_F(ReadTest, Booleans) {
    EXPECT_EQ(ArgumentBytes(kFormatBoolean, "yes"), Bytes8{1});
    EXPECT_EQ(ArgumentBytes(kFormatBoolean, "YES"), Bytes8{1});
    EXPECT_EQ(ArgumentBytes(kFormatBoolean, "True"), Bytes8{1});
    EXPECT_EQ(ArgumentBytes(kFormatBoolean, "no"), Bytes8{0});
    EXPECT_EQ(ArgumentBytes(kFormatBoolean, "false"), Bytes8{0});
    EXPECT_EQ(ArgumentBytes(kFormatBoolean, "1"), Bytes8{1}) << "number sniffing";
    EXPECT_EQ(Argument(kFormatBoolean, "maybe"), kelBadBooleanFormat);
    EXPECT_EQ(Argument(kFormatBoolean, "yess"), kelBadBooleanFormat);
}

TEST_F(ReadTest, GlobalIds) {
    EXPECT_EQ(ArgumentBytes(kFormatGlobalId, "1-2-3"), (Bytes8{0x01, 0x02, 0x00, 0x03}));
    EXPECT_EQ(ArgumentBytes(kFormatGlobalId, "5-300"), (Bytes8{0x05, 0x01, 0x2C}));
    EXPECT_EQ(ArgumentBytes(kFormatGlobalId, "0-5"), Bytes8{0x05});
    EXPECT_EQ(ArgumentBytes(kFormatGlobalId, "7"), Bytes8{0x07});
    EXPECT_EQ(ArgumentBytes(kFormatGlobalId, "200-0-1"), (Bytes8{0xC8, 0x00, 0x00, 0x01}));
    EXPECT_EQ(ArgumentBytes(kFormatGlobalId, "1 - 2"), (Bytes8{0x01, 0x00, 0x02}));
    EXPECT_EQ(Argument(kFormatGlobalId, "1-2-3-4"), kelMissingCloseBracket);
    EXPECT_EQ(Argument(kFormatGlobalId, "1-x"), kelBadGlobalIdFormat);
    EXPECT_EQ(Argument(kFormatGlobalId, "1-2-"), kelBadGlobalIdFormat);
    EXPECT_EQ(Argument(kFormatGlobalId, "id"), kelBadGlobalIdFormat);
    // Any atom takes a global id by sniffing: a "-" among the second to fourth characters.
    EXPECT_EQ(Stream("t <1-2>"), (Bytes8{0x01, 0x02, 0x03, 0x01, 0x00, 0x02}));
}

TEST_F(ReadTest, ObjectNames) {
    EXPECT_EQ(ArgumentBytes(kFormatObjectName, "trigger"), Bytes8{0x06});
    EXPECT_EQ(ArgumentBytes(kFormatObjectName, "dynamic_multilist, \"t\""), (Bytes8{0x02, 't'}));
    EXPECT_EQ(ArgumentBytes(kFormatObjectName, "dms_list \"t\""), (Bytes8{0x02, 't'}));
    EXPECT_EQ(ArgumentBytes(kFormatObjectName, "25"), Bytes8{0x19});
    EXPECT_EQ(ArgumentBytes(kFormatObjectName, "300, \"\""), Bytes8{0x2C});
    EXPECT_EQ(ArgumentBytes(kFormatObjectName, "view, 41x, 42x"), (Bytes8{0x08, 0x41, 0x42}));
    EXPECT_EQ(ArgumentBytes(kFormatObjectName, "0"), Bytes8{0x00}) << "number sniffing";
    EXPECT_EQ(Argument(kFormatObjectName, "0, \"title\""), kelBadObjectNameFormat);
    EXPECT_EQ(Argument(kFormatObjectName, "thing, \"title\""), kelBadObjectNameFormat);
    EXPECT_EQ(Argument(kFormatObjectName, "view, title"), kelMissingQuote);
}

TEST_F(ReadTest, Orientations) {
    EXPECT_EQ(ArgumentBytes(kFormatOrientation, "hcc"), Bytes8{0x00});
    EXPECT_EQ(ArgumentBytes(kFormatOrientation, "vlt"), Bytes8{0x49});
    EXPECT_EQ(ArgumentBytes(kFormatOrientation, "hrb"), Bytes8{0x12});
    EXPECT_EQ(ArgumentBytes(kFormatOrientation, "VEF"), Bytes8{0x63});
    EXPECT_EQ(ArgumentBytes(kFormatOrientation, "htlxyz"), Bytes8{0x09});
    EXPECT_EQ(Argument(kFormatOrientation, "hx"), kelBadOrientationFormat);
    EXPECT_EQ(Argument(kFormatOrientation, "hc"), kelBadOrientationFormat);
    EXPECT_EQ(Argument(kFormatOrientation, "xcc"), kelBadOrientationFormat);
    EXPECT_EQ(Argument(kFormatOrientation, "hcx"), kelBadOrientationFormat);
}

TEST_F(ReadTest, Tokens) {
    EXPECT_EQ(ArgumentBytes(kFormatToken, "\"Ab\""), (Bytes8{'A', 'b'}));
    EXPECT_EQ(ArgumentBytes(kFormatToken, "\"Ab\", 1-2"), (Bytes8{'A', 'b', 0x01, 0x00, 0x02}));
    EXPECT_EQ(ArgumentBytes(kFormatToken, "\"Ab\" 7"), (Bytes8{'A', 'b', 0x07}));
    EXPECT_EQ(ArgumentBytes(kFormatToken, "\"\"\"\""), (Bytes8{'"', '"'}));
    EXPECT_EQ(ArgumentBytes(kFormatToken, "41x 42x"), (Bytes8{0x41, 0x42}));
    EXPECT_EQ(Argument(kFormatToken, "ab"), kelMissingQuote);
    EXPECT_EQ(Argument(kFormatToken, "\"abc\", 1"), kelMissingQuote);
    EXPECT_EQ(ArgumentBytes(kFormatToken, "\"abc\""), (Bytes8{'a', 'b', 'c'})) << "string sniffing";
    EXPECT_EQ(Argument(kFormatToken, "\"ab\"7"), kelBadTokenFormat);
    EXPECT_EQ(Argument(kFormatToken, "\"ab\", x"), kelBadGlobalIdFormat);
    ZBuffer out;
    EXPECT_EQ(Assemble("tok <\"a"), Err(1, kelBadTokenFormat));
}

TEST_F(ReadTest, Criteria) {
    EXPECT_EQ(ArgumentBytes(kFormatCriterion, "cancel"), Bytes8{0x06});
    EXPECT_EQ(ArgumentBytes(kFormatCriterion, "open"), Bytes8{0x03});
    EXPECT_EQ(ArgumentBytes(kFormatCriterion, "selection"), Bytes8{0x01});
    EXPECT_EQ(ArgumentBytes(kFormatCriterion, "0x12c"), (Bytes8{0x01, 0x2C}));
    EXPECT_EQ(ArgumentBytes(kFormatCriterion, "0xFFFF"), (Bytes8{0xFF, 0xFF}));
    EXPECT_EQ(ArgumentBytes(kFormatCriterion, "0x7"), Bytes8{0x07});
    EXPECT_EQ(Argument(kFormatCriterion, "0x10000"), kelValueTooLarge);
    EXPECT_EQ(Argument(kFormatCriterion, "0xffffffffff"), kelValueTooLarge);
    // Plain digits are sniffed as a number and written compactly.
    EXPECT_EQ(ArgumentBytes(kFormatCriterion, "65536"), (Bytes8{0x01, 0x00, 0x00}));
    EXPECT_EQ(Argument(kFormatCriterion, "shut"), kelBadNumberFormat);
}

TEST_F(ReadTest, Alerts) {
    EXPECT_EQ(ArgumentBytes(kFormatAlert, "warning, \"Disk full\""),
              (Bytes8{0x05, 'D', 'i', 's', 'k', ' ', 'f', 'u', 'l', 'l'}));
    EXPECT_EQ(ArgumentBytes(kFormatAlert, "?, \"a\""), (Bytes8{0x00, 'a'}));
    EXPECT_EQ(ArgumentBytes(kFormatAlert, "yes_no_cancel"), Bytes8{0x08});
    EXPECT_EQ(Argument(kFormatAlert, "alarm, \"a\""), kelBadAlertNameFormat);
    EXPECT_EQ(Argument(kFormatAlert, "info, a"), kelMissingQuote);
}

TEST_F(ReadTest, AtomReferences) {
    EXPECT_EQ(ArgumentBytes(kFormatAtomReference, "far"), (Bytes8{40, 5}));
    EXPECT_EQ(ArgumentBytes(kFormatAtomReference, "Classone"), (Bytes8{9, 1}));
    EXPECT_EQ(ArgumentBytes(kFormatAtomReference, "huge"), (Bytes8{1, 0})) << "low byte";
    EXPECT_EQ(Argument(kFormatAtomReference, "zork"), kelUnrecognizedAtom);
}

TEST_F(ReadTest, ByteLists) {
    EXPECT_EQ(ArgumentBytes(kFormatByteList, "1, 2 255 256 0x101"), (Bytes8{1, 2, 255, 0, 1}));
    EXPECT_EQ(Argument(kFormatByteList, "1, two"), kelBadByteFormat);
    EXPECT_EQ(Argument(kFormatByteList, "1,"), kelBadByteFormat);
    EXPECT_EQ(Stream("bytes <7 8>"), (Bytes8{0x01, 0x0D, 0x02, 7, 8}));
}

TEST_F(ReadTest, Letters) {
    EXPECT_EQ(ArgumentBytes(kFormatLetters, "a, c, z"), (Bytes8{0x00, 0x02, 0x19}));
    EXPECT_EQ(ArgumentBytes(kFormatLetters, "B Cde"), (Bytes8{0x01, 0x02}));
    EXPECT_EQ(Argument(kFormatLetters, "a, 7"), kelBadLetterFormat);
    EXPECT_EQ(Argument(kFormatLetters, "a_b"), kelBadLetterFormat);
    EXPECT_EQ(ArgumentBytes(kFormatLetterNumber, "c, 12"), (Bytes8{0x02, 0x0C}));
    EXPECT_EQ(ArgumentBytes(kFormatLetterNumber, "c"), Bytes8{0x02});
    EXPECT_EQ(ArgumentBytes(kFormatLetterNumber, "c 300"), (Bytes8{0x02, 0x01, 0x2C}));
    EXPECT_EQ(ArgumentBytes(kFormatLetterNumber, "c, 01x 02x"), (Bytes8{0x02, 0x01, 0x02}));
    EXPECT_EQ(Argument(kFormatLetterNumber, "c, x"), kelBadNumberFormat);
    EXPECT_EQ(Argument(kFormatLetterNumber, "c1, 2"), kelBadLetterFormat);
    EXPECT_EQ(ArgumentBytes(kFormatLetterString, "d, \"Head\""),
              (Bytes8{0x03, 'H', 'e', 'a', 'd'}));
    EXPECT_EQ(ArgumentBytes(kFormatLetterString, "d"), Bytes8{0x03});
    EXPECT_EQ(Argument(kFormatLetterString, "1, \"x\""), kelBadLetterFormat);
    EXPECT_EQ(Argument(kFormatLetterString, "d, x"), kelMissingQuote);
}

TEST_F(ReadTest, SizedNumbers) {
    EXPECT_EQ(ArgumentBytes(kFormatByte, "255"), Bytes8{0xFF});
    EXPECT_EQ(ArgumentBytes(kFormatByte, "0"), Bytes8{0x00});
    EXPECT_EQ(ArgumentBytes(kFormatByte, "01x"), Bytes8{0x01}) << "a number, not the hex form";
    EXPECT_EQ(Argument(kFormatByte, "256"), kelValueTooLarge);
    EXPECT_EQ(Argument(kFormatByte, "\"a\""), kelBadNumberFormat) << "never sniffed";
    EXPECT_EQ(ArgumentBytes(kFormatWord, "1"), (Bytes8{0x00, 0x01}));
    EXPECT_EQ(ArgumentBytes(kFormatWord, "65535"), (Bytes8{0xFF, 0xFF}));
    EXPECT_EQ(Argument(kFormatWord, "65536"), kelValueTooLarge);
    EXPECT_EQ(Argument(kFormatWord, "4294967296"), kelValueTooLarge);
    EXPECT_EQ(ArgumentBytes(kFormatDword, "1"), (Bytes8{0, 0, 0, 1}));
    EXPECT_EQ(ArgumentBytes(kFormatDword, "4294967295"), (Bytes8{0x7F, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Argument(kFormatDword, "1-2"), kelMissingCloseBracket) << "never sniffed";
    EXPECT_EQ(Argument(kFormatDword, "y"), kelBadNumberFormat);
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
    ZAtom& self = b.Atom(1, "self", kFormatMulti);
    self.multis.push_back(std::make_shared<ZMulti>());
    self.multis.back()->format = kFormatMulti;
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
    b.Atom(1, "e", kFormatEnumeration).enums.push_back(std::move(e));
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
    EXPECT_EQ(sniff(" \"hi\" >", kFormatNumber), kFormatString);
    EXPECT_EQ(sniff("\"a\\\">\" >", kFormatNumber), kFormatString)
        << "an escaped quote does not close";
    EXPECT_EQ(sniff("\"hi\", 1>", kFormatToken), kFormatToken);
    EXPECT_EQ(sniff("\"1-2\" 3>", kFormatNumber), kFormatNumber) << "no further rule after a quote";
    EXPECT_EQ(sniff("\"a>", kFormatNumber), kFormatNumber);
    EXPECT_EQ(sniff("\"a", kFormatNumber), kFormatNumber);
    EXPECT_EQ(sniff("  1Fx>", kFormatString), kFormatRaw);
    EXPECT_EQ(sniff("1-2>", kFormatString), kFormatGlobalId);
    EXPECT_EQ(sniff("12-2>", kFormatString), kFormatGlobalId);
    EXPECT_EQ(sniff("123-2>", kFormatString), kFormatGlobalId);
    EXPECT_EQ(sniff("1234-2>", kFormatString), kFormatString);
    EXPECT_EQ(sniff("12 \t>", kFormatString), kFormatNumber);
    EXPECT_EQ(sniff("12a>", kFormatString), kFormatString);
    for (uint16_t never : {kFormatMulti, kFormatByte, kFormatWord, kFormatDword})
        EXPECT_EQ(sniff("\"hi\">", never), never);
    EXPECT_EQ(Stream("a <\"hi\">"), (Bytes8{0x01, 0x01, 0x02, 'h', 'i'}));
    EXPECT_EQ(Stream("s <01x>"), (Bytes8{0x01, 0x03, 0x01, 0x01}));
    EXPECT_EQ(Stream("str <5>"), (Bytes8{0x01, 0x05, 0x01, 0x05}));
    // A nested stream opening with a comment is read as a stream, whatever the comment says.
    EXPECT_EQ(sniff("\n ;8-0 c\n>", kFormatStream), kFormatStream);
    EXPECT_EQ(sniff(";8-0>", kFormatNumber), kFormatGlobalId);
    EXPECT_EQ(Stream("s <\n;-1\n>"), (Bytes8{0x01, 0x03, 0x06, 0xE8, 0x13, 0x24, 0x02, '-', '1'}));
}

} // namespace
