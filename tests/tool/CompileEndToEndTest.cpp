// Runs the built tool's `create` and `add` on XML sources written by the test, and pins the stored
// records, the messages and the exit status.

#include "ToolRunFixture.h"

namespace {

class CompileTest : public TToolRunTest {
protected:
    // Writes `body` after an XML declaration into the source file `name`.
    void Source(const std::string& name, const std::string& body) const {
        WriteFile(name, "<?xml version=\"1.0\"?>\n" + body);
    }
    // A source of one record list around `records` (unless they are one), compiled into a new
    // db.db.
    TProcessResult Compile(const std::string& records) {
        const bool list = records.starts_with("<record_list");
        Source("s.xml", list ? records : "<record_list>" + records + "</record_list>");
        return Tool({"create", "db.db", "s.xml"});
    }
    TRecordSpec Record(uint32_t id) const { return ReadRecord("db.db", id); }
    // The test directory as the tool names it: a full path with a trailing '/'.
    std::string Dir() const { return std::filesystem::path(fDir.Path()).lexically_normal(); }
    // `text` with every "@" replaced by the place of line 2 of s.xml, where Compile puts the
    // records, as located lines start.
    std::string Placed(std::string text) const {
        const std::string place = Dir() + "s.xml:2: ";
        for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at))
            text.replace(at, 1, place);
        return text;
    }
};

} // namespace

// Only the exact value "true" sets a flag (another than "false" is a problem); a record whose id
// exists replaces it (after a problem that names it in VEK notation); a record without data is
// stored empty. Each problem is followed by its place: the file, the line and the id.
TEST_F(CompileTest, StoresRecordsWithTheirTypesFlagsAndData) {
    TProcessResult run = Compile(
        "<record id=\"5\" type=\"binary\" compressed=\"TRUE\" permanent=\"true\">"
        "<string>\\20xa\\tb\\5Cx</string><hex_data>0 1 f\nf</hex_data><ignore>x</ignore>"
        "<keyed_table><entry key=\"a\" value=\"x\"/><ignore/><entry value=\"y\" key=\"bb\"/>"
        "</keyed_table></record>"
        "<record id=\"6\" type=\"picture\" compressed=\"true\" encrypted=\"true\">"
        "<keyed_table></keyed_table></record>"
        "<record id=\"1-5\" type=\"text\"><string>old</string></record>"
        "<record id=\"65541\" type=\"qdf\"></record>");
    const std::string line3 = Dir() + "s.xml:3: record 65541: ";
    EXPECT_EQ(run.err,
              Placed("ERROR: flag value is neither true nor false \"compressed=TRUE\"\n"
                     "@record 5: flag value is neither true nor false \"compressed=TRUE\"\n") +
                  "ERROR: encountered a record that already exists 1-5\n" + line3 +
                  "encountered a record that already exists 1-5\n"
                  "ERROR: record is zero length \"65541\"\n" +
                  line3 + "record is zero length \"65541\"\n4 records were decoded\n");
    EXPECT_EQ(run.exitCode, 0); // problems only
    EXPECT_EQ(Record(5), (TRecordSpec{5, 'b',
                                      Bytes({0x20, 'a', 9, 'b', '\\', 0x01, 0xFF, 4, 0, 'a', 0, 'x',
                                             0, 'b', 'b', 0, 'y', 0}),
                                      0x4}));
    EXPECT_EQ(Record(6), (TRecordSpec{6, 'p', Bytes({0, 0}), 0x3}));
    EXPECT_EQ(Record(0x10005), (TRecordSpec{0x10005, 'a', "", 0}));
}

