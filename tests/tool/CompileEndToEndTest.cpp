// Runs the built tool's `create` and `add` on XML sources written by the test, and pins the
// stored records, the messages and the exit status.

#include "ToolRunFixture.h"

#include <algorithm>
#include <chrono>

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
    // `text` with every "@" replaced by the place of line 2 of s.xml, where Compile puts the
    // records, as located lines start.
    std::string Placed(std::string text) const {
        const std::string place = Dir() + "s.xml:2: ";
        for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at))
            text.replace(at, 1, place);
        return text;
    }
};

std::string Bytes(std::initializer_list<uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

// Only the exact value "true" sets a flag (another than "false" is a problem); a record whose
// id exists replaces it (after a problem that names it in VEK notation); a record without
// data is stored empty. Each problem is followed by its place: the file, the line and the id.
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
    const std::string line3 = Dir() + "s.xml:3: record 65541: ";
    EXPECT_EQ(run.err,
              Placed("ERROR: flag value is neither true nor false \"compressed=TRUE\"\n"
                     "@record 5: flag value is neither true nor false \"compressed=TRUE\"\n") +
                  "ERROR: encountered a record that already exists 1-5\n" + line3 +
                  "encountered a record that already exists 1-5\n"
                  "ERROR: record is zero length \"65541\"\n" +
                  line3 + "record is zero length \"65541\"\n5 records were decoded\n");
    EXPECT_EQ(run.exitCode, 0); // problems only
    EXPECT_EQ(Record(0x00010001), (TRecordSpec{0x00010001, 't', "abc", 0}));
    EXPECT_EQ(Record(5), (TRecordSpec{5, 'b',
                                      Bytes({0x20, 'a', 9, 'b', '\\', 0x01, 0xFF, 4, 0, 'a', 0, 'x',
                                             0, 'b', 'b', 0, 'y', 0}),
                                      0x4}));
    EXPECT_EQ(Record(6), (TRecordSpec{6, 'p', Bytes({0, 0}), 0x3}));
    EXPECT_EQ(Record(0x10005), (TRecordSpec{0x10005, 'a', "", 0}));
}

// The place of a failure that stops the file follows the report of the failure.
TEST_F(CompileTest, FailuresStopTheFileWithTheirCodes) {
    const struct {
        const char* records;
        const char* problems; // "@" stands for the place of line 2
        int code;
        const char* what;
    } cases[] = {
        {"<record id=\"1\" type=\"text\"/>", "record node was empty", 3,
         "record 1: record node was empty"},
        {"<record id=\"1\" type=\"none\"></record>", "record node had unknown type \"none\"", 4,
         "record 1: record node had unknown type \"none\""},
        {"<record type=\"text\"></record>", "record node missing id attribute", 5,
         "record node missing id attribute"},
        {"<record id=\"1\"></record>", "record node missing type attribute", 6,
         "record 1: record node missing type attribute"},
        {"<record id=\"1\" type=\"binary\"><hex_data>abc</hex_data></record>"
         "<record id=\"2\" type=\"text\"><string>x</string></record>",
         "decoding hex data had an odd number of hex characters", 8,
         "record 1: decoding hex data had an odd number of hex characters"},
        {"<record id=\"1\" type=\"binary\"><hex_data>0g</hex_data></record>",
         "found invalid characters decoding hex data", 8,
         "record 1: found invalid characters decoding hex data"},
        {"<record id=\"1\" type=\"list\"><keyed_table><entry value=\"v\"/></keyed_table></record>",
         "table entry is missing it's key attribute", 9,
         "record 1: table entry is missing it's key attribute"},
        {"<record id=\"1\" type=\"list\"><keyed_table><entry key=\"k\" x=\"1\"></entry>"
         "</keyed_table></record>",
         "table node has data\n@record 1: table node has data\n"
         "ERROR: table entry has unknown attribute \"x\"\n"
         "@record 1: table entry has unknown attribute \"x\"\n"
         "ERROR: table entry is missing it's value attribute",
         10, "record 1: table entry is missing it's value attribute"},
        {"<record id=\"1\" type=\"text\"><string>\\q</string></record>", nullptr, 1,
         "record 1: bad escape \"\\q\" in <string>"},
        {"<record id=\"1\" type=\"list\"><keyed_table><entry key=\"\\41xok\" value=\"\\4Gxa\"/>"
         "</keyed_table></record>",
         nullptr, 1, "record 1: bad escape \"\\4Gx\" in <entry>"},
        {"<record id=\"1\" type=\"text\"><string/></record>",
         "found an empty node for a data node\n@record 1: found an empty node for a data node", 1,
         "record 1: <string/> has no data to read"},
        {"<record id=\"1\" type=\"text\"><ignore/></record>",
         "found an empty node for a data node\n@record 1: found an empty node for a data node", 1,
         "record 1: <ignore/> has no data to read"},
        {"<include_file/>", nullptr, 1, "<include_file/> names no file"},
    };
    for (const auto& c : cases) {
        TProcessResult run = Compile(c.records);
        EXPECT_EQ(run.err,
                  Placed((c.problems ? "ERROR: " + std::string(c.problems) + "\n" : "") +
                         "ERROR: error decoding the XML tree for 's.xml' (error " +
                         std::to_string(c.code) + ")\n@" + c.what + "\nno records were decoded\n"))
            << c.records;
        EXPECT_EQ(run.exitCode, -1) << c.records;
    }
    // A document that is only an empty record_list has no data to test.
    Source("s.xml", "<record_list/>");
    ExpectRun({"create", "db.db", "s.xml"}, "",
              Placed("ERROR: error decoding the XML tree for 's.xml' (error 1)\n"
                     "@<record_list/> holds no records\nno records were decoded\n"),
              -1);
}

