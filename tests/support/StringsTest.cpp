#include "Strings.h"
#include "Entities.h"
#include "NumberReader.h"
#include "ThrownCode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

namespace {

// Encoding leaves only printable ASCII (0x20-0x7E) and decodes back to every byte.
TEST(Entities, EncodeEscapesAllButPrintablesAndEveryByteDecodesBack) {
    std::string text("\t\xE9<>&\"' ~\n\r\x7F\0", 13);
    EncodeEntities(text);
    EXPECT_EQ(text, "&#x9;&#xE9;&lt;&gt;&amp;&quot;&apos; ~&#xA;&#xD;&#x7F;&#x0;");
    std::string all(256, '\0');
    std::iota(all.begin(), all.end(), '\0'); // every byte value
    text = all;
    EncodeEntities(text);
    EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) { return c >= 32 && c <= 126; }));
    DecodeEntities(text);
    EXPECT_EQ(text, all);
}

// The five names and numbers (which stop at a non-digit and keep the low 8 bits of a value
// clamped to 32 bits); failures throw: unfinished (-666), malformed (-667: a space ends a
// reference, "#X" is no prefix), unknown (-668: case matters, a tab does not end a reference).
TEST(Entities, DecodeReferencesOrThrowTheirCode) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"a<b>&'\"z", {"a&lt;b&gt;&amp;&apos;&quot;z"}},
        {"ABCD", {"&#65;&#x42;&#x0x43;&#68z;"}},
        {"AA\xFF", {"&#321;&#x141;&#4294967361;"}},
        {std::string(1, '\0'), {"&#x;"}},
        {"-666", {"x&", "&amp"}},
        {"-667", {"x & y;", "&;", "&#;", "&#X41;", "&#a;"}},
        {"-668", {"&nbsp;", "&LT;", "&lt\t;"}}};
    for (const auto& [expected, inputs] : cases) {
        for (std::string text : inputs) {
            const int32_t code = int32_t(CodeOf([&] { DecodeEntities(text); }));
            EXPECT_EQ(code ? std::to_string(code) : text, expected) << expected;
        }
    }
}

// strtol and strtoul with 32-bit results: blanks and a sign, the base's prefixes (which count
// only before a digit), clamping (ReadUnsigned negates as strtoul does), and where reading
// stopped ("value@offset").
TEST(NumberReader, ReadsLikeStrtolWith32BitResults) {
    const auto read = [](const char* text, int base, bool isUnsigned = false) {
        const char* end = nullptr;
        const int64_t value = isUnsigned ? int64_t(Numbers::ReadUnsigned(text, base, &end))
                                         : int64_t(Numbers::ReadSigned(text, base, &end));
        return std::to_string(value) + "@" + std::to_string(end - text);
    };
    EXPECT_EQ(read("\t-17abc", 10), "-17@4");
    EXPECT_EQ(read("2147483648", 10), "2147483647@10");
    EXPECT_EQ(read("99999999999999999999999", 10), "2147483647@23");
    EXPECT_EQ(read("-2147483649", 10), "-2147483648@11");
    EXPECT_EQ(read("FFFFFFFF", 16), "2147483647@8");
    EXPECT_EQ(read("4294967294", 10, true), "4294967294@10");
    EXPECT_EQ(read("4294967296", 10, true), "4294967295@10");
    EXPECT_EQ(read("-1", 10, true), "4294967295@2");
    EXPECT_EQ(read("0X1f", 16) + " " + read("1f", 16) + " " + read("0x1F", 0), "31@4 31@2 31@4");
    EXPECT_EQ(read("010", 0) + " " + read("09", 0), "8@3 0@1");
    EXPECT_EQ(read("-0x10", 0) + " " + read("0xg", 0), "-16@5 0@1");
    EXPECT_EQ(read("- 5", 10) + " " + read("12-3", 10, true), "0@0 12@2");
}

// Case folding touches ASCII letters only; formatted text has no length limit.
TEST(Strings, CaseFoldingNumbersAndFormatting) {
    std::string text = "Ab-Z@[`{z\xC4\xE4\x01";
    ToLower(text);
    EXPECT_EQ(text, "ab-z@[`{z\xC4\xE4\x01");
    EXPECT_EQ(FormatNumber(INT32_MIN), "-2147483648");
    EXPECT_EQ(ParseNumber(" \t-7 8"), -7);
    for (const char* none : {"abc", "", "0x10"})
        EXPECT_EQ(ParseNumber(none), 0) << none;
    EXPECT_EQ(ParseNumber("99999999999"), INT32_MAX);
    const std::string longText(10000, 'q');
    EXPECT_EQ(FormatString("<%s>%u-%c", longText.c_str(), 7u, 'x'), "<" + longText + ">7-x");
}

const char* TestModule(uint32_t id) {
    static const std::string kLong(300, 'L');
    return id == 258 ? "Other Main" : id == 9 ? kLong.c_str() : nullptr;
}

// A resource comes from the module named, else from the program; missing ones are empty, long
// ones cut to 255 bytes. String-table records need a registered record class.
TEST(Strings, ResourceStringsFromTheProgramOrAModule) {
    EXPECT_EQ(LoadResourceString(258), "Main");
    EXPECT_EQ(LoadResourceString(262) + LoadResourceString(263), ".ind.age"); // file names
    EXPECT_EQ(LoadResourceString(258, TestModule), "Other Main");
    EXPECT_EQ(LoadResourceString(262, TestModule), "");
    EXPECT_EQ(LoadResourceString(9, TestModule), std::string(255, 'L'));
    EXPECT_EQ(CodeOf([] { LoadRecordString(5); }), errNilPointer);
}

} // namespace