// A failure stops the file: its code, then its place. Without other words the place names the
// failure as record 1 and the problem reported before it.
TEST_F(CompileTest, FailuresStopTheFileWithTheirCodes) {
    const auto R = [](const char* type, const char* body) {
        return "<record id=\"1\" type=\"" + std::string(type) + "\">" + body + "</record>";
    };
    const struct {
        std::string records;
        int code;
        const char* problems; // "@" stands for the place of line 2
        const char* what = nullptr;
    } cases[] = {
        {"<record id=\"1\" type=\"text\"/>", 3, "record node was empty"},
        {R("none", ""), 4, "record node had unknown type \"none\""},
        {"<record type=\"text\"></record>", 5, "record node missing id attribute",
         "record node missing id attribute"},
        {R("binary", "<hex_data>abc</hex_data>") + R("text", "<string>x</string>"), 8,
         "decoding hex data had an odd number of hex characters"},
        {R("list", "<keyed_table><entry value=\"v\"/></keyed_table>"), 9,
         "table entry is missing it's key attribute"},
        {R("list", "<keyed_table><entry key=\"k\" x=\"1\"></entry></keyed_table>"), 10,
         "table node has data\n@record 1: table node has data\n"
         "ERROR: table entry has unknown attribute \"x\"\n"
         "@record 1: table entry has unknown attribute \"x\"\n"
         "ERROR: table entry is missing it's value attribute",
         "record 1: table entry is missing it's value attribute"},
        {R("text", "<string>\\q</string>"), 1, nullptr, "record 1: bad escape \"\\q\" in <string>"},
        {R("list", "<keyed_table><entry key=\"\\41xok\" value=\"\\4Gxa\"/></keyed_table>"), 1,
         nullptr, "record 1: bad escape \"\\4Gx\" in <entry>"},
        {R("text", "<string/>"), 1,
         "found an empty node for a data node\n@record 1: found an empty node for a data node",
         "record 1: <string/> has no data to read"},
        {"<include_file/>", 1, nullptr, "<include_file/> names no file"},
        {"<record_list/>", 1, nullptr, "<record_list/> holds no records"},
    };
    for (const auto& c : cases) {
        const std::string problems = c.problems ? c.problems : "";
        TProcessResult run = Compile(c.records);
        EXPECT_EQ(run.err, Placed((c.problems ? "ERROR: " + problems + "\n" : "") +
                                  "ERROR: error decoding the XML tree for 's.xml' (error " +
                                  std::to_string(c.code) + ")\n@" +
                                  (c.what ? c.what : "record 1: " + problems) +
                                  "\nno records were decoded\n"))
            << c.records;
        EXPECT_EQ(run.exitCode, -1) << c.records;
    }
}

// Every problem points at its line: one problem per line, after enough records to move the parser's
// window several times. A truncated file is compiled as far as it goes, with a warning at its end;
// -strict makes every problem an error, and a new database that had one does not replace the old.
TEST_F(CompileTest, ProblemsThatDoNotStopTheFile) {
    const struct {
        const char* line; // empty: the problem is the previous line's second
        const char* problem;
        const char* record; // the id in the place, or null
    } lines[] = {
        {"text", "record_list node has data", nullptr},
        {"<frob/>", "unknown node \"frob\"", nullptr},
        {"<record id=\"1\" type=\"list\" owner=\"me\">", "unknown attribute found \"owner\"", "1"},
        {"<string a=\"1\">s<b/></string>", "data node has attributes", "1"},
        {"", "found kids on a node that shouldn't have kids", "1"},
        {"<keyed_table>raw<entry key=\"k\" value=\"v\"/>", "record node has raw data itself", "1"},
        {"<row/></keyed_table></record>", "found an unknown node in a table \"row\"", "1"},
        {"<record id=\"1-2-3-4\" type=\"text\"><string>a</string></record>",
         "id attribute is not a record id \"1-2-3-4\"", "1-2-3-4"}};
    std::string source = "<record_list>\n", expected;
    constexpr int kPadding = 3000; // about 300 KB of records before the problems
    for (int i = 0; i < kPadding; ++i)
        source += "<record id=\"9-" + std::to_string(i) + "\" type=\"text\"><string>" +
                  std::string(60, 'p') + "</string></record>\n";
    int line = kPadding + 2;
    for (const auto& l : lines) {
        if (*l.line) source += l.line + std::string("\n");
        line += *l.line != 0;
        expected += "ERROR: " + std::string(l.problem) + "\n" + Dir() +
                    "s.xml:" + std::to_string(line) + ": " +
                    (l.record ? "record " + std::string(l.record) + ": " : "") + l.problem + "\n";
    }
    Source("s.xml", source + "</record_list>\n");
    ExpectRun({"create", "db.db", "s.xml"}, "",
              expected + std::to_string(kPadding + 2) + " records were decoded\n", 0);
    EXPECT_EQ(Record(1).data, Bytes({'s', 2, 0, 'k', 0, 'v', 0}));
    EXPECT_EQ(Record(0x01020003).data, "a"); // "1-2-3-4" reads as 1-2-3

    Source("s.xml", "<table/>");
    ExpectRun(
        {"create", "db.db", "-STRICT", "s.xml"}, "",
        Placed("ERROR: unknown node \"table\"\n@unknown node \"table\"\nno records were decoded\n"),
        -1);
    EXPECT_EQ(Record(1).data, Bytes({'s', 2, 0, 'k', 0, 'v', 0})); // not replaced
    Source("s.xml", "<record_list>\n<record id=\"1\" type=\"text\"><string>ab</string>");
    ExpectRun({"create", "db.db", "s.xml"}, "",
              Dir() + "s.xml:3:47: warning: the file ends inside <record_list>, <record>\n"
                      "1 record was decoded\n",
              0);
    EXPECT_EQ(Record(1).data, "ab");
}

