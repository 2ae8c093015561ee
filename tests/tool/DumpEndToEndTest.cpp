// Runs the built tool's `dump` on databases made through the engine and pins the exact text; then
// checks that dumps compile back into the same records.

#include "ToolRunFixture.h"

#include <map>
#include <random>

namespace {

const char kHeader[] = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n\n"
                       "<?tarnwick formatversion=\"1.0\"?>\n\n<record_list>\n\n";

std::string Dumped(const std::string& records) {
    return kHeader + records + "</record_list>\n";
}

const std::string kTable = Bytes({4, 0, 'k', 0, 'v', 0, 'k', '2', 0, '2', 0});

} // namespace

using DumpTest = TToolRunTest;

// The flags as attributes; the records of every range in turn, each missing id an error.
TEST_F(DumpTest, WritesHeaderRecordsAndFooter) {
    MakeDatabase("d.db", {{0x01020003, 't', "hi", 0x7}});
    const std::string record = "<record id=\"1-2-3\" type=\"text\" compressed=\"true\" "
                               "encrypted=\"true\" permanent=\"true\">\n  <string>hi</string>\n"
                               "</record>\n\n";
    ExpectRun({"dump", "d.db", "1-2-3,1-2-3:+1"}, Dumped(record + record),
              "ERROR: record 1-2-4 wasn't found\n", -1);
}

// One record per row, each dumped alone with the row's option: the body chosen for its type and
// data, and its exact layout.
TEST_F(DumpTest, BodiesByTypeDataAndOption) {
    const std::string ab =
        "  <hex_data>\n    41 42                            <!-- AB -->\n  </hex_data>\n";
    const std::string abPlain = "  <hex_data>\n    41 42 \n  </hex_data>\n";
    const struct {
        const char* type;
        std::string data;
        const char* option;
        std::string body;
    } rows[] = {
        {"text", "a<b", "", "  <string><![CDATA[a<b]]></string>\n"},
        {"text", "a]]>b<", "", "  <string>a]]&gt;b&lt;</string>\n"},
        {"text", std::string("  x\n\0a\\b", 8), "",
         "  <string>\\20x\\20xx\\n\\00xa\\5Cxb</string>\n"},
        {"text", kTable, "", "  <string>\\04x\\00xk\\00xv\\00xk2\\00x2\\00x</string>\n"},
        {"binary", "AB", "", ab},
        {"binary", "AB", "-skipasc", abPlain},
        {"qdf", "AB", "-b", abPlain},
        {"list", "0123456789<-", "",
         "  <hex_data>\n    30 31 32 33 34 35 36 37 38 39    <!-- 0123456789 -->\n"
         "    3C 2D                            <!-- .- -->\n  </hex_data>\n"},
        // No "--" inside the comment: a hyphen after a hyphen is shown as '.'.
        {"binary", "a---b", "",
         "  <hex_data>\n    61 2D 2D 2D 62                   <!-- a-..b -->\n  </hex_data>\n"},
        {"picture", std::string(21, 'x'), "",
         "  <hex_data>\n    78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 \n"
         "    78 \n  </hex_data>\n"},
        {"binary", kTable, "",
         "  <keyed_table>\n    <entry key=\"k\" value=\"v\"/>\n"
         "    <entry key=\"k2\" value=\"2\"/>\n  </keyed_table>\n"},
        {"list", Bytes({2, 0, ' ', '<', '"', 0, '\t', '\\', 'y', 'z', 0}), "",
         "  <keyed_table>\n    <entry key=\"\\20x&lt;\\&quot;\" value=\"\\t\\5Cxyz\"/>\n"
         "  </keyed_table>\n"},
        {"binary", kTable, "-notables",
         "  <hex_data>\n    04 00 6B 00 76 00 6B 32 00 32    <!-- ..k.v.k2.2 -->\n"
         "    00                               <!-- . -->\n  </hex_data>\n"},
        // A table is at least ten bytes long, and has no bytes after its last string.
        {"binary", Bytes({2, 0, 'k', 0, 'v', 'w', 'x', 'y', 0}), "",
         "  <hex_data>\n    02 00 6B 00 76 77 78 79 00       <!-- ..k.vwxy. -->\n  </hex_data>\n"},
        {"list", kTable + "x", "",
         "  <hex_data>\n    04 00 6B 00 76 00 6B 32 00 32    <!-- ..k.v.k2.2 -->\n"
         "    00 78                            <!-- .x -->\n  </hex_data>\n"},
        // form_begin, label <"Size">, form_end
        {"qdf", Bytes({0x00, 0x01, 0x00, 0x02, 0x01, 0x04, 'S', 'i', 'z', 'e', 0x00, 0x02, 0x00}),
         "",
         "  <atom_stream>\n    <![CDATA[\n      form_begin\n        label <\"Size\">\n"
         "      form_end\n    ]]>\n  </atom_stream>\n"},
        {"qdf", Bytes({0x02, 0x01, 0x03, ']', ']', '>'}), "",
         "  <atom_stream>\n    <!-- string contains ']]>', so CDATA can't be used -->\n"
         "    label &lt;&quot;]]&gt;&quot;&gt;\n  </atom_stream>\n"},
        // A compact encoding does not come back from its text: it is kept as bytes.
        {"qdf", Bytes({0x21, 0x01}), "",
         "  <!-- KEL's text of the atom stream would not compile back to the same bytes -->\n"
         "  <hex_data>\n    21 01 \n  </hex_data>\n"},
        {"qdf", Bytes({0x00, 0x01, 0x05}), "",
         "  <!-- KEL failed to decode the atom stream -->\n"
         "  <hex_data>\n    00 01 05 \n  </hex_data>\n"},
    };
    const std::map<std::string, uint8_t> codes{
        {"picture", 'p'}, {"qdf", 'a'}, {"list", 'l'}, {"text", 't'}, {"binary", 'b'}};
    std::vector<TRecordSpec> records;
    for (const auto& row : rows)
        records.push_back({uint32_t(records.size() + 1), codes.at(row.type), row.data});
    MakeDatabase("d.db", records);
    for (const TRecordSpec& record : records) {
        const auto& row = rows[record.id - 1];
        const std::string id = "0-" + std::to_string(record.id);
        std::vector<std::string> arguments{"dump", "d.db", id};
        if (*row.option) arguments.push_back(row.option);
        ExpectRun(arguments,
                  Dumped("<record id=\"" + id + "\" type=\"" + row.type + "\">\n" + row.body +
                         "</record>\n\n"),
                  "", 0);
    }
}

