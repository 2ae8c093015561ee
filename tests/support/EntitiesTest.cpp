#include "Entities.h"
#include "ThrownCode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

// Encoding leaves only printable ASCII (0x20-0x7E) and decodes back to every byte.
TEST(Entities, EncodeEscapesAllButPrintablesAndEveryByteDecodesBack) {
    std::string text("\t\xE9<>&\"' ~\n\r\x7F\0", 13);
    EncodeEntities(text);
    EXPECT_EQ(text, "&#x9;&#xE9;&lt;&gt;&amp;&quot;&apos; ~&#xA;&#xD;&#x7F;&#x0;");
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += char(c);
    text = all;
    EncodeEntities(text);
    EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) { return c >= 32 && c <= 126; }));
    DecodeEntities(text);
    EXPECT_EQ(text, all);
}

// The five names and numbers (which stop at a non-digit and keep their low 8 bits); failures
// throw: unfinished (-666), malformed (-667: a space ends a reference, "#X" is no prefix),
// unknown (-668: case matters, a tab does not end a reference).
TEST(Entities, DecodeReferencesOrThrowTheirCode) {
    const std::pair<std::string, std::string> cases[] = {
        {"a&lt;b&gt;&amp;&apos;&quot;z", "a<b>&'\"z"},
        {"&#65;&#x42;&#x0x43;&#68z;", "ABCD"},
        {"&#321;&#x141;&#4294967361;", "AA\xFF"}, // a number clamped to 32 bits
        {"&#x;", std::string(1, '\0')},
        {"x&", "-666"}, {"&amp", "-666"}, {"x & y;", "-667"}, {"&;", "-667"}, {"&#;", "-667"},
        {"&#X41;", "-667"}, {"&#a;", "-667"}, {"&nbsp;", "-668"}, {"&LT;", "-668"},
        {"&lt\t;", "-668"}};
    for (auto [text, expected] : cases) {
        const std::string input = text;
        const int32_t code = int32_t(CodeOf([&] { DecodeEntities(text); }));
        EXPECT_EQ(code ? std::to_string(code) : text, expected) << input;
    }
}