// Every problem points at its line: one problem per line, after enough records to move the
// parser's window several times. A truncated file is compiled as far as it goes, with a
// warning at its end; -strict makes every problem an error.
TEST_F(CompileTest, ProblemsThatDoNotStopTheFile) {
    const struct {
        const char* line;
        const char* problem;
        const char* record; // the id in the place, or null
    } lines[] = {
        {"text", "record_list node has data", nullptr},
        {"<frob/>", "unknown node \"frob\"", nullptr},
        {"<record id=\"1\" type=\"list\" owner=\"me\">", "unknown attribute found \"owner\"", "1"},
        {"<string a=\"1\">s<b/></string>", "data node has attributes", "1"},
        {"", "found kids on a node that shouldn't have kids", "1"},
        {"<blob>z</blob>", "found an unknown data node \"blob\"", "1"},
        {"<keyed_table>raw<entry key=\"k\" value=\"v\"/>", "record node has raw data itself", "1"},
        {"<row/></keyed_table></record>", "found an unknown node in a table \"row\"", "1"},
        {"<record id=\"1-2-3-4\" type=\"text\" permanent=\"yes\"><string>a</string></record>",
         "id attribute is not a record id \"1-2-3-4\"", "1-2-3-4"},
        {"", "flag value is neither true nor false \"permanent=yes\"", "1-2-3-4"},
        {"<record id=\"8\" type=\"text\"><string></string></record>", "record is zero length \"8\"",
         "8"},
        {"<include_file>s.xml</include_file>", nullptr, nullptr}};
    std::string source = "<record_list>\n", expected;
    constexpr int kPadding = 3000; // about 300 KB of records before the problems
    for (int i = 0; i < kPadding; ++i)
        source += "<record id=\"9-" + std::to_string(i) + "\" type=\"text\"><string>" +
                  std::string(60, 'p') + "</string></record>\n";
    int line = kPadding + 3;
    for (const auto& l : lines) {
        source += l.line;
        if (l.line[0] != 0) source += "\n";
        std::string problem = l.problem ? l.problem : "include cycle skipped: " + Dir() + "s.xml";
        expected += "ERROR: " + problem + "\n" + Dir() +
                    "s.xml:" + std::to_string(line - (l.line[0] == 0)) + ": " +
                    (l.record ? "record " + std::string(l.record) + ": " : "") + problem + "\n";
        line += l.line[0] != 0;
    }
    Source("s.xml", source + "</record_list>\n");
    ExpectRun({"create", "db.db", "s.xml"}, "",
              expected + std::to_string(kPadding + 3) + " records were decoded\n", 0);
    EXPECT_EQ(Record(1).data, Bytes({'s', 2, 0, 'k', 0, 'v', 0}));
    EXPECT_EQ(Record(0x01020003).data, "a"); // "1-2-3-4" reads as 1-2-3

    const std::string unknown = "ERROR: unknown node \"table\"\n@unknown node \"table\"\n";
    Source("s.xml", "<table/>");
    ExpectRun({"create", "db.db", "-STRICT", "s.xml"}, "",
              Placed(unknown + "no records were decoded\n"), -1);
    EXPECT_EQ(Record(1).data, Bytes({'s', 2, 0, 'k', 0, 'v', 0})); // not replaced
    ExpectRun({"create", "db.db", "s.xml"}, "", Placed(unknown + "no records were decoded\n"), 0);
    Source("s.xml", "<record_list>\n<record id=\"1\" type=\"text\"><string>ab</string>");
    const auto truncated = [&](const char* kind) {
        return Dir() + "s.xml:3:47: " + kind +
               ": the file ends inside <record_list>, <record>\n1 record was decoded\n";
    };
    ExpectRun({"create", "db.db", "s.xml"}, "", truncated("warning"), 0);
    EXPECT_EQ(Record(1).data, "ab");
    ExpectRun({"add", "db.db", "-st", "s.xml"}, "",
              "ERROR: encountered a record that already exists 0-1\n" + Dir() +
                  "s.xml:3: record 1: encountered a record that already exists 0-1\n" +
                  truncated("error"),
              -1);
}

