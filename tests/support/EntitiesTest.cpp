#include "Entities.h"
#include "Exception.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The decoded text, or "code:" and the code thrown.
std::string Decoded(std::string text) {
    try {
        DecodeEntities(text);
    } catch (const TTolvException& e) {
        return "code:" + std::to_string(int32_t(e.code));
    }
    return text;
}

} // namespace

TEST(Entities, EncodeKeepsPrintablesAndEscapesEverythingElse) {
    std::string text = "\t\xE9<";
    EncodeEntities(text);
    EXPECT_EQ(text, "&#x9;&#xE9;&lt;");
    text = std::string("<>&\"' ~\n\r\x7F", 11); // with its zero byte
    EncodeEntities(text);
    EXPECT_EQ(text, "&lt;&gt;&amp;&quot;&apos; ~&#xA;&#xD;&#x7F;&#x0;");
}

TEST(Entities, DecodeReferences) {
    EXPECT_EQ(Decoded("plain"), "plain");
    EXPECT_EQ(Decoded("a&lt;b&gt;&amp;&apos;&quot;z"), "a<b>&'\"z");
    EXPECT_EQ(Decoded("&#65;&#x42;&#x0x43;&#68z;"), "ABCD");    // numbers stop at a non-digit
    EXPECT_EQ(Decoded("&#321;&#x141;&#4294967361;"), "AA\xFF"); // low 8 bits; clamped to 32
    EXPECT_EQ(Decoded("&#x;"), std::string(1, '\0'));
    EXPECT_EQ(Decoded("x&"), "code:-666");
    EXPECT_EQ(Decoded("&amp"), "code:-666");
    EXPECT_EQ(Decoded("x & y;"), "code:-667");
    EXPECT_EQ(Decoded("&;"), "code:-667");
    EXPECT_EQ(Decoded("&#;"), "code:-667");
    EXPECT_EQ(Decoded("&#X41;"), "code:-667");
    EXPECT_EQ(Decoded("&#a;"), "code:-667");
    EXPECT_EQ(Decoded("&nbsp;"), "code:-668");
    EXPECT_EQ(Decoded("&LT;"), "code:-668");
    EXPECT_EQ(Decoded("&lt\t;"), "code:-668"); // only a space ends a reference early
}

TEST(Entities, EveryByteSurvivesEncodeThenDecode) {
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += char(c);
    std::string text = all;
    EncodeEntities(text);
    for (char c : text)
        EXPECT_TRUE(c >= 32 && c <= 126);
    DecodeEntities(text);
    EXPECT_EQ(text, all);
}
