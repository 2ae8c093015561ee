#include "ArgumentShow.h"

#include "Disassembly.h"
#include "KelCodes.h"
#include "KelFlags.h"
#include "ShowTable.h"
#include "StreamBuilder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ArgumentShow : public ::testing::Test {
protected:
    std::shared_ptr<ZAtomTable> table = ShowTable();

    // The text of one argument of `format`; the result must be `expected`.
    std::string Show(uint16_t format, const Bytes8& bytes, uint32_t flags = 0,
                     int32_t expected = 0) {
        ZString out;
        EXPECT_EQ(DisassembleArgument(*table, format, bytes.data(), bytes.size(), flags, out),
                  expected)
            << "format " << format;
        return TextOf(out);
    }
    std::string Alternate(uint16_t format, const Bytes8& bytes) {
        return Show(format, bytes, kelFlagAlternateSyntax);
    }
    // The line of atom (1, atom) of the test table with `bytes` as its argument.
    std::string Line(uint16_t atom, const Bytes8& bytes, int32_t expected = 0) {
        Bytes8 stream = StreamBuilder().Atom(1, atom, bytes).bytes;
        ZString out;
        EXPECT_EQ(DisassembleStream(*table, stream.data(), stream.size(), 0, nullptr, out),
                  expected);
        return TextOf(out);
    }
};

TEST_F(ArgumentShow, Numbers) {
    EXPECT_EQ(Show(2, {0x01, 0x2C}), "300");
    EXPECT_EQ(Show(2, {0x01, 0x11, 0x70}), "70000");
    EXPECT_EQ(Show(2, {0xFF, 0xFF, 0xFF, 0xFF}), "-1");
    EXPECT_EQ(Show(2, {0, 0, 0, 7, 9}), "7"); // the first four bytes at most
    EXPECT_EQ(Show(2, {}), "0");
    EXPECT_EQ(Show(20, {0xFF, 1}), "255");
    EXPECT_EQ(Show(21, {0xFF, 0xFF, 1}), "65535");
    EXPECT_EQ(Show(21, {0x12}), "18");
    EXPECT_EQ(Show(22, {0x80, 0, 0, 0}), "-2147483648");
    EXPECT_EQ(Show(13, {1, 2, 0xFF}), "1, 2, 255");
    EXPECT_EQ(Alternate(13, {1, 2, 0xFF}), "1 2 255");
}

TEST_F(ArgumentShow, RawBytes) {
    EXPECT_EQ(Show(1, {0x00, 0xFF}), "00x, ffx");
    EXPECT_EQ(Alternate(1, {0x00, 0xFF}), "00x ffx");
    EXPECT_EQ(Show(0, {0x1F}), "1fx");
    EXPECT_EQ(Show(23, {0x1F}), "1fx"); // unknown codes are raw
    EXPECT_EQ(Show(999, {0x1F, 2}), "1fx, 02x");
    EXPECT_EQ(Show(1, {}), "");
    EXPECT_EQ(Show(1, Bytes8(9, 0xA0), kelFlagShortRawDump),
              "a0x, a0x, a0x, a0x, a0x, a0x, a0x, a0x...");
}

TEST_F(ArgumentShow, BooleanGlobalIdAndToken) {
    EXPECT_EQ(Show(4, {2}), "yes");
    EXPECT_EQ(Show(4, {0, 1}), "no");
    EXPECT_EQ(Show(4, {}), ""); // too few bytes show what there is: nothing
    EXPECT_EQ(Show(5, {1, 2, 0, 3}), "1-2-3");
    EXPECT_EQ(Show(5, {5, 1, 0x2C}), "5-300");
    EXPECT_EQ(Show(5, {5}), "5");
    EXPECT_EQ(Show(5, {1, 2}), "258");
    EXPECT_EQ(Show(5, {1, 2, 3, 4, 5}), "01x, 02x, 03x, 04x, 05x");
    EXPECT_EQ(Show(9, {'o', 'k'}), "\"ok\"");
    EXPECT_EQ(Show(9, {'o', 'k', 1, 2, 3}), "\"ok\", 1-515");
    EXPECT_EQ(Show(9, {'o', 'k', 7}), "\"ok\", 7");
    EXPECT_EQ(Show(9, {'o'}), "\"o\"");
    EXPECT_EQ(Show(9, {}), "\"\"");
}

