// Runs the built tool's database commands (list, compare, compact, remove, delete, verify) on small
// databases made through the engine, and pins standard output, standard error and the exit status.

#include "FileLock.h"
#include "ToolRunFixture.h"

#include <optional>

namespace {

const char kSame[] = "the databases contain the same data\n";

// Every type once, in this file order.
// clang-format off
const std::vector<TRecordSpec> kEveryType = {
    {0x00010005, 'p', "pic"}, {0x01020003, 'a', "qdf"}, {7, 'l', "list"}, {8, 't', "text"},
    {9, 'b', ""}, {10, 0, "none"}, {11, 'z', "?"}};
// clang-format on

const char kEveryTypeLines[] = "1-5, picture\n1-2-3, qdf\n0-7, list\n0-8, text\n0-9, binary\n"
                               "0-10, none\n0-11, unknown\n";
const char kEveryTypeSummary[] = "Record Summary\n  Picture: 1\n      QDF: 1\n     List: 1\n"
                                 "     Text: 1\n   Binary: 1\n\n    Total: 7\n";
const char kEmptySummary[] = "Record Summary\n  Picture: 0\n      QDF: 0\n     List: 0\n"
                             "     Text: 0\n   Binary: 0\n\n    Total: 0\n";

} // namespace

using DatabaseCommandsTest = TToolRunTest;

// The records in file order, then the summary of the five types; the options in any case and
// abbreviated.
TEST_F(DatabaseCommandsTest, ListInFileOrderWithTheSummaryOfTheFiveTypes) {
    MakeDatabase("e.db", {});
    MakeDatabase("t.db", kEveryType);
    const std::string tabbed =
        "1-5\tpicture\n1-2-3\tqdf\n0-7\tlist\n0-8\ttext\n0-9\tbinary\n0-10\tnone\n0-11\tunknown\n";
    const std::string tabAndOnly = "ERROR: -tab flag has no meaning with -only\n";
    const std::string skipAndOnly = "ERROR: you can't use -skip and -only together\n";
    const struct {
        std::vector<std::string> arguments;
        std::string out, err;
        int exitCode;
    } cases[] = {
        {{"list", "e.db"}, std::string("\n") + kEmptySummary, "", 0},
        {{"list", "t.db"}, std::string(kEveryTypeLines) + "\n" + kEveryTypeSummary, "", 0},
        {{"LIST", "t.db", "-s"}, kEveryTypeLines, "", 0},
        {{"list", "t.db", "-t", "-SKIP"}, tabbed, "", 0},
        {{"-ONLY", "list", "t.db", "-tab"}, kEveryTypeSummary, tabAndOnly, 0},
        {{"list", "t.db", "-o", "-sk", "out.txt"}, "", skipAndOnly, -1},
        {{"list", "t.db", "-"}, "", tabAndOnly + skipAndOnly, -1},
    };
    for (const auto& c : cases)
        ExpectRun(c.arguments, c.out, c.err, c.exitCode);
    EXPECT_FALSE(Exists("out.txt"));
}

