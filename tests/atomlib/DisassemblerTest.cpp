// The disassembler: layout, enumerations and multi arguments, the alternate syntax with its
// line wrapping, large atoms, limits, text types with the HText2CText call site, and damaged
// streams.
#include "AtomText.h"
#include "Damage.h"
#include "KelCodes.h"
#include "KelFlags.h"
#include "LineWrap.h"

namespace {

constexpr uint32_t kAlt = kelFlagAlternateSyntax;

using Disassembler = AtomText;

// The expected text of a case, with "/" for each line break (CR LF).
std::string Lines(std::string text) {
    for (size_t at = text.find('/'); at != text.npos; at = text.find('/', at + 2))
        text.replace(at, 1, "\r\n");
    return text;
}

// Each case: a stream => its text, "/" ending each line.
TEST_F(Disassembler, Streams) {
    const char* const cases[] = {
        " => ",
        // begin, a <5>, s holding a <7>, end.
        "02 01 00 01 01 01 05 01 03 04 01 01 01 07 02 03 00 => "
        "begin/  a <5>/  s/    </    a <7>/    >/end/",
        // Empty arguments, arguments that show nothing, an empty nested stream.
        "01 01 00 => a/", "02 08 01 01 01 0C 02 09 09 02 15 01 01 => silent /ref /bare /",
        "01 03 00 => s/  </  >/",
        // A hidden atom prints nothing and its layout flags do nothing.
        "02 01 00 02 06 02 01 02 01 01 01 01 => begin/  a <1>/",
        // Names print in lower case, atom references as stored; an empty name prints nothing.
        "02 07 01 01 => loudname <1>/", "01 0C 02 02 07 => ref <LoudName>/", "02 19 01 01 =>  <1>/",
        // Unknown atoms are not indented; class 1 is never read.
        "02 01 00 09 C8 02 01 AB 09 01 00 => "
        "begin/the_unknown <9, 200, 01x, abx>/the_unknown <9, 1>/",
        // Comment atoms print their text up to a NUL byte, indented.
        "02 01 00 E8 13 24 07 20 61 20 6E 6F 74 65 E8 13 24 04 61 62 00 63 E8 13 24 00 => "
        "begin/  ; a note/  ;ab/  ;/",
        "E8 08 03 01 78 => caption <\"x\">/",
        // Large atoms are joined; an end without a start hands on protocol 0 atom 0; a joined
        // atom numbered like a piece is shown, not joined again.
        "00 04 02 01 01 00 05 01 00 00 06 01 05 01 01 01 06 => a <5>/a <6>/",
        "00 06 01 05 01 01 01 06 => the_unknown <0, 0, 05x>/a <6>/",
        "00 04 02 00 06 00 06 01 01 => the_unknown <0, 6, 01x>/", "00 04 01 01 => [error 11]",
        // An error ends the walk; the text before it stays.
        "01 01 01 01 01 08 01 80 01 01 01 02 => a <1>/orient /[error 13]",
        "01 08 01 28 => orient <h>/[error 13]", "01 01 01 05 01 01 02 07 => a <5>/[error 11]",
        // Enumerations and multi arguments.
        "01 13 01 03 => style <bold | italic>/", "01 13 01 05 => style <bold | 4>/",
        "01 13 01 00 => style <0>/", "01 13 02 01 02 => style <bold>/",
        "02 10 01 02 => border <thick>/", "02 10 01 07 => border <7>/",
        "02 16 03 01 02 03 => wide <big>/", "02 1A 04 80 00 00 01 => wide4 <Caps | top>/",
        // left = 0 under mask 3 and top = 0 under mask 12 show whenever those bits are clear.
        "02 0F 02 00 00 => anchor <left | top>/", "02 0F 02 00 0A => anchor <right | bottom>/",
        "02 0F 02 00 35 => anchor <center | middle | 48>/",
        "02 11 03 01 0C 03 => font <sans, 12, heavy | slanted>/",
        "02 0E 05 01 02 03 04 05 => color <1, 2, 3, 04x, 05x>/",
        "02 12 03 00 68 69 => mixed <hcc, \"hi\">/", "02 12 03 80 68 69 => mixed /[error 13]",
        "02 13 03 01 02 03 => loop <1, 02x, 03x>/"};
    for (const char* c : cases)
        EXPECT_EQ(Show(Unhex(Case(c).first)), Lines(Case(c).second)) << c;
    const char* const alternate[] = {
        " => ",
        "01 01 01 05 01 05 02 68 69 01 03 04 01 01 01 07 => "
        "atom$a <5>/atom$str \"hi\"/atom$s/  atom$a <7>/",
        "01 07 01 06 01 0D 02 01 02 => atom$obj <trigger, \"\"/atom$bytes 1 2/",
        "02 08 01 01 01 0C 02 09 09 02 15 01 01 => atom$silent 1/atom$ref /atom$bare 01x/",
        "02 01 00 09 C8 02 01 AB 09 01 00 => "
        "atom$begin/the_unknown <9, 200, 01x abx>/the_unknown <9, 1>/",
        "E8 13 24 01 78 => ;x/"};
    for (const char* c : alternate)
        EXPECT_EQ(Show(Unhex(Case(c).first), kAlt), Lines(Case(c).second)) << c;
    // Decoding comments carry the raw fields; a nested stream starts a fresh decoder.
    EXPECT_EQ(Show(Unhex("21 02 E8 13 24 00 01 03 01 63"), kelFlagDecodingComments),
              Lines(";Length P:1 A:2 L:0/t/;Prefix PO:32 AO:0/;Full P:19 A:36 L:0/;/"
                    ";Full P:1 A:3 L:1/s/  </;Atom P:0 A:3 L:0/the_unknown <0, 3>/  >/"));
}

// Flag 1 cuts raw dumps after eight bytes, else they are cut after 32000; "..." marks a cut.
TEST_F(Disassembler, FlagOneCutsRawDumpsAfterEightBytesElseAfter32000) {
    StreamBuilder b;
    const Bytes8 stream =
        b.Atom(9, 1, Bytes8(9, 7)).Atom(1, 4, Bytes8(20, 0)).Atom(1, 4, Bytes8(8, 1)).bytes;
    EXPECT_EQ(Show(stream, kelFlagShortRawDump),
              Lines("the_unknown <9, 1, 07x, 07x, 07x, 07x, 07x, 07x, 07x, 07x...>/"
                    "b <00x, 00x, 00x, 00x, 00x, 00x, 00x, 00x...>/b <01x, 01x, 01x, 01x, 01x, "
                    "01x, 01x, 01x>/"));
    std::string text = Show(StreamBuilder().Atom(1, 4, Bytes8(32001, 0xEE)).bytes);
    EXPECT_EQ(text.size(), 3 + 32000 * 5 - 2 + 3 + 3);
    EXPECT_EQ(text.substr(text.size() - 11), ", eex...>\r\n");
}

// Streams nest 256 deep, not deeper; indentation is counted on but shows at most 256 levels.
TEST_F(Disassembler, NestingAndIndentationAreBounded) {
    Bytes8 stream = StreamBuilder().Atom(1, 1, {1}).bytes;
    for (int i = 0; i < 256; ++i)
        stream = StreamBuilder().Atom(1, 3, stream).bytes;
    const std::string deep = Show(stream);
    EXPECT_TRUE(deep.find(std::string(2 * 256, ' ') + "a <1>\r\n") != deep.npos &&
                deep.ends_with("  >\r\n"));
    EXPECT_TRUE(Show(StreamBuilder().Atom(1, 3, stream).bytes).ends_with("[error 11]"));
    StreamBuilder begins;
    for (int i = 0; i < 300; ++i)
        begins.Atom(2, 1);
    ZDisassemblyState state;
    ZString out;
    DisassembleStream(*table, begins.bytes.data(), begins.bytes.size(), 0, &state, out);
    EXPECT_EQ(state.indent, 300);
    DisassembleStream(*table, Unhex("01 01 00").data(), 3, 0, &state, out);
    EXPECT_EQ(TextOf(out), std::string(2 * 256, ' ') + "a\r\n");
}

// The alternate syntax breaks lines after 60 characters with a "!"; any run of line breaks
// counts as one, and the last open line is left alone.
TEST_F(Disassembler, TheAlternateSyntaxWrapsLinesLongerThan60Characters) {
    auto wrapped = [](const std::string& text) {
        ZString s(text.data(), text.size());
        WrapLongLines(s);
        return TextOf(s);
    };
    std::string a(60, 'a');
    EXPECT_EQ(wrapped("\r\n\r\n" + a + "yy\r\r\n\n" + a + "z\n" + a + a),
              "\r\n\r\n" + a + "!\r\nyy\r\r\n\n" + a + "!\r\nz\n" + a + a);
    Bytes8 stream = StreamBuilder().Text(51, 36, std::string(129, 'c')).Atom(1, 1, {1}).bytes;
    std::string line = std::string(";").append(129, 'c');
    EXPECT_EQ(Show(stream), line + "\r\na <1>\r\n");
    EXPECT_EQ(Show(stream, kAlt), line.substr(0, 60) + "!\r\n" + line.substr(60, 60) + "!\r\n" +
                                      line.substr(120) + "\r\natom$a <1>\r\n");
}

// HText2CText for the tests: records the (byte-swapped) text type it is handed; when
// gConvert is set, converts "abc" to "X" and other texts to "Q\n" and the text.
std::vector<uint16_t> gTypes;
bool gConvert = false;

const char* RecordType(const char* text, uint32_t length, uint16_t type) {
    gTypes.push_back(type);
    if (!gConvert) return nullptr;
    if (text[length] != 0) return "not terminated";
    static std::string converted;
    converted = std::string(text, length) == "abc" ? "X" : std::string("Q\n").append(text, length);
    return converted.c_str();
}

// The flags set the starting type; a text of type 0 is not handed over; atom 22 switches for one
// atom, 23 until further notice, 24 back to 0. A converted text is quoted again, and read no
// further than its length.
TEST_F(Disassembler, TheTextHookGetsTheTextTypeAndMayConvertQuotedText) {
    TextHooks().hText2CText = RecordType;
    Bytes8 stream = StreamBuilder().Text(1, 5, "a").bytes;
    for (uint32_t flags : {0u, 0x100u, 0x200u, 0x300u})
        Show(stream, flags);
    StreamBuilder b;
    b.Text(1, 5, "a").Atom(0, 22, {1, 4}).Text(1, 5, "b").Text(1, 5, "c");
    b.Atom(0, 23, {0x10, 0x0B}).Text(1, 5, "d").Text(1, 5, "e").Atom(0, 24).Text(1, 5, "f");
    EXPECT_EQ(Show(b.bytes).find("error"), std::string::npos);
    EXPECT_EQ(gTypes, (std::vector<uint16_t>{0x0401, 0x0B10, 0x0B10, 0x0401, 0x0B10, 0x0B10}));
    gConvert = true;
    StreamBuilder c;
    c.Atom(0, 23, {1, 4}).Text(1, 5, "abc").Text(1, 5, "ab").Atom(1, 7, Bytes8{6, 'a'});
    c.Atom(0, 24).Text(1, 5, "ab");
    EXPECT_EQ(Show(c.bytes), "text_type <260>\r\nstr <\"X\">\r\nstr <\"Q\\n\">\r\n"
                             "obj <trigger, \"Q\">\r\n" // one byte of "Q\na"
                             "text_type_plain\r\nstr <\"ab\">\r\n");
}

// A stream that reaches layouts, enumerations, multi arguments, nesting, text types, large
// atoms and a prefix, cut at every length and with every byte changed (the style bits too),
// ends in 0, 11 or 13 under every entry point's flags; so does each argument format on it.
TEST_F(Disassembler, DamagedStreamsEndInACode) {
    Bytes8 inner = StreamBuilder().Atom(1, 8, {0x49}).Atom(0, 22, {1, 4}).Text(1, 5, "q").bytes;
    StreamBuilder b;
    b.Atom(2, 1).Atom(2, 17, {1, 12, 3}).Atom(2, 15, {0, 0x35}).Atom(1, 7, Bytes8{6, 'a'});
    b.Atom(2, 24, inner).Atom(0, 4, {1, 14}).Atom(0, 6, {1, 2, 3}).Text(40, 3, "x");
    b.Atom(1, 12, {2, 7}).Atom(2, 3);
    auto known = [](int32_t result) {
        return result == 0 || result == kelBadFormat || result == kelBadOrientationFormat;
    };
    auto check = [&](const std::string& what, const Bytes8& bytes) {
        for (uint32_t flags :
             {0u, kAlt | kelFlagDecodingComments, kelFlagShortRawDump | kelFlagSingleAtom}) {
            ZString out;
            ZDisassemblyState state;
            EXPECT_TRUE(
                known(DisassembleStream(*table, bytes.data(), bytes.size(), flags, &state, out)))
                << what;
        }
        for (uint16_t format = 0; format < 30; ++format) {
            ZString out;
            int32_t result =
                DisassembleArgument(*table, format, bytes.data(), bytes.size(), 0, out);
            EXPECT_TRUE(known(result) || result == kelUnrecognizedEnum) << what;
        }
    };
    ForEachDamage<uint8_t>(b.bytes, check, {0, 1, {0xFF, 0x01, 0x20, 0x40, 0x80}});
}

} // namespace
