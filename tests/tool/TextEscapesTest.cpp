#include "TextEscapes.h"
#include "Exception.h"
#include "RecordTypes.h"

#include <gtest/gtest.h>

namespace {

uint32_t UnescapeFailure(const std::string& text) {
    try {
        UnescapeText(text);
    } catch (const TTolvException& e) {
        return e.code;
    }
    return 0;
}

} // namespace

TEST(TextEscapes, UnescapeReadsEveryEscape) {
    EXPECT_EQ(UnescapeText("\\20xa\\tb\\5Cx"), std::string("\x20"
                                                           "a\tb\\"));
    EXPECT_EQ(UnescapeText("\\\"\\n\\r\\t"), "\"\n\r\t");
    EXPECT_EQ(UnescapeText("\\00x\\ffx\\FFx"), std::string("\0\xff\xff", 3));
    EXPECT_EQ(UnescapeText("plain text"), "plain text");
    EXPECT_EQ(UnescapeText(""), "");
    // \n is taken before the hex form is considered.
    EXPECT_EQ(UnescapeText("\\nAx"), "\nAx");
}

TEST(TextEscapes, UnescapeRejectsBrokenEscapes) {
    for (const char* bad :
         {"\\", "abc\\", "\\5", "\\5C", "\\5Cy", "\\g0x", "\\0gx", "\\q", "\\\\", "x\\2"})
        EXPECT_EQ(UnescapeFailure(bad), errAssert) << bad;
}

TEST(TextEscapes, EscapeWritesWhatUnescapeReads) {
    EXPECT_EQ(EscapeText("  x", true), "\\20x\\20xx");
    EXPECT_EQ(EscapeText("  x", false), "  x");
    EXPECT_EQ(EscapeText("a b ", true), "a b ");
    EXPECT_EQ(EscapeText("\n", true), "\\n");
    EXPECT_EQ(EscapeText(std::string("\0", 1), true), "\\00x");
    EXPECT_EQ(EscapeText("say \"hi\"\t", true), "say \\\"hi\\\"\\t");
    EXPECT_EQ(EscapeText("back\\slash", true), "back\\5Cxslash");
    EXPECT_EQ(EscapeText("\x7f\x80\xe9", true), "\\7Fx\\80x\\E9x");
    std::string every;
    for (int b = 0; b < 256; ++b)
        every += char(b);
    for (bool leading : {false, true}) {
        EXPECT_EQ(UnescapeText(EscapeText(every, leading)), every);
        EXPECT_EQ(UnescapeText(EscapeText("   " + every, leading)), "   " + every);
    }
}

TEST(RecordTypes, KeywordsAndNames) {
    EXPECT_EQ(RecordTypeCode("picture"), 'p');
    EXPECT_EQ(RecordTypeCode("qdf"), 'a');
    EXPECT_EQ(RecordTypeCode("list"), 'l');
    EXPECT_EQ(RecordTypeCode("text"), 't');
    EXPECT_EQ(RecordTypeCode("binary"), 'b');
    for (const char* other : {"none", "unknown", "Text", "", "binary "})
        EXPECT_FALSE(RecordTypeCode(other).has_value()) << other;
    EXPECT_STREQ(RecordTypeName(0), "none");
    EXPECT_STREQ(RecordTypeName('a'), "qdf");
    EXPECT_STREQ(RecordTypeName('z'), "unknown");
    EXPECT_STREQ(RecordTypeName(-3), "unknown");
}