// Compare reports every difference of every record, in both walks, whatever the file order; records
// of one side only keep the exit status. -json writes one document beside the unchanged messages,
// plain ASCII whatever bytes a name holds.
TEST_F(DatabaseCommandsTest, CompareReportsEveryDifferenceAndListAndCompareWriteJson) {
    // clang-format off
    MakeDatabase("a.db", {{1, 't', "same"}, {2, 't', "x"}, {3, 't', "abc"}, {4, 'b', "abc"},
                          {5, 'b', "abcd"}, {6, 'b', "abc"}});
    MakeDatabase("b.db", {{6, 'b', "abd"}, {5, 'b', "abc"}, {4, 'p', "abc"}, {3, 't', "abc", 0x4},
                          {1, 't', "same"}, {7, 'b', "only b"}});
    // clang-format on
    const auto id = [](int n) {
        return "    {\"id\": \"0-" + std::to_string(n) + "\", \"hex\": \"0x" + std::to_string(n) +
               "\", \"decimal\": " + std::to_string(n) + ", \"kind\": ";
    };
    ExpectRun({"compare", "a.db", "b.db", "-json"},
              "{\n  \"first\": \"a.db\",\n  \"second\": \"b.db\",\n  \"differences\": [\n" + id(2) +
                  "\"missing\", \"missing_from\": \"b.db\"},\n" + id(3) +
                  "\"flags\", \"first\": 0, \"second\": 4},\n" + id(4) +
                  "\"type\", \"first\": \"binary\", \"second\": \"picture\"},\n" + id(5) +
                  "\"length\", \"first\": 4, \"second\": 3},\n" + id(6) + "\"data\"},\n" + id(7) +
                  "\"missing\", \"missing_from\": \"a.db\"}\n  ],\n  \"same\": false\n}\n",
              "ERROR: record 0-2 doesn't exists in b.db\n"
              "ERROR: records 0-3 don't have the same flags (a.db : 0000 vs b.db : 0004)\n"
              "ERROR: records 0-4 are not the same type (a.db : binary vs b.db : picture)\n"
              "ERROR: records 0-5 don't match in length (a.db : 4 vs b.db : 3)\n"
              "ERROR: the data for record 0-6 differs between the two files\n"
              "ERROR: record 0-7 doesn't exists in a.db\n",
              -1);
    MakeDatabase("c.db", {});
    MakeDatabase("d.db", {{0x01020004, 'b', ""}});
    ExpectRun({"compare", "c.db", "d.db"}, "", "ERROR: record 1-2-4 doesn't exists in c.db\n", 0);

    const std::string name = "q\"\\\x01\xc3\xa9.db", escaped = "q\\\"\\\\\\u0001\\u00c3\\u00a9.db";
    MakeDatabase(name, {{0x00010005, 'p', "pic", 0x4}, {0xFF000001, 'z', ""}});
    ExpectRun({"list", name, "-j", "out.json"}, "", "", 0);
    EXPECT_EQ(ReadFile("out.json"),
              "{\n  \"database\": \"" + escaped +
                  "\",\n  \"records\": [\n"
                  "    {\"id\": \"1-5\", \"hex\": \"0x10005\", \"decimal\": 65541, \"type\": "
                  "\"picture\", \"flags\": 4, \"length\": 3},\n"
                  "    {\"id\": \"255-0-1\", \"hex\": \"0xFF000001\", \"decimal\": 4278190081, "
                  "\"type\": \"unknown\", \"flags\": 0, \"length\": 0}\n  ],\n"
                  "  \"summary\": {\"picture\": 1, \"qdf\": 0, \"list\": 0, \"text\": 0, "
                  "\"binary\": 0, \"total\": 2}\n}\n");
    ExpectRun({"compare", name, name, "-j"},
              "{\n  \"first\": \"" + escaped + "\",\n  \"second\": \"" + escaped +
                  "\",\n  \"differences\": [],\n  \"same\": true\n}\n",
              kSame, 0);
}

// Compact keeps only the live records; delete removes the database and its support files, and a
// name that does not exist is no error.
TEST_F(DatabaseCommandsTest, CompactDropsDeadVersionsAndDeleteRemovesTheFiles) {
    MakeDatabase("c.db", {{1, 't', "aa"}, {2, 'b', "bbbb"}});
    MakeDatabase("c.db", {{1, 't', "aaa"}}); // the first version of record 1 is dead
    ExpectRun({"remove", "c.db", "2"}, "", "", 0);
    ExpectRun({"compact", "c.db"}, "", "compaction succeeded\n", 0);
    EXPECT_EQ(ReadFile("c.db").size(), 25u + 29); // the header and the one live record
    ExpectRun({"list", "c.db", "-skip"}, "0-1, text\n", "", 0);
    EXPECT_EQ(fDir.Files(), (std::vector<std::string>{"c.db", "c.ind"}));
    WriteFile("c.age", "age");
    WriteFile("c.txt", "keep");
    ExpectRun({"delete", "c.db"}, "", "", 0);
    ExpectRun({"delete", "c.db"}, "", "", 0);
    EXPECT_EQ(fDir.Files(), (std::vector<std::string>{"c.txt"}));
}