// A second file that fails to parse stops the run: no flush, no summary, no dependency file.
// A run that stops leaves the old database exactly as it was, and nothing else behind. Each
// failure is followed by its place (the line and column of the offset) and what the parser
// expected or found; a file that fails is stored nothing of, to its last byte.
TEST_F(CompileTest, ParseErrorsStopTheRunWithTheirOffset) {
    MakeDatabase("db.db", {{7, 't', "old"}});
    const std::string before = ReadFile("db.db");
    Source("s.xml", "<record_list><include_file>b.xml</include_file>"
                    "<record id=\"1\" type=\"text\"><string>x</string></record></record_list>");
    Source("b.xml", "<a></b>");
    ExpectRun({"create", "db.db", "s.xml", "deps.txt"}, "",
              "processing 'b.xml'\n"
              "ERROR: parsing of the file (b.xml) failed (error 6, file offset 28)\n" +
                  Dir() + "b.xml:2:7: error: the end tag </b> does not close the open <a>\n",
              -1);
    EXPECT_EQ(ReadFile("db.db"), before);
    EXPECT_EQ(Files(), (std::vector<std::string>{"b.xml", "db.db", "db.ind", "s.xml"}));
    WriteFile("s.xml", "\xEF\xBB\xBF<?xml?>");
    ExpectRun({"create", "db.db", "s.xml"}, "",
              "ERROR: parsing of the file (s.xml) failed (error 3, file offset 0)\n" + Dir() +
                  "s.xml:1:1: error: the file does not begin with an XML declaration (\"<?xml\")\n",
              -1);

    // "|" marks where each parse stops.
    const struct {
        const char* marked;
        int error;
        const char* what;
    } cases[] = {
        {"<r>\n\n  <b x=1|/>", 3, "expected a quoted value for the attribute \"x\""},
        {"<r>\n  <b x='1' y='' x='2'|/></r>", 1, "the attribute \"x\" appears twice in <b>"},
        {"<r>\n<a>\n</b|>", 6, "the end tag </b> does not close the open <a>"},
        {"<r>x &nbsp;|</r>", 1, "unknown entity \"&nbsp;\""},
        {"<r>\n<!-- a -- |b -->", 7, "\"--\" inside a comment"},
        {"<r><![CDATA[x]]|", 1, "the file ends inside a CDATA section"},
        {"<r></r|", 1, "the file ends inside an end tag"},
    };
    MakeDatabase("db.db", {{1, 't', "old"}});
    const std::string database = ReadFile("db.db"), index = ReadFile("db.ind");
    for (const auto& c : cases) {
        std::string text = "<?xml version=\"1.0\"?>\n" + std::string(c.marked);
        const size_t offset = text.find('|');
        text.erase(offset, 1);
        const size_t lineStart = text.rfind('\n', offset - 1) + 1;
        WriteFile("s.xml", text);
        ExpectRun(
            {"add", "db.db", "s.xml"}, "",
            "ERROR: parsing of the file (s.xml) failed (error " + std::to_string(c.error) +
                ", file offset " + std::to_string(offset) + ")\n" + Dir() + "s.xml:" +
                std::to_string(std::count(text.begin(), text.begin() + long(offset), '\n') + 1) +
                ":" + std::to_string(offset - lineStart + 1) + ": error: " + c.what + "\n",
            -1);
        EXPECT_EQ(ReadFile("db.db"), database);
        EXPECT_EQ(ReadFile("db.ind"), index);
    }
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
    const std::string a = Dir() + "src/sub/a.xml", b = Dir() + "src/b.xml";
    ExpectRun({"create", "db.db", "src/main.xml", "deps.txt"}, "",
              "processing 'a.xml'\nprocessing 'a.xml'\n"
              "ERROR: encountered a record that already exists 0-1\n" +
                  a +
                  ":2: record 1: encountered a record that already exists 0-1\n"
                  "processing 'b.xml'\nprocessing 'b.xml'\n"
                  "ERROR: encountered a record that already exists 0-2\n" +
                  b +
                  ":2: record 2: encountered a record that already exists 0-2\n"
                  "4 records were decoded\n",
              0);
    // The database as typed depends on the source and on each included file once; each of
    // those has an empty rule, so that make carries on when one is deleted.
    EXPECT_EQ(ReadFile("deps.txt"), "db.db : src/main.xml \\\n\t" + a + " \\\n\t" + b + "\n\n" + a +
                                        " :\n\n" + b + " :\n\n");
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
    const std::string skipped = "include cycle skipped: " + Dir() + "s.xml\n";
    ExpectRun({"create", "db.db", "s.xml"}, "",
              "ERROR: " + skipped + Dir() + "s.xml:2: " + skipped + "processing 'a.xml'\nERROR: " +
                  skipped + Dir() + "a.xml:2: " + skipped + "no records were decoded\n",
              0);
}