TEST_F(ArgumentShow, Orientation) {
    EXPECT_EQ(Show(8, {0x00}), "hcc");
    EXPECT_EQ(Show(8, {0x49}), "vlt");
    EXPECT_EQ(Alternate(8, {0x49}), "vtl");
    EXPECT_EQ(Show(8, {0x12}), "hrb");
    EXPECT_EQ(Show(8, {0x5C}), "vfe");
    EXPECT_EQ(Show(8, {0x80}, 0, kelBadOrientationFormat), "");
    EXPECT_EQ(Show(8, {0xC9}, 0, kelBadOrientationFormat), "");
    EXPECT_EQ(Show(8, {0x28}, 0, kelBadOrientationFormat), "h");
    EXPECT_EQ(Show(8, {0x45}, 0, kelBadOrientationFormat), "v");
    EXPECT_EQ(Show(8, {}), "");
}

TEST_F(ArgumentShow, ObjectNamesCriteriaAndAlerts) {
    EXPECT_EQ(Show(7, {6}), "trigger, \"\"");
    EXPECT_EQ(Show(7, {0x19}), "25, \"\"");
    EXPECT_EQ(Show(7, {20, 'a'}), "20, \"a\"");
    EXPECT_EQ(Show(7, {19, 'T', 'i'}), "tab_page, \"Ti\"");
    EXPECT_EQ(Show(7, {}), "");
    EXPECT_EQ(Show(10, {6}), "6");
    EXPECT_EQ(Show(10, {3}), "open");
    EXPECT_EQ(Show(10, {0}), "void");
    EXPECT_EQ(Show(10, {5}), "lose_focus");
    EXPECT_EQ(Show(10, {0x01, 0x2C}), "300");
    EXPECT_EQ(Show(10, {0xFF, 0xFF, 0xFF, 0xFF}), "-1");
    EXPECT_EQ(Show(10, {0x80, 0, 0, 3}), "-2147483645");
    EXPECT_EQ(Show(11, {0x0B, 'a'}), "?, \"a\"");
    EXPECT_EQ(Show(11, {5}), "warning, \"\"");
    EXPECT_EQ(Show(11, {8, 'x', '"'}), "yes_no_cancel, \"x\\\"\"");
    EXPECT_EQ(Show(11, {}), "");
}

TEST_F(ArgumentShow, AtomReferences) {
    EXPECT_EQ(Show(12, {1, 7}), "LoudName");
    EXPECT_EQ(Show(12, {40, 3}), "caption");
    EXPECT_EQ(Show(12, {1, 30}), "?"); // class 1 is not read
    EXPECT_EQ(Show(12, {1}), "?");
    EXPECT_EQ(Show(12, {}), "?");
    EXPECT_EQ(Show(12, {1, 25}), "?"); // found, but its name is empty
    EXPECT_EQ(Line(11, {9, 9}), "goto \r\n");
}

TEST_F(ArgumentShow, QuotedText) {
    EXPECT_EQ(Show(3, {'a', '\n', 'b'}), "\"a\\nb\"");
    EXPECT_EQ(Show(3, {'a', 1}), "61x, 01x");
    EXPECT_EQ(Alternate(3, {'a', 0x1F}), "61x 1fx");
    EXPECT_EQ(Show(3, {'\t', '\r', '"', '\\', 0x0B, 0x0C, 0, 0x7F, 0xE9}),
              "\"\\t\\r\\\"\\\\\\x0b\\x0c\\x00\\x7f\xE9\"");
    EXPECT_EQ(Show(3, {}), "\"\"");
    // The text parts of other formats are escaped but never turn raw.
    EXPECT_EQ(Show(7, {6, 1}), "trigger, \"\\x01\"");
    EXPECT_EQ(Show(16, {2, 'a', 2}), "C,\"a\\x02\"");
}

TEST_F(ArgumentShow, Letters) {
    EXPECT_EQ(Show(17, {0, 2, 25}), "A, C, Z");
    EXPECT_EQ(Alternate(17, {0, 2, 25}), "A C Z");
    EXPECT_EQ(Show(15, {2, 0, 12}), "C, 12");
    EXPECT_EQ(Show(15, {2, 0xFF, 0xFF, 0xFF, 0xFF}), "C, 4294967295");
    EXPECT_EQ(Show(15, {2}), "C");
    EXPECT_EQ(Show(16, {2, 'h', 'i'}), "C,\"hi\"");
    EXPECT_EQ(Show(16, {25}), "Z");
    EXPECT_EQ(Show(15, {}), "");
    EXPECT_EQ(Show(16, {}), "");
}

