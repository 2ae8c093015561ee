// Runs the built tool's database commands (list, compare, compact, remove, delete) on small
// databases made through the engine, and pins standard output, standard error and the exit
// status.

#include "FileLock.h"
#include "ToolRunFixture.h"

namespace {

const char kAssertFailed[] = "ERROR: the command failed with error 1634955892 (0x61737274)\n";

class DatabaseCommandsTest : public TToolRunTest {};

// Every type once, in this file order.
const std::vector<TRecordSpec> kEveryType = {
    {0x00010005, 'p', "pic"},
    {0x01020003, 'a', "qdf"},
    {7, 'l', "list"},
    {8, 't', "text"},
    {9, 'b', ""},
    {10, 0, "none"},
    {11, 'z', "?"},
};

const char kEveryTypeLines[] = "1-5, picture\n1-2-3, qdf\n0-7, list\n0-8, text\n0-9, binary\n"
                               "0-10, none\n0-11, unknown\n";
const char kEveryTypeSummary[] = "Record Summary\n  Picture: 1\n      QDF: 1\n     List: 1\n"
                                 "     Text: 1\n   Binary: 1\n\n    Total: 7\n";
const char kEmptySummary[] = "Record Summary\n  Picture: 0\n      QDF: 0\n     List: 0\n"
                             "     Text: 0\n   Binary: 0\n\n    Total: 0\n";

} // namespace

// ---- list ----------------------------------------------------------------------------------

TEST_F(DatabaseCommandsTest, ListInFileOrderWithTheSummaryOfTheFiveTypes) {
    MakeDatabase("e.db", {});
    MakeDatabase("t.db", kEveryType);
    std::string tabbed = kEveryTypeLines;
    for (size_t at = tabbed.find(", "); at != std::string::npos; at = tabbed.find(", "))
        tabbed.replace(at, 2, 1, '\t');
    const std::string tabAndOnly = "ERROR: -tab flag has no meaning with -only\n";
    const std::string skipAndOnly = "ERROR: you can't use -skip and -only together\n";
    const struct {
        std::vector<std::string> arguments;
        std::string out, err;
        int exitCode;
    } cases[] = {
        {{"list", "e.db"}, std::string("\n") + kEmptySummary, "", 0},
        {{"list", "e.db", "-only"}, kEmptySummary, "", 0},
        {{"list", "e.db", "-skip"}, "", "", 0},
        {{"list", "t.db"}, std::string(kEveryTypeLines) + "\n" + kEveryTypeSummary, "", 0},
        {{"LIST", "t.db", "-s"}, kEveryTypeLines, "", 0},
        {{"-ONLY", "list", "t.db"}, kEveryTypeSummary, "", 0},
        {{"list", "t.db", "-tab", "-skip"}, tabbed, "", 0},
        {{"list", "t.db", "-t", "-skip"}, tabbed, "", 0},
        {{"list", "t.db", "-TAB", "-skip"}, tabbed, "", 0},
        {{"list", "t.db", "-only", "-tab"}, kEveryTypeSummary, tabAndOnly, 0},
        {{"list", "t.db", "-o", "-sk", "out.txt"}, "", skipAndOnly, -1},
        {{"list", "t.db", "-"}, "", tabAndOnly + skipAndOnly, -1},
    };
    for (const auto& c : cases)
        ExpectRun(c.arguments, c.out, c.err, c.exitCode);
    EXPECT_FALSE(Exists("out.txt"));
    WriteFile("out.txt", std::string(5000, 'x'));
    ExpectRun({"list", "t.db", "out.txt", "-skip"}, "", "", 0);
    EXPECT_EQ(ReadFile("out.txt"), kEveryTypeLines); // emptied first
}

// The engine's failure ends the command through the dispatcher; what was listed stays listed.
TEST_F(DatabaseCommandsTest, DamagedFilesEndTheCommandWithAnError) {
    MakeDatabase("d.db", {{1, 't', "ab"}, {2, 't', "cd"}, {3, 't', "ef"}});
    std::string bytes = ReadFile("d.db");
    bytes[25 + 2 * 28] = 'X'; // the third record's magic
    WriteFile("d.db", bytes);
    // The walk reads one record ahead: the damage shows while the second is taken.
    ExpectRun({"list", "d.db"}, "0-1, text\n", kAssertFailed, -1);
    WriteFile("d.ind", std::string(16, 'x'));
    ExpectRun({"compact", "d.db"}, "", kAssertFailed, -1);
}

// ---- compare -------------------------------------------------------------------------------