TEST_F(CompileTest, DependencyNamesWithBlanksAreQuoted) {
    Source("my main.xml", "<record_list><include_file>in cl.xml</include_file></record_list>");
    Source("in cl.xml", "<ignore/>");
    const std::string info = "processing 'in cl.xml'\nno records were decoded\n";
    ExpectRun({"create", "my db.db", "my main.xml", "deps.txt"}, "", info, 0);
    const std::string included = "\"" + Dir() + "in cl.xml\"";
    EXPECT_EQ(ReadFile("deps.txt"),
              "\"my db.db\" : \"my main.xml\" \\\n\t" + included + "\n\n" + included + " :\n\n");
    ExpectRun({"create", "db.db", "my main.xml", "no/such/dir/deps.txt"}, "",
              info + "ERROR: failed to open the deps file stream\n", -1);
}

// GNU make with the dependency file rebuilds the database when an included file changes, and
// carries on when one is deleted.
TEST_F(CompileTest, DependencyFileRebuildsTheDatabaseWithMake) {
    if (!std::filesystem::exists("/usr/bin/make")) GTEST_SKIP() << "no /usr/bin/make";
    WriteFile("Makefile",
              "db.db:\n\t" + ToolPath() + " create db.db s.xml deps.mk\n-include deps.mk\n");
    Source("s.xml", "<record_list><include_file>a.xml</include_file></record_list>");
    Source("a.xml", "<record id=\"1\" type=\"text\"><string>a</string></record>");
    const auto make = [&] { return RunProcess("/usr/bin/make", {"-s"}, fDir.Path()); };
    const std::string built = "processing 'a.xml'\n1 record was decoded\n";
    EXPECT_EQ(make().err, built);
    EXPECT_EQ(make().err, ""); // up to date
    // The database is made older than the include that then changes.
    std::filesystem::last_write_time(PathOf("db.db"),
                                     std::filesystem::last_write_time(PathOf("a.xml")) -
                                         std::chrono::seconds(5));
    Source("a.xml", "<record id=\"1\" type=\"text\"><string>b</string></record>");
    EXPECT_EQ(make().err, built);
    EXPECT_EQ(Record(1).data, "b");
    std::filesystem::remove(PathOf("a.xml"));
    Source("s.xml", "<ignore/>");
    const TProcessResult deleted = make();
    EXPECT_EQ(deleted.err, "no records were decoded\n");
    EXPECT_EQ(deleted.exitCode, 0);
}