// Databases of random records of every type, dumped, compiled back and compared; the second dump
// must equal the first byte for byte. One atom stream is longer than the binding's first 4096-byte
// buffers, both as bytes and as text, so that each way takes a second call.
TEST_F(DumpTest, DumpsCompileBackIntoTheSameRecords) {
    std::mt19937 random(20261206);
    const uint8_t types[] = {'p', 'a', 'l', 't', 'b'};
    std::string labels; // label <"aaaa...">, label <"bbbb...">, ...
    for (int i = 0; i < 600; ++i)
        labels += Bytes({0x02, 0x01, 20}) + std::string(20, char('a' + i % 26));
    std::vector<TRecordSpec> records = {{0xFFFFFF00, 'a', labels}};
    for (uint32_t i = 0; i < 200; ++i) {
        std::string data(random() % 40, '\0');
        for (char& byte : data)
            byte = char(random() % 4 == 0 ? random() % 8 : random());
        if (i % 7 == 0)
            data = Bytes({0x00, 0x01, 0x00, 0x02, 0x01, 0x02, 'h', 'i', 0x00, 0x02, 0x00});
        if (i % 11 == 0) data = kTable;
        records.push_back(
            {(uint32_t(random()) & ~0xFFu) | i, types[i % 5], data, uint32_t(random() % 8)});
    }
    MakeDatabase("a.db", records);
    for (const char* option : {"-all", "-binary", "-notables", "-skipasc"}) {
        SCOPED_TRACE(option);
        ExpectRun({"dump", "a.db", "-all", option, "a.xml"}, "", "", 0);
        EXPECT_TRUE(Tool({"create", "b.db", "a.xml"}).err.ends_with("201 records were decoded\n"));
        ExpectRun({"compare", "a.db", "b.db"}, "", "the databases contain the same data\n", 0);
        ExpectRun({"dump", "b.db", "-all", option, "b.xml"}, "", "", 0);
        EXPECT_EQ(ReadFile("a.xml"), ReadFile("b.xml"));
    }
    EXPECT_NE(ReadFile("a.xml").find("label <\"" + std::string(20, 'x') + "\">\n"),
              std::string::npos);
}
