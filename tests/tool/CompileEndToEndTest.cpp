// Runs the built tool's `create` and `add` on XML sources written by the test, and pins the
// stored records, the messages and the exit status.

#include "ToolRunFixture.h"

namespace {

const char kDeclaration[] = "<?xml version=\"1.0\"?>\n";

class CompileTest : public TToolRunTest {
protected:
    // Writes `body` after an XML declaration into the source file `name`.
    void Source(const std::string& name, const std::string& body) const {
        WriteFile(name, kDeclaration + body);
    }
    // A source of one record list around `records`, compiled into a new db.db.
    TProcessResult Compile(const std::string& records, std::vector<std::string> options = {}) {
        Source("s.xml", "<record_list>" + records + "</record_list>");
        std::vector<std::string> arguments{"create", "db.db", "s.xml"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return Tool(arguments);
    }
    TRecordSpec Record(uint32_t id) const { return ReadRecord("db.db", id); }
    // The test directory as the tool names it: a full path without a trailing '/'.
    std::string Dir() const {
        std::string dir = std::filesystem::path(fDir.Path()).lexically_normal().string();
        while (dir.size() > 1 && dir.back() == '/')
            dir.pop_back();
        return dir;
    }
};

std::string Bytes(std::initializer_list<uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST_F(CompileTest, StoresATextRecord) {
    TProcessResult run = Compile("<record id=\"1-1\" type=\"text\"><string>abc</string></record>");
    EXPECT_EQ(run.err, "1 record was decoded\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(Record(0x00010001), (TRecordSpec{0x00010001, 't', "abc", 0}));
}

TEST_F(CompileTest, JoinsDataElementsWithTheirEncodings) {
    TProcessResult run = Compile(
        "<record id=\"5\" type=\"binary\"><string>\\20xa\\tb\\5Cx</string>"
        "<hex_data>0 1 f\nf</hex_data><ignore>x</ignore>"
        "<keyed_table><entry key=\"a\" value=\"x\"/><ignore/><entry value=\"y\" key=\"bb\"/>"
        "</keyed_table></record>"
        "<record id=\"6\" type=\"list\"><keyed_table></keyed_table></record>");
    EXPECT_EQ(run.err, "2 records were decoded\n");
    EXPECT_EQ(Record(5).data, Bytes({0x20, 'a', 9, 'b', '\\', 0x01, 0xFF, 4, 0, 'a', 0, 'x', 0, 'b',
                                     'b', 0, 'y', 0}));
    EXPECT_EQ(Record(6).data, Bytes({0, 0}));
}

TEST_F(CompileTest, FlagsNeedTheExactValueTrue) {
    Compile("<record id=\"1\" type=\"text\" compressed=\"TRUE\" permanent=\"true\"><string>x"
            "</string></record><record id=\"2\" type=\"picture\" compressed=\"true\" "
            "encrypted=\"true\"><string>y</string></record>");
    EXPECT_EQ(Record(1).flags, 0x4u);
    EXPECT_EQ(Record(2).flags, 0x3u);
    EXPECT_EQ(Record(2).type, 'p');
}

TEST_F(CompileTest, ReplacesRecordsAndStoresEmptyOnes) {
    TProcessResult run = Compile("<record id=\"1-5\" type=\"text\"><string>old</string></record>"
                                 "<record id=\"65541\" type=\"qdf\"></record>");
    EXPECT_EQ(run.err, "ERROR: encountered a record that already exists 1-5\n"
                       "ERROR: record is zero length \"65541\"\n"
                       "2 records were decoded\n");
    EXPECT_EQ(run.exitCode, 0); // problems only
    EXPECT_EQ(Record(0x10005), (TRecordSpec{0x10005, 'a', "", 0}));
}

TEST_F(CompileTest, HexDataErrorsStopTheFile) {
    TProcessResult run = Compile("<record id=\"1\" type=\"binary\"><hex_data>abc</hex_data>"
                                 "</record><record id=\"2\" type=\"text\"><string>x</string>"
                                 "</record>");
    EXPECT_EQ(run.err, "ERROR: decoding hex data had an odd number of hex characters\n"
                       "ERROR: error decoding the XML tree for 's.xml' (error 8)\n"
                       "no records were decoded\n");
    EXPECT_EQ(run.exitCode, -1);
    run = Compile("<record id=\"1\" type=\"binary\"><hex_data>0g</hex_data></record>");
    EXPECT_EQ(run.err, "ERROR: found invalid characters decoding hex data\n"
                       "ERROR: error decoding the XML tree for 's.xml' (error 8)\n"
                       "no records were decoded\n");
}

TEST_F(CompileTest, RecordErrorsCarryTheirCodes) {
    struct Case {
        const char* records;
        const char* messages;
    } cases[] = {
        {"<record id=\"1\" type=\"text\"/>", "ERROR: record node was empty\n"
                                             "ERROR: error decoding the XML tree for 's.xml' "
                                             "(error 3)\n"},
        {"<record type=\"text\"></record>", "ERROR: record node missing id attribute\n"
                                            "ERROR: error decoding the XML tree for 's.xml' "
                                            "(error 5)\n"},
        {"<record id=\"1\"></record>", "ERROR: record node missing type attribute\n"
                                       "ERROR: error decoding the XML tree for 's.xml' "
                                       "(error 6)\n"},
        {"<record id=\"1\" type=\"none\"></record>",
         "ERROR: record node had unknown type \"none\"\n"
         "ERROR: error decoding the XML tree for 's.xml' (error 4)\n"},
        {"<record id=\"1\" type=\"list\"><keyed_table><entry value=\"v\"/></keyed_table>"
         "</record>",
         "ERROR: table entry is missing it's key attribute\n"
         "ERROR: error decoding the XML tree for 's.xml' (error 9)\n"},
        {"<record id=\"1\" type=\"list\"><keyed_table><entry key=\"k\" x=\"1\"></entry>"
         "</keyed_table></record>",
         "ERROR: table node has data\nERROR: table entry has unknown attribute \"x\"\n"
         "ERROR: table entry is missing it's value attribute\n"
         "ERROR: error decoding the XML tree for 's.xml' (error 10)\n"},
        {"<record id=\"1\" type=\"text\"><string>\\q</string></record>",
         "ERROR: error decoding the XML tree for 's.xml' (error 1)\n"},
        {"<record id=\"1\" type=\"text\"><string/></record>",
         "ERROR: found an empty node for a data node\n"
         "ERROR: error decoding the XML tree for 's.xml' (error 1)\n"},
        {"<record id=\"1\" type=\"text\"><ignore/></record>",
         "ERROR: found an empty node for a data node\n"
         "ERROR: error decoding the XML tree for 's.xml' (error 1)\n"},
        {"<include_file/>", "ERROR: error decoding the XML tree for 's.xml' (error 1)\n"},
    };
    for (const Case& c : cases) {
        TProcessResult run = Compile(c.records);
        EXPECT_EQ(run.err, std::string(c.messages) + "no records were decoded\n") << c.records;
        EXPECT_EQ(run.exitCode, -1) << c.records;
    }
    // A document that is only an empty record_list has no data to test.
    Source("s.xml", "<record_list/>");
    EXPECT_EQ(Tool({"create", "db.db", "s.xml"}).err,
              "ERROR: error decoding the XML tree for 's.xml' (error 1)\n"
              "no records were decoded\n");
}

TEST_F(CompileTest, ProblemsThatDoNotStopTheFile) {
    TProcessResult run =
        Compile("text<frob/><ignore/>"
                "<record id=\"1\" type=\"list\" owner=\"me\">"
                "<string a=\"1\">s<b/></string><blob>z</blob>"
                "<keyed_table>raw<entry key=\"k\" value=\"v\"/><row/></keyed_table></record>");
    EXPECT_EQ(run.err, "ERROR: record_list node has data\n"
                       "ERROR: unknown node \"frob\"\n"
                       "ERROR: unknown attribute found \"owner\"\n"
                       "ERROR: data node has attributes\n"
                       "ERROR: found kids on a node that shouldn't have kids\n"
                       "ERROR: found an unknown data node \"blob\"\n"
                       "ERROR: record node has raw data itself\n"
                       "ERROR: found an unknown node in a table \"row\"\n"
                       "1 record was decoded\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(Record(1).data, Bytes({'s', 2, 0, 'k', 0, 'v', 0}));
    Source("s.xml", "<table/>");
    EXPECT_EQ(Tool({"create", "db.db", "s.xml"}).err,
              "ERROR: unknown node \"table\"\nno records were decoded\n");
}

TEST_F(CompileTest, ParseErrorsStopTheRunWithTheirOffset) {
    Source("s.xml", "<record_list><include_file>b.xml</include_file>"
                    "<record id=\"1\" type=\"text\"><string>x</string></record></record_list>");
    Source("b.xml", "<a></b>");
    TProcessResult run = Tool({"create", "db.db", "s.xml", "deps.txt"});
    EXPECT_EQ(run.err, "processing 'b.xml'\n"
                       "ERROR: parsing of the file (b.xml) failed (error 6, file offset 28)\n");
    EXPECT_EQ(run.exitCode, -1);
    // Nothing was flushed: the record of the first file is lost, and no deps file is written.
    EXPECT_EQ(Record(1).type, 0xFF);
    EXPECT_FALSE(std::filesystem::exists(PathOf("deps.txt")));
    WriteFile("s.xml", "\xEF\xBB\xBF<?xml?>");
    EXPECT_EQ(Tool({"create", "db.db", "s.xml"}).err,
              "ERROR: parsing of the file (s.xml) failed (error 3, file offset 0)\n");
}

TEST_F(CompileTest, IncludedFilesAreTakenFromTheSourceDirectory) {
    std::filesystem::create_directories(PathOf("src/sub"));
    Source("src/main.xml", "<record_list><include_file>sub/a.xml</include_file>"
                           "<include_file>sub/a.xml</include_file></record_list>");
    // a.xml names b.xml relative to src/, not to src/sub/.
    Source("src/sub/a.xml", "<record_list><include_file>b.xml</include_file>"
                            "<record id=\"1\" type=\"text\"><string>a</string></record>"
                            "</record_list>");
    Source("src/b.xml", "<record id=\"2\" type=\"text\"><string>b</string></record>");
    TProcessResult run = Tool({"create", "db.db", "src/main.xml", "deps.txt"});
    EXPECT_EQ(run.err, "processing 'a.xml'\nprocessing 'a.xml'\n"
                       "ERROR: encountered a record that already exists 0-1\n"
                       "processing 'b.xml'\nprocessing 'b.xml'\n"
                       "ERROR: encountered a record that already exists 0-2\n"
                       "4 records were decoded\n");
    EXPECT_EQ(run.exitCode, 0);
    const std::string src = Dir() + "/src/";
    EXPECT_EQ(ReadFile("deps.txt"), "src/main.xml : \\\n\t" + src + "sub/a.xml \\\n\t" + src +
                                        "sub/a.xml \\\n\t" + src + "b.xml \\\n\t" + src +
                                        "b.xml\n\n");
}

TEST_F(CompileTest, MissingIncludesEndWithAnErrorAndNoDependencyFile) {
    Source("s.xml", "<record_list><include_file>gone.xml</include_file>"
                    "<record id=\"1\" type=\"text\"><string>x</string></record></record_list>");
    TProcessResult run = Tool({"create", "db.db", "s.xml", "deps.txt"});
    const std::string dir = Dir();
    EXPECT_EQ(run.err, "ERROR: file doesn't exist: " + dir + "/gone.xml\n1 record was decoded\n");
    EXPECT_EQ(run.exitCode, -1);
    EXPECT_FALSE(std::filesystem::exists(PathOf("deps.txt")));
    EXPECT_EQ(Record(1).data, "x"); // flushed all the same
}

TEST_F(CompileTest, IncludeCyclesAreSkipped) {
    Source("s.xml", "<record_list><include_file>a.xml</include_file>"
                    "<include_file>s.xml</include_file></record_list>");
    Source("a.xml", "<include_file>s.xml</include_file>");
    TProcessResult run = Tool({"create", "db.db", "s.xml"});
    const std::string dir = Dir();
    EXPECT_EQ(run.err, "ERROR: include cycle skipped: " + dir +
                           "/s.xml\n"
                           "processing 'a.xml'\n"
                           "ERROR: include cycle skipped: " +
                           dir +
                           "/s.xml\n"
                           "no records were decoded\n");
    EXPECT_EQ(run.exitCode, 0);
}

TEST_F(CompileTest, DependencyNamesWithBlanksAreQuoted) {
    Source("my main.xml", "<record_list><include_file>in cl.xml</include_file></record_list>");
    Source("in cl.xml", "<ignore/>");
    EXPECT_EQ(Tool({"create", "db.db", "my main.xml", "deps.txt"}).exitCode, 0);
    const std::string dir = Dir();
    EXPECT_EQ(ReadFile("deps.txt"), "\"my main.xml\" : \\\n\t\"" + dir + "/in cl.xml\"\n\n");
    EXPECT_EQ(Tool({"create", "db.db", "my main.xml", "no/such/dir/deps.txt"}).err,
              "processing 'in cl.xml'\nno records were decoded\n"
              "ERROR: failed to open the deps file stream\n");
}

TEST_F(CompileTest, AtomStreamsWithAndWithoutComments) {
    const std::string stream = "<record id=\"1\" type=\"qdf\"><atom_stream>\n   ; note\n"
                               "form_begin ; not a comment?\n</atom_stream></record>";
    TProcessResult run = Compile(stream);
    // The parser drops the blanks before "; note": the text starts on that line.
    EXPECT_EQ(run.err, "ERROR: KEL failed to compile the atom stream \"line 2: Missing Open "
                       "Bracket\"\nERROR: error decoding the XML tree for 's.xml' (error 12)\n"
                       "no records were decoded\n");
    Compile("<record id=\"1\" type=\"qdf\"><atom_stream>\n   ; note\nform_begin\n"
            "</atom_stream></record>");
    EXPECT_EQ(Record(1).data, Bytes({0x00, 0x01, 0x00}));
    Compile("<record id=\"1\" type=\"qdf\"><atom_stream>\n   ; note\nform_begin\n"
            "</atom_stream></record>",
            {"-keep"});
    EXPECT_EQ(Record(1).data,
              Bytes({0xE8, 0x13, 0x24, 0x05, ' ', 'n', 'o', 't', 'e', 0x00, 0x01, 0x00}));
}

TEST_F(CompileTest, AddCompilesIntoAnExistingDatabase) {
    Compile("<record id=\"1\" type=\"text\"><string>a</string></record>");
    Source("more.xml", "<record id=\"2\" type=\"text\"><string>b</string></record>");
    TProcessResult run = Tool({"add", "db.db", "more.xml", "ignored.txt"});
    EXPECT_EQ(run.err, "1 record was decoded\n");
    EXPECT_EQ(Record(1).data, "a");
    EXPECT_EQ(Record(2).data, "b");
    EXPECT_FALSE(std::filesystem::exists(PathOf("ignored.txt")));
    ExpectRun({"add", "db.db"}, "", "ERROR: no source file to compile was specified\n", -1);
    ExpectRun({"add", "none.db", "more.xml"}, "",
              "ERROR: 'none.db' is not a valid format database file\n", -1);
}

TEST_F(CompileTest, CreateReplacesTheWholeDatabase) {
    Compile("<record id=\"1\" type=\"text\"><string>a</string></record>");
    Compile("<record id=\"2\" type=\"text\"><string>b</string></record>");
    EXPECT_EQ(Record(1).type, 0xFF);
    EXPECT_EQ(Record(2).data, "b");
}
