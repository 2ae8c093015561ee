// Runs the built tool's `dump` on databases made through the engine and pins the exact text;
// then checks that dumps compile back into the same records.

#include "ToolRunFixture.h"

#include <random>

namespace {

const char kHeader[] = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n\n"
                       "<?tarnwick formatversion=\"1.0\"?>\n\n<record_list>\n\n";
const char kFooter[] = "</record_list>\n";
// A reference XML checker, when the machine has it.
const char kXmlLint[] = "/usr/bin/xmllint";

std::string Dumped(const std::string& records) {
    return kHeader + records + kFooter;
}

std::string Bytes(std::initializer_list<uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

class DumpTest : public TToolRunTest {
protected:
    // The dump of one record of `type` holding `data`, with `options`.
    std::string DumpOne(uint8_t type, const std::string& data,
                        std::vector<std::string> options = {}) {
        // A fresh database: replacing a record keeps its old type.
        std::filesystem::remove(PathOf("one.db"));
        std::filesystem::remove(PathOf("one.ind"));
        MakeDatabase("one.db", {{1, type, data}});
        std::vector<std::string> arguments{"dump", "one.db", "-all"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        TProcessResult run = Tool(arguments);
        EXPECT_EQ(run.err, "");
        return run.out;
    }
    // The body of that dump: the lines between the record's start and end tags.
    std::string BodyOf(uint8_t type, const std::string& data,
                       std::vector<std::string> options = {}) {
        std::string out = DumpOne(type, data, options);
        size_t start = out.find(">\n", out.find("<record id")) + 2;
        return out.substr(start, out.find("</record>\n") - start);
    }
};

} // namespace

TEST_F(DumpTest, WritesHeaderRecordsAndFooter) {
    MakeDatabase("d.db", {{0x01020003, 't', "hi", 0x7}, {5, 'b', "", 0}});
    ExpectRun({"dump", "d.db", "-all"},
              Dumped("<record id=\"1-2-3\" type=\"text\" compressed=\"true\" encrypted=\"true\" "
                     "permanent=\"true\">\n  <string>hi</string>\n</record>\n\n"
                     "<record id=\"0-5\" type=\"binary\">\n  <hex_data>\n  </hex_data>\n"
                     "</record>\n\n"),
              "", 0);
    ExpectRun({"dump", "d.db", "0-5,5:+1"},
              Dumped("<record id=\"0-5\" type=\"binary\">\n  <hex_data>\n  </hex_data>\n"
                     "</record>\n\n<record id=\"0-5\" type=\"binary\">\n  <hex_data>\n"
                     "  </hex_data>\n</record>\n\n"),
              "ERROR: record 0-6 wasn't found\n", -1);
    ExpectRun({"dump", "d.db"}, "", "ERROR: no id or range was given\n", -1);
    ExpectRun({"dump", "d.db", "abc"}, "", "ERROR: you didn't specify a valid range (abc)\n", -1);
}

TEST_F(DumpTest, TextRecordsUseEscapesAndCData) {
    EXPECT_EQ(BodyOf('t', "a<b"), "  <string><![CDATA[a<b]]></string>\n");
    EXPECT_EQ(BodyOf('t', "a]]>b<"), "  <string>a]]&gt;b&lt;</string>\n");
    EXPECT_EQ(BodyOf('t', "  x"), "  <string>\\20x\\20xx</string>\n");
    EXPECT_EQ(BodyOf('t', "\n"), "  <string>\\n</string>\n");
    EXPECT_EQ(BodyOf('t', std::string("\0", 1)), "  <string>\\00x</string>\n");
    EXPECT_EQ(BodyOf('t', "a\\b"), "  <string>a\\5Cxb</string>\n");
    EXPECT_EQ(BodyOf('t', "say \"x\""), "  <string><![CDATA[say \\\"x\\\"]]></string>\n");
    EXPECT_EQ(BodyOf('t', ""), "  <string></string>\n");
}

TEST_F(DumpTest, HexDataLayout) {
    EXPECT_EQ(BodyOf('b', "AB"), "  <hex_data>\n    41 42 " + std::string(24, ' ') +
                                     "   <!-- AB -->\n  </hex_data>\n");
    EXPECT_EQ(BodyOf('b', "AB", {"-skipasc"}), "  <hex_data>\n    41 42 \n  </hex_data>\n");
    std::string twelve = "0123456789<-";
    EXPECT_EQ(BodyOf('l', twelve), "  <hex_data>\n    30 31 32 33 34 35 36 37 38 39    <!-- "
                                   "0123456789 -->\n    3C 2D " +
                                       std::string(24, ' ') + "   <!-- .- -->\n  </hex_data>\n");
    // No "--" inside the comment: a hyphen after a hyphen is shown as '.'.
    EXPECT_EQ(BodyOf('b', "a---b"), "  <hex_data>\n    61 2D 2D 2D 62 " + std::string(15, ' ') +
                                        "   <!-- a-..b -->\n  </hex_data>\n");
    std::string twenty(21, 'x');
    EXPECT_EQ(
        BodyOf('p', twenty), "  <hex_data>\n    " + [] {
            std::string line;
            for (int i = 0; i < 20; ++i)
                line += "78 ";
            return line;
        }() + "\n    78 \n  </hex_data>\n");
}

TEST_F(DumpTest, KeyedTables) {
    const std::string table = Bytes({4, 0, 'k', 0, 'v', 0, 'k', '2', 0, '2', 0});
    EXPECT_EQ(BodyOf('b', table), "  <keyed_table>\n    <entry key=\"k\" value=\"v\"/>\n"
                                  "    <entry key=\"k2\" value=\"2\"/>\n  </keyed_table>\n");
    EXPECT_EQ(BodyOf('b', table, {"-notables"}).substr(0, 16), "  <hex_data>\n   ");
    EXPECT_EQ(BodyOf('t', table).substr(0, 10), "  <string>");
    // Nine bytes are never a table, nor a table with bytes after its last string.
    EXPECT_EQ(BodyOf('b', Bytes({2, 0, 'k', 0, 'v', 0, 0, 0, 0})).substr(0, 12), "  <hex_data>");
    EXPECT_EQ(BodyOf('l', table + "x").substr(0, 12), "  <hex_data>");
    const std::string escaped = Bytes({2, 0, ' ', '<', '"', 0, '\t', '\\', 0, 0, 0, 0});
    EXPECT_EQ(BodyOf('l', escaped.substr(0, 9) + Bytes({'x', 'y', 0})).substr(0, 12),
              "  <hex_data>");
    EXPECT_EQ(BodyOf('l', Bytes({2, 0, ' ', '<', '"', 0, '\t', '\\', 'y', 'z', 0})),
              "  <keyed_table>\n    <entry key=\"\\20x&lt;\\&quot;\" value=\"\\t\\5Cxyz\"/>\n"
              "  </keyed_table>\n");
}

TEST_F(DumpTest, PicturesAndBinaryQdfHaveNoCharacterColumn) {
    EXPECT_EQ(BodyOf('p', "AB"), "  <hex_data>\n    41 42 \n  </hex_data>\n");
    EXPECT_EQ(BodyOf('a', "AB", {"-b"}), "  <hex_data>\n    41 42 \n  </hex_data>\n");
    EXPECT_EQ(BodyOf('t', "AB", {"-BINARY"}), "  <hex_data>\n    41 42 " + std::string(24, ' ') +
                                                  "   <!-- AB -->\n  </hex_data>\n");
}

TEST_F(DumpTest, AtomStreamsAsText) {
    // form_begin, label <"Size">, form_end
    const std::string stream =
        Bytes({0x00, 0x01, 0x00, 0x02, 0x01, 0x04, 'S', 'i', 'z', 'e', 0x00, 0x02, 0x00});
    EXPECT_EQ(BodyOf('a', stream), "  <atom_stream>\n    <![CDATA[\n      form_begin\n"
                                   "        label <\"Size\">\n      form_end\n    ]]>\n"
                                   "  </atom_stream>\n");
    const std::string markup = Bytes({0x02, 0x01, 0x03, ']', ']', '>'});
    EXPECT_EQ(BodyOf('a', markup),
              "  <atom_stream>\n    <!-- string contains ']]>', so CDATA can't be used -->\n"
              "    label &lt;&quot;]]&gt;&quot;&gt;\n  </atom_stream>\n");
    // A compact encoding does not come back from its text: it is kept as bytes.
    EXPECT_EQ(BodyOf('a', Bytes({0x21, 0x01})),
              "  <!-- KEL's text of the atom stream would not compile back to the same bytes "
              "-->\n  <hex_data>\n    21 01 \n  </hex_data>\n");
    EXPECT_EQ(BodyOf('a', Bytes({0x00, 0x01, 0x05})),
              "  <!-- KEL failed to decode the atom stream -->\n"
              "  <hex_data>\n    00 01 05 \n  </hex_data>\n");
}

// Texts and streams larger than the binding's first 4096-byte buffers take a second call.
TEST_F(DumpTest, LongAtomStreamsGoThroughGrownBuffers) {
    std::string text = "<?xml?><record id=\"1\" type=\"qdf\"><atom_stream><![CDATA[";
    for (int i = 0; i < 600; ++i)
        text += "label <\"" + std::string(20, char('a' + i % 26)) + "\">\n";
    WriteFile("long.xml", text + "]]></atom_stream></record>");
    ExpectRun({"create", "long.db", "long.xml"}, "", "1 record was decoded\n", 0);
    EXPECT_EQ(ReadRecord("long.db", 1).data.size(), 600u * 23);
    ExpectRun({"dump", "long.db", "-all", "long-dump.xml"}, "", "", 0);
    EXPECT_EQ(ReadFile("long-dump.xml").find("<hex_data>"), std::string::npos);
    ExpectRun({"create", "again.db", "long-dump.xml"}, "", "1 record was decoded\n", 0);
    ExpectRun({"compare", "long.db", "again.db"}, "", "the databases contain the same data\n", 0);
}

TEST_F(DumpTest, OutputFiles) {
    MakeDatabase("d.db", {{1, 't', "x"}});
    ExpectRun({"dump", "d.db", "-all", "out.xml"}, "", "", 0);
    EXPECT_EQ(ReadFile("out.xml"),
              Dumped("<record id=\"0-1\" type=\"text\">\n  <string>x</string>\n</record>\n\n"));
    ExpectRun({"dump", "d.db", "-all", "no/dir/out.xml"}, "",
              "ERROR: failed to open the output file (no/dir/out.xml)\n", -1);
    // Writing over the database (or its index) would destroy it: refused.
    ExpectRun({"dump", "d.db", "-all", "./d.db"}, "",
              "ERROR: failed to open the output file (./d.db)\n", -1);
    ExpectRun({"list", "d.db", "d.ind"}, "", "ERROR: failed to open the output file (d.ind)\n", -1);
    EXPECT_EQ(ReadRecord("d.db", 1).data, "x");
}

TEST_F(DumpTest, WithoutTheAtomTableAtomStreamsAreDumpedAsBytes) {
    // A copy of the tool beside the real library but without kel.bin next to it.
    const std::string bin = std::filesystem::path(ToolPath()).parent_path().string();
    std::filesystem::create_directories(PathOf("copy/bin"));
    std::filesystem::create_symlink(bin + "/../lib", PathOf("copy/lib"));
    std::filesystem::copy_file(ToolPath(), PathOf("copy/bin/tarnwick"));
    MakeDatabase("d.db", {{1, 'a', Bytes({0x00, 0x01, 0x00})}});
    TProcessResult run =
        RunProcess(PathOf("copy/bin/tarnwick"), {"dump", "d.db", "1"}, fDir.Path());
    EXPECT_EQ(run.err, "ERROR: KEL didn't initialize, QDF will be dumped as binary data\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, Dumped("<record id=\"0-1\" type=\"qdf\">\n"
                              "  <!-- KEL didn't initialze, check the atom file -->\n"
                              "  <hex_data>\n    00 01 00 \n  </hex_data>\n</record>\n\n"));
    WriteFile("s.xml", "<?xml?><record id=\"2\" type=\"text\"><string>y</string></record>");
    run = RunProcess(PathOf("copy/bin/tarnwick"), {"create", "n.db", "s.xml"}, fDir.Path());
    EXPECT_EQ(run.err, "ERROR: KEL didn't initialize\n");
    EXPECT_EQ(ReadRecord("n.db", 2).type, 0xFF);
}

// Databases of random records of every type, dumped, compiled back and compared; the second
// dump must equal the first byte for byte.
TEST_F(DumpTest, DumpsCompileBackIntoTheSameRecords) {
    std::mt19937 random(20261206);
    const uint8_t types[] = {'p', 'a', 'l', 't', 'b'};
    const std::string valid =
        Bytes({0x00, 0x01, 0x00, 0x02, 0x01, 0x02, 'h', 'i', 0x00, 0x02, 0x00});
    std::vector<TRecordSpec> records;
    for (uint32_t i = 0; i < 200; ++i) {
        std::string data(random() % 40, '\0');
        for (char& byte : data)
            byte = char(random() % 4 == 0 ? random() % 8 : random());
        if (i % 7 == 0) data = valid;
        if (i % 11 == 0) data = Bytes({4, 0, 'k', 0, 'v', 0, 'k', '2', 0, '2', 0});
        records.push_back(
            {(uint32_t(random()) & ~0xFFu) | i, types[i % 5], data, uint32_t(random() % 8)});
    }
    MakeDatabase("a.db", records);
    for (std::vector<std::string> options :
         {std::vector<std::string>{}, {"-binary"}, {"-notables"}, {"-skipasc"}}) {
        std::vector<std::string> dump{"dump", "a.db", "-all", "a.xml"};
        dump.insert(dump.end(), options.begin(), options.end());
        ASSERT_EQ(Tool(dump).exitCode, 0);
        TProcessResult create = Tool({"create", "b.db", "a.xml"});
        EXPECT_TRUE(create.err.ends_with("200 records were decoded\n")) << create.err;
        EXPECT_EQ(create.exitCode, 0);
        ExpectRun({"compare", "a.db", "b.db"}, "", "the databases contain the same data\n", 0);
        dump[1] = "b.db";
        dump[3] = "b.xml";
        ASSERT_EQ(Tool(dump).exitCode, 0);
        EXPECT_EQ(ReadFile("a.xml"), ReadFile("b.xml"));
        if (std::filesystem::exists(kXmlLint)) {
            EXPECT_EQ(RunProcess(kXmlLint, {"--noout", PathOf("a.xml")}).exitCode, 0);
        }
    }
}