// Included files are taken from the source's directory, each time they are named, but a file that
// includes itself, directly or not, is skipped with a problem. The dependency file makes the
// database as typed depend on the source and on each included file once, each of those with an
// empty rule (so that make carries on when one is deleted); names with blanks are quoted. A missing
// include is an error, after which no dependency file is written.
TEST_F(CompileTest, IncludedFilesAndTheDependencyFile) {
    std::filesystem::create_directories(PathOf("src/sub"));
    Source("src/main.xml", "<record_list><include_file>sub/a b.xml</include_file>"
                           "<include_file>sub/a b.xml</include_file></record_list>");
    // "a b.xml" names b.xml relative to src/, not to src/sub/, and includes main.xml again.
    Source("src/sub/a b.xml", "<record_list><include_file>b.xml</include_file>"
                              "<record id=\"1\" type=\"text\"><string>a</string></record>"
                              "<include_file>main.xml</include_file></record_list>");
    Source("src/b.xml", "<record id=\"2\" type=\"text\"><string>b</string></record>");
    const std::string a = Dir() + "src/sub/a b.xml", b = Dir() + "src/b.xml";
    const std::string cycle = "include cycle skipped: " + Dir() + "src/main.xml";
    const auto exists = [](const std::string& at, int id) {
        const std::string text = "encountered a record that already exists 0-" + std::to_string(id);
        return "ERROR: " + text + "\n" + at + ":2: record " + std::to_string(id) + ": " + text +
               "\n";
    };
    const std::string compiled =
        "processing 'a b.xml'\nERROR: " + cycle + "\n" + a + ":2: " + cycle +
        "\nprocessing 'a b.xml'\n" + exists(a, 1) + "ERROR: " + cycle + "\n" + a + ":2: " + cycle +
        "\nprocessing 'b.xml'\nprocessing 'b.xml'\n" + exists(b, 2) + "4 records were decoded\n";
    ExpectRun({"create", "my db.db", "src/main.xml", "deps.txt"}, "", compiled, 0);
    EXPECT_EQ(ReadFile("deps.txt"), "\"my db.db\" : src/main.xml \\\n\t\"" + a + "\" \\\n\t" + b +
                                        "\n\n\"" + a + "\" :\n\n" + b + " :\n\n");
    // A dependency file named where a source of the run or a database is (a mistyped command
    // line) is refused, and they stay.
    const std::string kept = ReadFile("src/sub/a b.xml") + ReadFile("my db.db");
    for (const char* deps : {"src/sub/a b.xml", "my db.db"})
        ExpectRun({"create", "my db.db", "src/main.xml", deps}, "",
                  compiled + "ERROR: failed to open the deps file stream\n", -1);
    EXPECT_EQ(ReadFile("src/sub/a b.xml") + ReadFile("my db.db"), kept);
    Source("s.xml", "<record_list><include_file>gone.xml</include_file>"
                    "<record id=\"1\" type=\"text\"><string>x</string></record></record_list>");
    ExpectRun({"create", "db.db", "s.xml", "gone.txt"}, "",
              "ERROR: file doesn't exist: " + Dir() + "gone.xml\n1 record was decoded\n", -1);
    EXPECT_EQ(Record(1).data, "x"); // flushed all the same
    // A file that fails to parse stops the run: nothing flushed or installed, no summary, no
    // dependency file, nothing left behind; the failure is followed by its place (the line and
    // column of the offset) and what the parser expected or found.
    const std::string before = ReadFile("db.db") + ReadFile("db.ind");
    Source("gone.xml", "<a>\n\n  <b x=1/></a>");
    ExpectRun({"create", "db.db", "s.xml", "gone.txt"}, "",
              "processing 'gone.xml'\n"
              "ERROR: parsing of the file (gone.xml) failed (error 3, file offset 35)\n" +
                  Dir() + "gone.xml:4:9: error: expected a quoted value for the attribute \"x\"\n",
              -1);
    EXPECT_EQ(ReadFile("db.db") + ReadFile("db.ind"), before);
    EXPECT_EQ(fDir.Files().size(), 8u); // the databases, the sources, deps.txt and src/
}

