// Runs the built tool's `create` and `add` on XML sources written by the test, and pins the
// stored records, the messages and the exit status.

#include "ToolRunFixture.h"

namespace {

class CompileTest : public TToolRunTest {
protected:
    // Writes `body` after an XML declaration into the source file `name`.
    void Source(const std::string& name, const std::string& body) const {
        WriteFile(name, "<?xml version=\"1.0\"?>\n" + body);
    }
    // A source of one record list around `records`, compiled into a new db.db.
    TProcessResult Compile(const std::string& records, const std::string& option = "") {
        Source("s.xml", "<record_list>" + records + "</record_list>");
        return option.empty() ? Tool({"create", "db.db", "s.xml"})
                              : Tool({"create", "db.db", option, "s.xml"});
    }
    TRecordSpec Record(uint32_t id) const { return ReadRecord("db.db", id); }
    // The test directory as the tool names it: a full path with a trailing '/'.
    std::string Dir() const { return std::filesystem::path(fDir.Path()).lexically_normal(); }
};

std::string Bytes(std::initializer_list<uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

// Only the exact value "true" sets a flag; a record whose id exists replaces it (after a
// problem that names it in VEK notation); a record without data is stored empty.
TEST_F(CompileTest, StoresRecordsWithTheirTypesFlagsAndData) {
    TProcessResult run = Compile(
        "<record id=\"1-1\" type=\"text\"><string>abc</string></record>"
        "<record id=\"5\" type=\"binary\" compressed=\"TRUE\" permanent=\"true\">"
        "<string>\\20xa\\tb\\5Cx</string><hex_data>0 1 f\nf</hex_data><ignore>x</ignore>"
        "<keyed_table><entry key=\"a\" value=\"x\"/><ignore/><entry value=\"y\" key=\"bb\"/>"
        "</keyed_table></record>"
        "<record id=\"6\" type=\"picture\" compressed=\"true\" encrypted=\"true\">"
        "<keyed_table></keyed_table></record>"
        "<record id=\"1-5\" type=\"text\"><string>old</string></record>"
        "<record id=\"65541\" type=\"qdf\"></record>");
    EXPECT_EQ(run.err, "ERROR: encountered a record that already exists 1-5\n"
                       "ERROR: record is zero length \"65541\"\n"
                       "5 records were decoded\n");
    EXPECT_EQ(run.exitCode, 0); // problems only
    EXPECT_EQ(Record(0x00010001), (TRecordSpec{0x00010001, 't', "abc", 0}));
    EXPECT_EQ(Record(5), (TRecordSpec{5, 'b',
                                      Bytes({0x20, 'a', 9, 'b', '\\', 0x01, 0xFF, 4, 0, 'a', 0, 'x',
                                             0, 'b', 'b', 0, 'y', 0}),
                                      0x4}));
    EXPECT_EQ(Record(6), (TRecordSpec{6, 'p', Bytes({0, 0}), 0x3}));
    EXPECT_EQ(Record(0x10005), (TRecordSpec{0x10005, 'a', "", 0}));
}

TEST_F(CompileTest, FailuresStopTheFileWithTheirCodes) {
    const struct {
        const char* records;
        const char* problems;
        int code;
    } cases[] = {
        {"<record id=\"1\" type=\"text\"/>", "record node was empty", 3},
        {"<record id=\"1\" type=\"none\"></record>", "record node had unknown type \"none\"", 4},
        {"<record type=\"text\"></record>", "record node missing id attribute", 5},
        {"<record id=\"1\"></record>", "record node missing type attribute", 6},
        {"<record id=\"1\" type=\"binary\"><hex_data>abc</hex_data></record>"
         "<record id=\"2\" type=\"text\"><string>x</string></record>",
         "decoding hex data had an odd number of hex characters", 8},
        {"<record id=\"1\" type=\"binary\"><hex_data>0g</hex_data></record>",
         "found invalid characters decoding hex data", 8},
        {"<record id=\"1\" type=\"list\"><keyed_table><entry value=\"v\"/></keyed_table></record>",
         "table entry is missing it's key attribute", 9},
        {"<record id=\"1\" type=\"list\"><keyed_table><entry key=\"k\" x=\"1\"></entry>"
         "</keyed_table></record>",
         "table node has data\nERROR: table entry has unknown attribute \"x\"\n"
         "ERROR: table entry is missing it's value attribute",
         10},
        {"<record id=\"1\" type=\"text\"><string>\\q</string></record>", nullptr, 1},
        {"<record id=\"1\" type=\"text\"><string/></record>", "found an empty node for a data node",
         1},
        {"<record id=\"1\" type=\"text\"><ignore/></record>", "found an empty node for a data node",
         1},
        {"<include_file/>", nullptr, 1},
    };
    for (const auto& c : cases) {
        TProcessResult run = Compile(c.records);
        EXPECT_EQ(run.err, (c.problems ? "ERROR: " + std::string(c.problems) + "\n" : "") +
                               "ERROR: error decoding the XML tree for 's.xml' (error " +
                               std::to_string(c.code) + ")\nno records were decoded\n")
            << c.records;
        EXPECT_EQ(run.exitCode, -1) << c.records;
    }
    // A document that is only an empty record_list has no data to test.
    Source("s.xml", "<record_list/>");
    ExpectRun({"create", "db.db", "s.xml"}, "",
              "ERROR: error decoding the XML tree for 's.xml' (error 1)\nno records were decoded\n",
              -1);
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
    ExpectRun({"create", "db.db", "s.xml"}, "",
              "ERROR: unknown node \"table\"\nno records were decoded\n", 0);
}

// A second file that fails to parse stops the run: no flush, no summary, no dependency file.
// A run that stops leaves the old database exactly as it was, and nothing else behind.
TEST_F(CompileTest, ParseErrorsStopTheRunWithTheirOffset) {
    MakeDatabase("db.db", {{7, 't', "old"}});
    const std::string before = ReadFile("db.db");
    Source("s.xml", "<record_list><include_file>b.xml</include_file>"
                    "<record id=\"1\" type=\"text\"><string>x</string></record></record_list>");
    Source("b.xml", "<a></b>");
    ExpectRun({"create", "db.db", "s.xml", "deps.txt"}, "",
              "processing 'b.xml'\n"
              "ERROR: parsing of the file (b.xml) failed (error 6, file offset 28)\n",
              -1);
    EXPECT_EQ(ReadFile("db.db"), before);
    EXPECT_EQ(Files(), (std::vector<std::string>{"b.xml", "db.db", "db.ind", "s.xml"}));
    WriteFile("s.xml", "\xEF\xBB\xBF<?xml?>");
    ExpectRun({"create", "db.db", "s.xml"}, "",
              "ERROR: parsing of the file (s.xml) failed (error 3, file offset 0)\n", -1);
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
    ExpectRun({"create", "db.db", "src/main.xml", "deps.txt"}, "",
              "processing 'a.xml'\nprocessing 'a.xml'\n"
              "ERROR: encountered a record that already exists 0-1\n"
              "processing 'b.xml'\nprocessing 'b.xml'\n"
              "ERROR: encountered a record that already exists 0-2\n"
              "4 records were decoded\n",
              0);
    const std::string a = " \\\n\t" + Dir() + "src/sub/a.xml", b = " \\\n\t" + Dir() + "src/b.xml";
    EXPECT_EQ(ReadFile("deps.txt"), "src/main.xml :" + a + a + b + b + "\n\n");
}

TEST_F(CompileTest, MissingIncludesEndWithAnErrorAndNoDependencyFile) {
    Source("s.xml", "<record_list><include_file>gone.xml</include_file>"
                    "<record id=\"1\" type=\"text\"><string>x</string></record></record_list>");
    ExpectRun({"create", "db.db", "s.xml", "deps.txt"}, "",
              "ERROR: file doesn't exist: " + Dir() + "gone.xml\n1 record was decoded\n", -1);
    EXPECT_FALSE(Exists("deps.txt"));
    EXPECT_EQ(Record(1).data, "x"); // flushed all the same
}

// A file that includes itself, directly or not, is skipped with a problem (the list would
// otherwise grow without end).
TEST_F(CompileTest, IncludeCyclesAreSkipped) {
    Source("s.xml", "<record_list><include_file>a.xml</include_file>"
                    "<include_file>s.xml</include_file></record_list>");
    Source("a.xml", "<include_file>s.xml</include_file>");
    const std::string skipped = "ERROR: include cycle skipped: " + Dir() + "s.xml\n";
    ExpectRun({"create", "db.db", "s.xml"}, "",
              skipped + "processing 'a.xml'\n" + skipped + "no records were decoded\n", 0);
}

TEST_F(CompileTest, DependencyNamesWithBlanksAreQuoted) {
    Source("my main.xml", "<record_list><include_file>in cl.xml</include_file></record_list>");
    Source("in cl.xml", "<ignore/>");
    const std::string info = "processing 'in cl.xml'\nno records were decoded\n";
    ExpectRun({"create", "db.db", "my main.xml", "deps.txt"}, "", info, 0);
    EXPECT_EQ(ReadFile("deps.txt"), "\"my main.xml\" : \\\n\t\"" + Dir() + "in cl.xml\"\n\n");
    ExpectRun({"create", "db.db", "my main.xml", "no/such/dir/deps.txt"}, "",
              info + "ERROR: failed to open the deps file stream\n", -1);
}

// Whole-line comments are blanked unless -keepComments (or an abbreviation) is given; a ';'
// after other text is left to the library, whose error text is shown with the message.
TEST_F(CompileTest, AtomStreamsWithAndWithoutComments) {
    const std::string stream = "<record id=\"1\" type=\"qdf\"><atom_stream>\n   ; note\n"
                               "form_begin ; not a comment?\n</atom_stream></record>";
    // The parser drops the blanks before "; note": the text starts on that line.
    EXPECT_EQ(Compile(stream).err,
              "ERROR: KEL failed to compile the atom stream \"line 2: Missing Open Bracket\"\n"
              "ERROR: error decoding the XML tree for 's.xml' (error 12)\n"
              "no records were decoded\n");
    const std::string commented = "<record id=\"1\" type=\"qdf\"><atom_stream>\n   ; note\n"
                                  "form_begin\n</atom_stream></record>";
    Compile(commented);
    EXPECT_EQ(Record(1).data, Bytes({0x00, 0x01, 0x00}));
    Compile(commented, "-keep");
    EXPECT_EQ(Record(1).data,
              Bytes({0xE8, 0x13, 0x24, 0x05, ' ', 'n', 'o', 't', 'e', 0x00, 0x01, 0x00}));
}

TEST_F(CompileTest, AddExtendsADatabaseWhileCreateReplacesIt) {
    Compile("<record id=\"1\" type=\"text\"><string>a</string></record>");
    Source("more.xml", "<record id=\"2\" type=\"text\"><string>b</string></record>");
    ExpectRun({"add", "db.db", "more.xml", "ignored.txt"}, "", "1 record was decoded\n", 0);
    EXPECT_EQ(Record(1).data, "a");
    EXPECT_EQ(Record(2).data, "b");
    EXPECT_FALSE(Exists("ignored.txt"));
    ExpectRun({"create", "db.db", "more.xml"}, "", "1 record was decoded\n", 0);
    EXPECT_EQ(Record(1).type, 0xFF);
    EXPECT_EQ(Record(2).data, "b");
}