// Whole-line comments are blanked unless -keepComments (or an abbreviation) is given; a ';'
// after other text is left to the library, whose error text is shown with the message.
TEST_F(CompileTest, AtomStreamsWithAndWithoutComments) {
    const std::string stream = "<record id=\"1\" type=\"qdf\"><atom_stream>\n   ; note\n"
                               "form_begin ; not a comment?\n</atom_stream></record>";
    // The parser drops the blanks before "; note": the text starts on that line.
    // Its place is the line in the file: the text's first line plus the library's line.
    EXPECT_EQ(Compile(stream).err,
              "ERROR: KEL failed to compile the atom stream \"line 2: Missing Open Bracket\"\n"
              "ERROR: error decoding the XML tree for 's.xml' (error 12)\n" +
                  Dir() +
                  "s.xml:4: record 1: KEL failed to compile the atom stream: Missing Open Bracket\n"
                  "no records were decoded\n");
    // A word that names nothing is explained at the place (the known names are the table's).
    EXPECT_NE(Compile("<record id=\"1\" type=\"qdf\"><atom_stream>on &lt;click&gt;"
                      "</atom_stream></record>")
                  .err.find("s.xml:2: record 1: KEL failed to compile the atom stream: Bad Number "
                            "Format: unknown name 'click' (known: void, "),
              std::string::npos);
    const std::string commented = "<record id=\"1\" type=\"qdf\"><atom_stream>\n   ; note\n"
                                  "form_begin\n</atom_stream></record>";
    Compile(commented);
    EXPECT_EQ(Record(1).data, Bytes({0x00, 0x01, 0x00}));
    Compile(commented, "-keep");
    EXPECT_EQ(Record(1).data,
              Bytes({0xE8, 0x13, 0x24, 0x05, ' ', 'n', 'o', 't', 'e', 0x00, 0x01, 0x00}));
}

// A record that fails keeps the version stored before; a source read through a pipe is read
// to its end.
TEST_F(CompileTest, AddExtendsADatabaseWhileCreateReplacesIt) {
    Compile("<record id=\"1\" type=\"text\"><string>a</string></record>");
    Source("more.xml", "<record id=\"2\" type=\"text\"><string>b</string></record>");
    ExpectRun({"add", "db.db", "more.xml", "ignored.txt"}, "", "1 record was decoded\n", 0);
    EXPECT_EQ(Record(1).data, "a");
    EXPECT_EQ(Record(2).data, "b");
    EXPECT_FALSE(Exists("ignored.txt"));
    for (const char* failing :
         {"type=\"txet\"><string>c</string>", "type=\"text\"><string>\\c</string>"}) {
        Source("bad.xml", "<record id=\"1\" " + std::string(failing) + "</record>");
        EXPECT_EQ(Tool({"add", "db.db", "bad.xml"}).exitCode, -1) << failing;
        EXPECT_EQ(Record(1).data, "a") << failing;
    }
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