TEST_F(DatabaseCommandsTest, CompareReportsEveryDifference) {
    MakeDatabase("a.db", {{1, 't', "same"},
                          {2, 't', "x"},
                          {3, 't', "abc"},
                          {4, 'b', "abc"},
                          {5, 'b', "abcd"},
                          {6, 'b', "abc"}});
    MakeDatabase("b.db", {{6, 'b', "abd"},
                          {5, 'b', "abc"},
                          {4, 'p', "abc"},
                          {3, 't', "abc", 0x4},
                          {1, 't', "same"},
                          {7, 'b', "only b"}});
    ExpectRun({"compare", "a.db", "b.db"}, "",
              "ERROR: record 0-2 doesn't exists in b.db\n"
              "ERROR: records 0-3 don't have the same flags (a.db : 0000 vs b.db : 0004)\n"
              "ERROR: records 0-4 are not the same type (a.db : binary vs b.db : picture)\n"
              "ERROR: records 0-5 don't match in length (a.db : 4 vs b.db : 3)\n"
              "ERROR: the data for record 0-6 differs between the two files\n"
              "ERROR: record 0-7 doesn't exists in a.db\n",
              -1);
}

TEST_F(DatabaseCommandsTest, CompareIgnoresFileOrderAndOneSidedRecordsKeepTheStatus) {
    MakeDatabase("a.db", kEveryType);
    MakeDatabase("b.db", std::vector<TRecordSpec>(kEveryType.rbegin(), kEveryType.rend()));
    ExpectRun({"compare", "a.db", "b.db"}, "", "the databases contain the same data\n", 0);
    ExpectRun({"compare", "a.db", "a.db"}, "", "the databases contain the same data\n", 0);
    MakeDatabase("b.db", {{0x01020004, 'b', ""}});
    ExpectRun({"compare", "a.db", "b.db"}, "", "ERROR: record 1-2-4 doesn't exists in a.db\n", 0);
}

// ---- compact -------------------------------------------------------------------------------

TEST_F(DatabaseCommandsTest, CompactDropsDeadVersions) {
    MakeDatabase("c.db", {{1, 't', "aa"}, {2, 'b', "bbbb"}});
    {
        std::unique_ptr<TWVEK_DB> db = OpenDatabase("c.db");
        ASSERT_TRUE(db->Put(1, "aaa", 3, 't'));
        ASSERT_TRUE(db->Delete(2, false));
        ASSERT_EQ(db->Flush(true), 0u);
    }
    ExpectRun({"compact", "c.db"}, "", "compaction succeeded\n", 0);
    EXPECT_EQ(ReadFile("c.db").size(), 25u + 29); // the header and the one live record
    ExpectRun({"list", "c.db", "-skip"}, "0-1, text\n", "", 0);
    EXPECT_EQ(Files(), (std::vector<std::string>{"c.db", "c.ind"}));
}

// Every temporary name taken: the engine's code is reported and the file is left as it was.
TEST_F(DatabaseCommandsTest, AFailedCompactionIsReportedAndChangesNothing) {
    MakeDatabase("c.db", {{1, 't', "aa"}});
    const std::string before = ReadFile("c.db");
    for (int n = 1; n <= 999; ++n)
        WriteFile("c#" + std::to_string(n) + ".db", "");
    ExpectRun({"compact", "c.db"}, "", "ERROR: compaction failed with error 12312\n", -1);
    EXPECT_EQ(ReadFile("c.db"), before);
}

// ---- remove --------------------------------------------------------------------------------

TEST_F(DatabaseCommandsTest, RemoveDeletesEveryIdOfTheRangesPermanentOnesToo) {
    MakeDatabase("r.db", {{0x00010001, 't', "a"},
                          {0x00010003, 't', "c", 0x4},
                          {0x00010004, 't', "d"},
                          {9, 'b', "z"}});
    ExpectRun({"remove", "r.db", "9,:5"}, "", "ERROR: invalid range ':5'\n", -1);
    ExpectRun({"remove", "r.db", "1-1:1-3"}, "", "ERROR: record 1-2 wasn't found\n", -1);
    ExpectRun({"list", "r.db", "-skip"}, "1-4, text\n0-9, binary\n", "", 0);
    ExpectRun({"remove", "r.db", "9,1-4:+0"}, "", "", 0);
    ExpectRun({"remove", "r.db", "9"}, "", "ERROR: record 0-9 wasn't found\n", -1);
    ExpectRun({"list", "r.db", "-only"}, kEmptySummary, "", 0);
}

// Under a file size limit below the record's place, rewriting its header fails (EFBIG, with
// SIGXFSZ ignored): the command must not claim success for a removal that never happened.
TEST_F(DatabaseCommandsTest, AFailedFinalFlushOfRemoveIsAnError) {
    MakeDatabase("r.db", {{1, 'b', std::string(2000, 'x')}, {2, 't', "ab"}});
    const std::string before = ReadFile("r.db");
    const TProcessResult result = RunProcess(
        "/bin/sh", {"-c", "trap '' XFSZ; ulimit -f 2; exec \"$0\" remove r.db 0-2", ToolPath()},
        fDir.Path());
    EXPECT_EQ(result.err, "ERROR: the command failed with error 12802 (0x00003202)\n");
    EXPECT_EQ(result.exitCode, -1);
    EXPECT_EQ(ReadFile("r.db"), before);
    ExpectRun({"list", "r.db", "-skip"}, "0-1, binary\n0-2, text\n", "", 0);
}