// Whole-line comments, indented by blanks or tabs, are blanked unless -keepComments (or an
// abbreviation) is given; a ';' after other text is left to the library, whose error text is shown
// with the message and at the line it names.
TEST_F(CompileTest, AtomStreamsWithAndWithoutComments) {
    const std::string stream = "<record id=\"1\" type=\"qdf\"><atom_stream>\n   ; note\n"
                               "form_begin ; not a comment?\n</atom_stream></record>";
    // The parser drops the blanks before "; note": the text starts on that line. Its place is the
    // line in the file: the text's first line plus the library's line.
    EXPECT_EQ(Compile(stream).err,
              "ERROR: KEL failed to compile the atom stream \"line 2: Missing Open Bracket\"\n"
              "ERROR: error decoding the XML tree for 's.xml' (error 12)\n" +
                  Dir() +
                  "s.xml:4: record 1: KEL failed to compile the atom stream: Missing Open Bracket\n"
                  "no records were decoded\n");
    const std::string commented = "<record id=\"1\" type=\"qdf\"><atom_stream>\n   ; note\n"
                                  "form_begin\n \t; tabbed\n</atom_stream></record>";
    Compile(commented);
    EXPECT_EQ(Record(1).data, Bytes({0x00, 0x01, 0x00}));
    Tool({"create", "db.db", "-keep", "s.xml"});
    EXPECT_EQ(Record(1).data,
              Bytes({0xE8, 0x13, 0x24, 0x05, ' ', 'n', 'o', 't', 'e', 0x00, 0x01, 0x00,
                     0xE8, 0x13, 0x24, 0x07, ' ', 't', 'a', 'b', 'b', 'e',  'd'}));
}

// Add extends a database and create replaces it; a record that fails keeps the version stored
// before; a source read through a pipe is read to its end.
TEST_F(CompileTest, AddExtendsADatabaseWhileCreateReplacesIt) {
    Compile("<record id=\"1\" type=\"text\"><string>a</string></record>");
    Source("more.xml", "<record id=\"2\" type=\"text\"><string>b</string></record>");
    ExpectRun({"add", "db.db", "more.xml", "ignored.txt"}, "", "1 record was decoded\n", 0);
    EXPECT_FALSE(Exists("ignored.txt"));
    Source("bad.xml", "<record id=\"1\" type=\"text\"><string>\\c</string></record>");
    EXPECT_EQ(Tool({"add", "db.db", "bad.xml"}).exitCode, -1);
    EXPECT_EQ(Record(1).data + Record(2).data, "ab");
    const TProcessResult piped = RunProcess(
        "/bin/sh", {"-c", "sed s/b/c/ more.xml | " + ToolPath() + " add db.db /dev/stdin"},
        fDir.Path());
    EXPECT_EQ(piped.err, "ERROR: encountered a record that already exists 0-2\n"
                         "/dev/stdin:2: record 2: encountered a record that already exists 0-2\n"
                         "1 record was decoded\n");
    EXPECT_EQ(Record(2).data, "c");
    ExpectRun({"create", "db.db", "more.xml"}, "", "1 record was decoded\n", 0);
    EXPECT_EQ(Record(1).type, 0xFF);
    EXPECT_EQ(Record(2).data, "b");
}
