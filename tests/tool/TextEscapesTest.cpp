#include "TextEscapes.h"

#include <gtest/gtest.h>

namespace {

std::string Unescaped(const std::string& text) {
    std::string out;
    EXPECT_EQ(AppendUnescaped(text, out), std::string::npos) << text;
    return out;
}

// Every byte escaped reads back, with or without leading blanks; a broken escape stops the text at
// its backslash, the bytes before it taken.
TEST(TextEscapes, EscapeWritesWhatUnescapeReadsAndBrokenEscapesStop) {
    EXPECT_EQ(Unescaped("\\\"\\n\\r\\t\\00x\\ffx\\FFx"), std::string("\"\n\r\t\0\xff\xff", 7));
    // \n is taken before the hex form is considered.
    EXPECT_EQ(Unescaped("\\nAx"), "\nAx");
    EXPECT_EQ(EscapeText("  x", false), "  x");
    EXPECT_EQ(EscapeText("\x7f\x80\xe9", true), "\\7Fx\\80x\\E9x");
    std::string every;
    for (int b = 0; b < 256; ++b)
        every += char(b);
    for (bool leading : {false, true}) {
        EXPECT_EQ(Unescaped(EscapeText(every, leading)), every);
        EXPECT_EQ(Unescaped(EscapeText("   " + every, leading)), "   " + every);
    }
    for (const char* bad :
         {"\\", "abc\\", "\\5", "\\5C", "\\5Cy", "\\g0x", "\\0gx", "\\q", "\\\\", "x\\2"}) {
        std::string out = "<";
        size_t at = AppendUnescaped(bad, out);
        EXPECT_EQ(at, std::string(bad).find('\\')) << bad;
        EXPECT_EQ(out, "<" + std::string(bad).substr(0, at)) << bad;
    }
}

} // namespace