// ---- delete --------------------------------------------------------------------------------

TEST_F(DatabaseCommandsTest, DeleteRemovesTheDatabaseAndItsSupportFiles) {
    MakeDatabase("x.db", {{1, 't', "a"}});
    WriteFile("x.age", "age");
    WriteFile("x.txt", "keep");
    ExpectRun({"delete", "x.db"}, "", "", 0);
    EXPECT_EQ(Files(), (std::vector<std::string>{"x.txt"}));
    ExpectRun({"delete", "x.db"}, "", "", 0);
}

// ---- files that are not the command's own --------------------------------------------------

// Output files, the name to delete and the name to create over are checked before anything
// is written; a database another process holds is not touched at all.
TEST_F(DatabaseCommandsTest, NoCommandDestroysAFileThatIsNotItsOwn) {
    MakeDatabase("t.db", kEveryType);
    MakeDatabase("other.db", {{1, 't', "keep"}});
    WriteFile("notes.txt", "notes");
    WriteFile("notes.ind", "an index of something else");
    WriteFile("src.xml", "<?xml?><record id=\"1\" type=\"text\"><string>a</string></record>");
    const std::string other = ReadFile("other.db");
    const struct {
        std::vector<std::string> arguments;
        std::string err;
    } cases[] = {
        {{"list", "t.db", "other.db"}, "ERROR: failed to open the output file (other.db)\n"},
        {{"dump", "t.db", "-all", "other.db"}, "ERROR: failed to open the output file (other.db)\n"},
        {{"delete", "notes.txt"}, "ERROR: 'notes.txt' is not a database file; nothing was deleted\n"},
        {{"create", "src.xml", "other.db"}, "ERROR: 'src.xml' is not a database file; it was not replaced\n"},
    };
    for (const auto& c : cases)
        ExpectRun(c.arguments, "", c.err, -1);
    EXPECT_EQ(ReadFile("other.db"), other);
    EXPECT_EQ(ReadFile("notes.txt"), "notes");
    EXPECT_EQ(ReadFile("notes.ind"), "an index of something else");
    EXPECT_EQ(ReadFile("src.xml").substr(0, 7), "<?xml?>");

    const std::unique_ptr<TFileLock> held =
        TFileLock::Acquire(TFilePath(PathOf("other.db")), TFileLock::TMode::kExclusive);
    for (const char* command : {"list", "delete", "create"}) {
        std::vector<std::string> arguments = {command, "other.db"};
        if (std::string(command) != "list") arguments.push_back(command[0] == 'c' ? "src.xml" : "0-1");
        ExpectRun(arguments, "", "ERROR: the database other.db is in use by another process\n", -1);
    }
    EXPECT_EQ(ReadFile("other.db"), other);
}

// The index takes the extension of the file name only: a dot in a directory plays no part.
TEST_F(DatabaseCommandsTest, SupportFilesAreNamedFromTheFileName) {
    std::filesystem::create_directories(PathOf("proj.v2"));
    WriteFile("proj.ind", "not this database's");
    WriteFile("a.xml", "<?xml?><record id=\"1\" type=\"text\"><string>a</string></record>");
    ExpectRun({"create", "proj.v2/main", "a.xml"}, "", "1 record was decoded\n", 0);
    EXPECT_TRUE(Exists("proj.v2/main.ind"));
    EXPECT_EQ(ReadFile("proj.ind"), "not this database's");
    ExpectRun({"delete", "proj.v2/main"}, "", "", 0);
    EXPECT_EQ(Files(), (std::vector<std::string>{"a.xml", "proj.ind", "proj.v2"}));
}

// An index entry that leads to a dead version (an older writer stopped between the two files)
// is dropped by remove, not reported as a failure.
TEST_F(DatabaseCommandsTest, RemoveDropsAnIndexEntryOfADeadVersion) {
    MakeDatabase("s.db", {{1, 't', "a"}, {2, 't', "b"}});
    std::string bytes = ReadFile("s.db");
    bytes[25 + 13] |= 0x04; // record 1's header gets the deleted bit; the index still names it
    WriteFile("s.db", bytes);
    ExpectRun({"remove", "s.db", "1"}, "", "", 0);
    ExpectRun({"list", "s.db", "-skip"}, "0-2, text\n", "", 0);
    ExpectRun({"remove", "s.db", "1"}, "", "ERROR: record 0-1 wasn't found\n", -1);
}