// Remove deletes every id of its ranges, permanent records too; an index entry that leads to a dead
// version (an older writer stopped between the two files) is dropped, not a failure.
TEST_F(DatabaseCommandsTest, RemoveDeletesEveryIdOfTheRanges) {
    // clang-format off
    MakeDatabase("r.db", {{0x00010001, 't', "a"}, {0x00010003, 't', "c", 0x4},
                          {0x00010004, 't', "d"}, {9, 'b', "z"}, {10, 't', "y"}});
    // clang-format on
    std::string bytes = ReadFile("r.db");
    bytes[25 + 4 * 27 + 13] |= 0x04; // record 10's header gets the deleted bit, still indexed
    WriteFile("r.db", bytes);
    ExpectRun({"remove", "r.db", "1-1:1-3"}, "", "ERROR: record 1-2 wasn't found\n", -1);
    ExpectRun({"list", "r.db", "-skip"}, "1-4, text\n0-9, binary\n", "", 0);
    ExpectRun({"remove", "r.db", "9,1-4:+0,10"}, "", "", 0);
    ExpectRun({"list", "r.db", "-only"}, kEmptySummary, "", 0);
}

// Output files, the name to delete and the name to create over are checked before anything is
// written: no output is the run's database, its index or another database, and a file that cannot
// be opened is reported. A database another process holds is not touched at all.
TEST_F(DatabaseCommandsTest, NoCommandDestroysAFileThatIsNotItsOwn) {
    MakeDatabase("t.db", kEveryType);
    MakeDatabase("o.db", {{1, 't', "keep"}});
    WriteFile("n.txt", "notes");
    WriteFile("n.ind", "an index of something else");
    WriteFile("s.xml", "<?xml?><record id=\"1\" type=\"text\"><string>a</string></record>");
    const auto files = [&] {
        return ReadFile("t.db") + ReadFile("t.ind") + ReadFile("o.db") + ReadFile("n.txt") +
               ReadFile("n.ind") + ReadFile("s.xml");
    };
    const std::string before = files();
    const auto noOutput = [](const std::string& name) {
        return "ERROR: failed to open the output file (" + name + ")\n";
    };
    const struct {
        std::vector<std::string> arguments;
        std::string err;
    } cases[] = {
        {{"list", "t.db", "o.db"}, noOutput("o.db")},
        {{"list", "t.db", "t.ind"}, noOutput("t.ind")},
        {{"dump", "t.db", "-all", "no/dir/out.xml"}, noOutput("no/dir/out.xml")},
        {{"delete", "n.txt"}, "ERROR: 'n.txt' is not a database file; nothing was deleted\n"},
        {{"create", "s.xml", "o.db"},
         "ERROR: 's.xml' is not a database file; it was not replaced\n"},
    };
    for (const auto& c : cases)
        ExpectRun(c.arguments, "", c.err, -1);
    const std::unique_ptr<TFileLock> held =
        TFileLock::Acquire(TFilePath(PathOf("o.db")), TFileLock::TMode::kExclusive);
    // Four commands at once, as each waits out the lock a while before it gives up.
    const std::string four = "for c in 'list o.db' 'delete o.db' 'create o.db s.xml' 'verify o.db';"
                             " do \"$0\" $c 2>>err & done; wait";
    RunProcess("/bin/sh", {"-c", four, ToolPath()}, fDir.Path());
    const std::string inUse = "ERROR: the database o.db is in use by another process\n";
    EXPECT_EQ(ReadFile("err"), inUse + inUse + inUse + inUse);
    EXPECT_EQ(files(), before);
}