TEST_F(ArgumentShow, TheAlternateSyntaxShowsTableFormatsAsNumbersOrRawBytes) {
    EXPECT_EQ(Alternate(19, {1, 2}), "258");
    for (uint16_t format : {18, 20, 21, 22, 23, 200})
        EXPECT_EQ(Alternate(format, {1, 2}), "01x 02x") << format;
    EXPECT_EQ(Alternate(14, {1, 2}), "");
}

TEST_F(ArgumentShow, StandAloneArgumentsOfTableFormatsAndHidden) {
    EXPECT_EQ(Show(18, {1}, 0, kelBadFormat), "");
    EXPECT_EQ(Show(19, {1}, 0, kelUnrecognizedEnum), "");
    EXPECT_EQ(Show(14, {1, 2}), "");
    EXPECT_EQ(Show(6, StreamBuilder().Atom(1, 2, {3}).Atom(1, 1).Atom(1, 2).bytes),
              "item <3>\r\nbegin\r\n  item\r\n");
    EXPECT_EQ(Show(6, {0x01}, 0, kelBadFormat), "");
}

TEST_F(ArgumentShow, FlagEnumerations) {
    EXPECT_EQ(Line(13, {3}), "style <bold | italic>\r\n");
    EXPECT_EQ(Line(13, {5}), "style <bold | 4>\r\n");
    EXPECT_EQ(Line(13, {0}), "style <0>\r\n");
    EXPECT_EQ(Line(13, {0x80}), "style <128>\r\n");
    EXPECT_EQ(Line(13, {1, 2}), "style <bold>\r\n"); // value size 1: the first byte
    // Components with their own enumerations: values, a byte, flags.
    EXPECT_EQ(Line(17, {1, 12, 3}), "font <sans, 12, heavy | slanted>\r\n");
}

TEST_F(ArgumentShow, ValueAndMaskedEnumerations) {
    EXPECT_EQ(Line(16, {2}), "border <thick>\r\n");
    EXPECT_EQ(Line(16, {7}), "border <7>\r\n");
    EXPECT_EQ(Line(22, {1, 2}), "wide <big>\r\n");
    EXPECT_EQ(Line(22, {1}), "wide <1>\r\n");
    // Value size 2: the bytes past the second are no part of the value.
    EXPECT_EQ(Line(22, {1, 2, 3}), "wide <big>\r\n");
    // left = 0 under mask 3 and top = 0 under mask 12 show whenever those bits are clear.
    EXPECT_EQ(Line(15, {0, 0}), "anchor <left | top>\r\n");
    EXPECT_EQ(Line(15, {0, 0x0A}), "anchor <right | bottom>\r\n");
    EXPECT_EQ(Line(15, {0, 0x35}), "anchor <center | middle | 48>\r\n");
    EXPECT_EQ(Line(15, {0, 0x0F}), "anchor <15>\r\n");
    // An enumeration of an unknown kind shows nothing.
    EXPECT_EQ(Line(8, {1}), "silent \r\n");
}

TEST_F(ArgumentShow, MultiComponents) {
    EXPECT_EQ(Line(14, {1, 2, 3}), "color <1, 2, 3>\r\n");
    EXPECT_EQ(Line(14, {1, 2}), "color <1, 2>\r\n");
    EXPECT_EQ(Line(14, {1}), "color <1>\r\n");
    // Bytes after the last component follow as raw bytes.
    EXPECT_EQ(Line(14, {1, 2, 3, 4, 5}), "color <1, 2, 3, 04x, 05x>\r\n");
    // A component that takes the rest ends the list; an orientation that fails ends it.
    EXPECT_EQ(Line(18, {0x00, 'h', 'i'}), "mixed <hcc, \"hi\">\r\n");
    EXPECT_EQ(Line(18, {0x80, 'h', 'i'}, kelBadOrientationFormat), "mixed \r\n");
    // A multi component of a multi shows as raw bytes.
    EXPECT_EQ(Line(19, {1, 2, 3}), "loop <1, 02x, 03x>\r\n");
    // An atom without components shows nothing.
    EXPECT_EQ(Line(21, {1, 2}), "bare \r\n");
}

} // namespace
