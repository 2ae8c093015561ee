// The read and show routines of every argument format, stand-alone: what the assembler reads
// and what the disassembler writes, and how the assembler sniffs a format from the text; and
// round trips of whole streams of the default table (docs/atom-text-read.md lists what cannot
// round-trip).
#include "ArgumentRead.h"
#include "AtomText.h"
#include "KelFlags.h"

#include <algorithm>
#include <random>

namespace {

// A format by its name in table sources, or by its number.
uint16_t Format(const std::string& name) {
    static const std::string names = " raw number string boolean global_id stream object_name "
                                     "orientation token criterion alert atom_reference byte_list "
                                     "hidden letter_number letter_string letters multi enumeration "
                                     "byte word dword ";
    size_t at = names.find(" " + name + " ");
    return uint16_t(at == names.npos
                        ? std::stoi(name)
                        : std::count(names.begin(), names.begin() + long(at) + 1, ' '));
}

// Each case: "text <=> bytes" both ways, "text => bytes" (or "=> error N") assembled only,
// "text <= bytes" shown only.
TEST_F(AtomText, ArgumentsOfEveryFormatBothWays) {
    // "@name" starts the cases of a format (by its name in table sources, or its number).
    const char* const cases[] = {
        "@number", "300 <=> 01 2C", "70000 <=> 01 11 70", "65535 <=> FF FF", "65536 <=> 01 00 00",
        "16777216 <=> 01 00 00 00", "0x10 => 10", "10x => 10", "010 => 08",
        "4294967295 => 7F FF FF FF", "-1 <= FF FF FF FF", "7 <= 00 00 00 07 09",
        "0 <= ", "-1 => error 16", "x => error 16", "1gx => error 16", "01x, 2 => 01 02",
        "1 2 => error 8", " => error 16", "@byte", "255 <=> FF", "255 <= FF 01", "01x => 01",
        "256 => error 24", "\"a\" => error 16", "@word", "1 <=> 00 01", "65535 <= FF FF 01",
        "18 <= 12", "65536 => error 24", "4294967296 => error 24", "@dword", "1 <=> 00 00 00 01",
        "4294967295 => 7F FF FF FF", "-2147483648 <= 80 00 00 00", " ffX 00x => FF 00",
        "1-2 => error 8", "@byte_list", "1, 2, 255 <=> 01 02 FF",
        "1, 2 255 256 0x101 => 01 02 FF 00 01", "1, two => error 21", "1, => error 21", "@raw",
        "00x, ffx <=> 00 FF", " <= ", "1fx,300 => 1F 01 2C", "1fx,,300 => error 22",
        "01x , => error 22", "zzx abxyz => 00 AB", "12345x 0x1234 => 01 23 45 12 34", "@0",
        "1fx <=> 1F", "7 => 07", "@99", "01x, 02x <=> 01 02", "@hidden", "7 => 07", " <= 01 02",
        "@string", "\"a\\nb\" <=> 61 0A 62", "61x, 01x <=> 61 01", "\"\" <=> ",
        "\"\\\"\\\\\\r\\t\" <=> 22 5C 0D 09",
        "\"\\t\\r\\\"\\\\\\x0b\\x0c\\x00\\x7f\xE9\" <= 09 0D 22 5C 0B 0C 00 7F E9",
        "\"\\x41\\xfF\\xzz\\x4g\" => 41 FF 00 40", "\"A %; <b>\" => 41 20 25 3B 20 3C 62 3E",
        "\"a\\qb\" => error 26", "hi => error 6", "\"a\" \"b\" => error 8", "\"abc => error 8",
        "@boolean", "yes <=> 01", "no <=> 00", "yes <= 02", "no <= 00 01", " <= ", "True => 01",
        "false => 00", "yess => error 12", "@global_id", "1-2-3 <=> 01 02 00 03",
        "5-300 <=> 05 01 2C", "200-0-1 <=> C8 00 00 01", "5 <= 05", "258 <= 01 02",
        "0-258 <= 00 01 02", "01x, 02x, 03x, 04x, 05x <= 01 02 03 04 05", "0-5 => 05",
        "1 - 2 => 01 00 02", "1-2-3-4 => error 8", "1-x => error 20", "id => error 20",
        "@object_name", "trigger, \"\" <=> 06", "25, \"\" <=> 19", "tab_page, \"Ti\" <=> 13 54 69",
        "trigger, \"\\x01\" <=> 06 01", " <= ", "trigger => 06",
        "dynamic_multilist, \"t\" => 02 74", "300, \"\" => 2C", "view, 41x, 42x => 08 41 42",
        "0, \"title\" => error 14", "thing, \"t\" => error 14", "view, t => error 6",
        "@orientation", "hcc <=> 00", "vlt <=> 49", "hrb <=> 12", "vfe <=> 5C", "VEF => 63",
        "htlxyz => 09", "[error 13] <= 80", "h[error 13] <= 28", "v[error 13] <= 45",
        " <= ", "hx => error 13", "hc => error 13", "xcc => error 13", "@token",
        "\"ok\", 1-515 <=> 6F 6B 01 02 03", "\"ok\", 7 <=> 6F 6B 07", "\"o\" <=> 6F",
        "\"\" <= ", "\"Ab\" 7 => 41 62 07", "\"\"\"\" => 22 22", "41x 42x => 41 42",
        "ab => error 6", "\"abc\", 1 => error 6", "\"ab\"7 => error 18", "@criterion",
        "open <=> 03", "300 <=> 01 2C", "void <=> 00", "6 <= 06", "-1 <= FF FF FF FF",
        "cancel => 06", "selection => 01", "0x7 => 07", "0xFFFF => FF FF", "0x10000 => error 24",
        "shut => error 16", "@alert", "warning, \"ok\" <=> 05 6F 6B", "?, \"a\" <=> 00 61",
        "warning, \"\" <= 05", "?, \"a\" <= 0B 61", "yes_no_cancel, \"x\\\"\" <=> 08 78 22",
        "yes_no_cancel => 08", "alarm, \"a\" => error 15", "info, a => error 6",
        // Class 1 is not read back; a found atom with an empty name shows nothing either.
        "@atom_reference", "caption <=> 28 03", "LoudName <= 02 07", "? <= 09 01", "? <= 02 19",
        "? <= 01", "far => 28 05", "Classone => 09 01", "huge => 01 00", "zork => error 10",
        "@letters", "A, C, Z <=> 00 02 19", "B Cde => 01 02", "a, 7 => error 17", "@letter_number",
        "C, 12 <=> 02 0C", "C <=> 02", "C, 12 <= 02 00 0C", "C, 4294967295 <= 02 FF FF FF FF",
        " <= ", "c 300 => 02 01 2C", "c, 01x 02x => 02 01 02", "c, x => error 16",
        "c1, 2 => error 17", "@letter_string", "C,\"hi\" <=> 02 68 69", "Z <=> 19",
        "C,\"a\\x02\" <=> 02 61 02", " <= ", "1, \"x\" => error 17", "d, x => error 6",
        // Stand-alone, the formats that need an atom's table entries hold nothing.
        "@stream", "a <3>\r\nbegin\r\n  a\r\n <=> 01 01 01 03 02 01 00 01 01 00",
        "[error 11] <= 01", "@multi", " => ", "[error 11] <= 01", "@enumeration", "1 => 01",
        "bold => error 23", "[error 23] <= 01"};
    uint16_t format = 0;
    for (const std::string c : cases) {
        if (c[0] == '@') {
            format = Format(c.substr(1));
            continue;
        }
        size_t both = c.find(" <=> "), read = c.find(" => "), show = c.find(" <= ");
        size_t at = std::min({both, read, show});
        const std::string text = c.substr(0, at), bytes = c.substr(c.find(' ', at + 1) + 1);
        EXPECT_EQ(at == show ? bytes : Arg(format, text), bytes) << format << ": " << c;
        EXPECT_EQ(at == read ? text : ShowArgument(format, Unhex(bytes)), text)
            << format << ": " << c;
    }
    ZBuffer out("old", 3);
    EXPECT_NE(AssembleArgument(*table, kFormatBoolean, "maybe", 0, out), 0);
    EXPECT_EQ(TextOf(out), "old");
}

// The alternate syntax: blanks between list items, "vtl" order, and the table formats as a
// number or raw bytes. Flag 1 cuts raw dumps after eight bytes.
TEST_F(AtomText, ArgumentsInTheAlternateSyntaxAndShortDumps) {
    const std::pair<uint16_t, const char*> alternate[] = {{kFormatByteList, "01 02 FF => 1 2 255"},
                                                          {kFormatRaw, "00 FF => 00x ffx"},
                                                          {kFormatOrientation, "49 => vtl"},
                                                          {kFormatString, "61 1F => 61x 1fx"},
                                                          {kFormatLetters, "00 02 19 => A C Z"},
                                                          {kFormatEnumeration, "01 02 => 258"},
                                                          {kFormatHidden, "01 02 => "}};
    for (const auto& [format, c] : alternate)
        EXPECT_EQ(ShowArgument(format, Unhex(Case(c).first), kelFlagAlternateSyntax),
                  Case(c).second)
            << c;
    for (uint16_t format : {18, 20, 21, 22, 23, 200})
        EXPECT_EQ(ShowArgument(format, {1, 2}, kelFlagAlternateSyntax), "01x 02x") << format;
    EXPECT_EQ(ShowArgument(kFormatRaw, Bytes8(9, 0xA0), kelFlagShortRawDump),
              "a0x, a0x, a0x, a0x, a0x, a0x, a0x, a0x...");
}

// Each case: "declared: text after the <" => the format it is read in. Multi, byte, word and
// dword, and a stream that opens with a comment, are never sniffed.
TEST_F(AtomText, SniffingPicksTheFormatFromTheText) {
    const char* const cases[] = {"number: \"hi\" > => string",  "number:\"a\\\">\" > => string",
                                 "number:\"1-2\" 3> => number", "number:\"a> => number",
                                 "number:;8-0> => global_id",   "string:  1Fx> => raw",
                                 "string:123-2> => global_id",  "string:1234-2> => string",
                                 "string:12 \t> => number",     "string:12a> => string",
                                 "token:\"hi\", 1> => token",   "multi:\"hi\"> => multi",
                                 "byte:\"hi\"> => byte",        "word:1-2> => word",
                                 "dword:12> => dword",          "stream:\n ;8-0 c\n> => stream"};
    for (const std::string c : cases) {
        size_t colon = c.find(':'), arrow = c.find(" => ");
        ZTokenReader tokens(c.c_str() + colon + 1, arrow - colon - 1, false);
        EXPECT_EQ(SniffFormat(tokens, Format(c.substr(0, colon))), Format(c.substr(arrow + 4)))
            << c;
    }
}

using RoundTrip = AtomText;

// Random arguments for random atoms of class 2 and unknown atoms (no large-atom pieces, 0/4
// to 0/6, and no comments, 51/36), each atom kept when its text alone assembles: the text of
// the whole stream assembles, and is stable after one pass.
TEST_F(RoundTrip, AnyAssemblableTextIsStableAfterOnePass) {
    ASSERT_EQ(LoadAtomTableFile(KEL_DEFAULT_TABLE, table), 0);
    std::vector<std::pair<uint16_t, uint16_t>> atoms;
    for (const auto& cls : table->classes)
        for (const auto& protocol : cls->protocols)
            for (const auto& atom : protocol->atoms)
                if (cls->number == 2) atoms.push_back({protocol->number, atom->number});
    std::mt19937 rng(1);
    for (int round = 0; round < 1000; ++round) {
        StreamBuilder stream;
        for (int i = 0; i < 40; ++i) {
            auto [protocol, atom] = atoms[rng() % atoms.size()];
            if (rng() % 20 == 0) protocol = uint16_t(rng() % 128), atom = uint16_t(rng() % 256);
            if (protocol == 0 ? atom >= 4 && atom <= 6 : protocol == 51 && atom == 36) continue;
            Bytes8 argument(rng() % 8);
            for (uint8_t& byte : argument)
                byte = uint8_t(rng());
            Bytes8 one = StreamBuilder().Atom(protocol, atom, argument).bytes;
            if (Asm(Show(one)).find("error") == std::string::npos)
                stream.bytes.insert(stream.bytes.end(), one.begin(), one.end());
        }
        std::string first = Asm(Show(stream.bytes));
        ASSERT_EQ(first.find("error"), std::string::npos) << Show(stream.bytes);
        std::string again = Show(Unhex(first));
        ASSERT_EQ(Asm(again), first) << round << "\n" << again;
    }
}

} // namespace