// Each kind of damage, made byte-wise in a database of records 1, 2 and 3 at offsets 25, 53 and 81
// (109 bytes) and its index of one leaf (keys at 18, values at 98); verify reports it (a finding
// per line) and changes no byte of any file.
TEST_F(DatabaseCommandsTest, VerifyReportsEachKindOfDamageAndChangesNothing) {
    MakeDatabase("s.db", {{1, 't', "ab"}, {2, 't', "cd"}, {3, 't', "ef"}});
    const std::string db = ReadFile("s.db"), index = ReadFile("s.ind");
    const auto patch = [](std::string bytes, size_t at, char value) {
        bytes[at] = value;
        return bytes;
    };
    const std::string stop = "; nothing after it was checked", ind = "the index s.ind ";
    const std::string names = "the index names record 0-", at = "the record header at offset ";
    const struct {
        std::string db;
        std::optional<std::string> index; // none: missing
        std::string findings;             // "=" and what follows "the database is sound: "
    } cases[] = {
        {db, index, "=3 records"},
        {patch(db, 53, 'X'), index, at + "53 lacks its magic R2D2" + stop},
        {patch(db, 81 + 22, 0), index, at + "81 gives its position as 0" + stop},
        {patch(db, 81 + 8, 100), index,
         "record 0-3 at offset 81: its 100 data bytes reach past the end of the file at 109" +
             stop},
        {db + "R2D2", index, at + "109 is cut short by the end of the file at 113" + stop},
        {patch(db, 53 + 4, 1), index,
         "record 0-1 is live twice, at offsets 25 and 53\nERROR: " + names +
             "2 at offset 53, where no header of it starts"},
        {patch(db, 25 + 13, 4), index, names + "1 at offset 25, a deleted version"},
        // An index of version 0 may name a deleted version.
        {patch(db, 25 + 13, 4), patch(index, 9, '0'), "=2 records"},
        {db, std::nullopt, ind + "is missing; the next opening rebuilds it"},
        {db, patch(index, 9, '7'), ind + "has a version other than 0 and 1"},
        {db, patch(index, 0, 'X'), ind + "does not start with the index header VEKINDEX"},
        {db, "",
         ind + "is empty, but the database holds live records; the next opening rebuilds it"},
        {db, patch(index, 98, 53), names + "1 at offset 53, but it is live at offset 25"},
        {db, patch(index, 16, 2), "record 0-3 at offset 81 is missing from the index"},
    };
    // The bytes of the database and the index, and the number of files.
    const auto snapshot = [&] {
        return ReadFile("s.db") + "|" + ReadFile("s.ind") + "|" +
               std::to_string(fDir.Files().size());
    };
    for (const auto& c : cases) {
        WriteFile("s.db", c.db);
        std::filesystem::remove(PathOf("s.ind"));
        if (c.index) WriteFile("s.ind", *c.index);
        const std::string before = snapshot();
        const long problems = std::count(c.findings.begin(), c.findings.end(), '\n') + 1;
        const bool sound = c.findings[0] == '=';
        ExpectRun({"verify", "s.db"}, "",
                  sound ? "the database is sound: " + c.findings.substr(1) + "\n"
                        : "ERROR: " + c.findings + "\nERROR: " + std::to_string(problems) +
                              (problems == 1 ? " problem found\n" : " problems found\n"),
                  sound ? 0 : -1);
        EXPECT_EQ(snapshot(), before);
    }
    WriteFile("s.ind", index);
    WriteFile("s.jnl", "a journal");
    ExpectRun({"verify", "s.db"}, "",
              "ERROR: the journal s.jnl is present: a command did not finish, and the next opening "
              "rolls it back\nERROR: 1 problem found\n",
              -1);
}
