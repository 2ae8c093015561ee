#include "Entities.h"
#include "ThrownCode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

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

TEST(Entities, DecodeReferencesOrThrowTheirCode) {
    const std::pair<const char*, std::string> cases[] = {
        {"a&lt;b&gt;&amp;&apos;&quot;z", "a<b>&'\"z"},
        {"&#65;&#x42;&#x0x43;&#68z;", "ABCD"},    // numbers stop at a non-digit
        {"&#321;&#x141;&#4294967361;", "AA\xFF"}, // low 8 bits of a number clamped to 32 bits
        {"&#x;", std::string(1, '\0')}};
    for (const auto& [input, expected] : cases) {
        std::string text = input;
        DecodeEntities(text);
        EXPECT_EQ(text, expected) << input;
    }
    // Unfinished; malformed (a space ends a reference, "#X" is no prefix); unknown (case
    // matters, and a tab does not end a reference).
    const std::pair<int32_t, std::vector<std::string>> failures[] = {
        {-666, {"x&", "&amp"}},
        {-667, {"x & y;", "&;", "&#;", "&#X41;", "&#a;"}},
        {-668, {"&nbsp;", "&LT;", "&lt\t;"}}};
    for (const auto& [code, inputs] : failures)
        for (std::string text : inputs)
            EXPECT_EQ(int32_t(CodeOf([&] { DecodeEntities(text); })), code) << text;
}
