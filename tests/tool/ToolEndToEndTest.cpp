// Runs the built tool and pins its standard output, standard error and exit status: the
// usage and version texts, and every message given before a command's own work begins.
#include "ToolRunFixture.h"

#include <regex>

namespace {

const char kUsage[] =
    "\ntarnwick Usage:\n\n"
    "  add database.file -keepComments -strict source.xml\n"
    "\tcompiles the xml file, adding the records to an existing database\n"
    "\t  -keepComments prevents QDF comments from being removed\n"
    "\t  -strict makes every reported problem an error\n\n"
    "  calc record_id\n\tconverts an id (in any format), into the 3 different formats\n"
    "\ta series of ids seperated by spaces is valid\n\n"
    "  create database.file -keepComments -strict source.xml\n"
    "\tcompiles the xml file to create a new database\n"
    "\t  -keepComments prevents QDF comments from being removed\n"
    "\t  -strict makes every reported problem an error\n\n"
    "  compact database.file\n\tcompact the database to reclain any wasted space\n\n"
    "  compare database.file second_db.file [-json]\n"
    "\tcompares two databases, and reports differences\n"
    "\t  -json\talso write the differences as JSON to standard output\n\n"
    "  delete database.file\n\tdeletes the database file and any support files\n\n"
    "  dump database.file [-notables] [-binary] [-skipASC] (-all|rec_rng) [output.file]\n"
    "\twrite records in XML format\n"
    "\t  -notables skips the table check when dumping binary record(s)\n"
    "\t  -binary forces binary dump of the record(s)\n"
    "\t  -skipASC don't print the ASC values of binary data\n"
    "\t  -all|[record_range] conrols the records dumped\n\n"
    "  help\n\tshows this message\n\n"
    "  list database.file [-tab] [-skip] [-only] [-json] [output.file]\n"
    "\tlist the records in a database\n\t  -tab\ttab the columns\n\t  -skip\tsuppress the summary\n"
    "\t  -only\tonly show the summary (skip record list)\n"
    "\t  -json\twrite one JSON document instead of the text\n\n"
    "  remove database.file record_range\n\tremoves the record range from the database\n\n"
    "  verify database.file\n"
    "\tchecks the database and its support files without changing anything,\n"
    "\tand reports every problem found\n\n"
    "  version\n\tprints the tool's version information\n\n"
    "Note:\n"
    "  record_id\trecord ids can be in VEK notation, hex, or decimal\n"
    "  record_list\tseperate entries with commas, an entry can be a single id\n"
    "\t\tor a range. ranges are two IDs seperated by a colon\n"
    "\t\tor an ID and offset seperated by a colon.\n"
    "\t\t  ie:  ID or ID,ID or ID:ID or ID:+X or ID,ID:ID,ID:+X\n";

class ToolTest : public TToolRunTest {};

} // namespace

// Each database name as typed; nothing is created for a missing database, while a
// zero-length file is an empty one (its header is written on opening).
TEST_F(ToolTest, DispatcherCalcAndOpeningMessages) {
    MakeDatabase("a.db", {{1, 't', "x"}});
    WriteFile("short.db", "VEKDB-25");
    WriteFile("bad.db", "not a database at all, clearly");
    std::filesystem::create_directory(PathOf("dir.db"));
    const std::string noCommand = "ERROR: no command given on command line; try 'tarnwick help'\n";
    const std::string noDatabase = "ERROR: you didn't specify a database file\n";
    const std::string noId = "ERROR: you didn't provide a record id\n";
    const auto missing = [](const char* name) {
        return "ERROR: the database file '" + std::string(name) + "', doesn't exist\n";
    };
    const auto invalid = [](const char* name) {
        return "ERROR: '" + std::string(name) + "' is not a valid format database file\n";
    };
    const struct {
        std::vector<std::string> arguments;
        std::string err;
        int exitCode;
    } cases[] = {
        {{"help"}, kUsage, 0},
        {{"HELP"}, kUsage, 0},
        {{"Help", "extra", "words", "-x"}, kUsage, 0},
        {{"-x", "-ALL", "help"}, kUsage, 0},
        {{"--help"}, kUsage, 0}, // as the first word only
        {{"-H", "list"}, kUsage, 0},
        {{"list", "-h"}, noDatabase, -1},
        {{}, noCommand, -1},
        {{"-v"}, noCommand, -1},
        {{"hel"}, "ERROR: 'hel' not a valid command, try 'tarnwick help'\n", -1},
        {{"Frob", "help"}, "ERROR: 'frob' not a valid command, try 'tarnwick help'\n", -1},
        {{"list"}, noDatabase, -1},
        {{"-all", "dump"}, noDatabase, -1},
        {{"calc", "1-5", "0x10005", "65541", "255-255-65535"},
         "1-5 == VEK: 1-5  Hex: 0x10005  Decimal: 65541\n"
         "0x10005 == VEK: 1-5  Hex: 0x10005  Decimal: 65541\n"
         "65541 == VEK: 1-5  Hex: 0x10005  Decimal: 65541\n"
         "255-255-65535 == VEK: 255-255-65535  Hex: 0xFFFFFFFF  Decimal: 4294967295\n",
         0},
        {{"calc", "-1"}, noId, -1},
        {{"CALC"}, noId, -1},
        {{"list", "missing.db"}, missing("missing.db"), -1},
        {{"dump", "missing.db", "-all"}, missing("missing.db"), -1},
        {{"compact", "missing.db"}, invalid("missing.db"), -1},
        {{"remove", "missing.db", "1"}, invalid("missing.db"), -1},
        {{"add", "missing.db", "s.xml"}, invalid("missing.db"), -1},
        {{"list", "short.db"}, invalid("short.db"), -1},
        {{"verify", "missing.db"}, missing("missing.db"), -1},
        {{"verify", "bad.db"}, invalid("bad.db"), -1},
        {{"compare", "dir.db", "a.db"}, invalid("dir.db"), -1},
        {{"compare", "a.db"}, "ERROR: wrong number of arguments for compare\n", -1},
        {{"compare", "a.db", "nope.db"}, missing("nope.db"), -1},
        {{"compare", "a.db", "bad.db"}, invalid("bad.db"), -1},
        {{"add", "a.db"}, "ERROR: no source file to compile was specified\n", -1},
    };
    for (const auto& c : cases)
        ExpectRun(c.arguments, "", c.err, c.exitCode);
    EXPECT_EQ(Files(), (std::vector<std::string>{"a.db", "a.ind", "bad.db", "dir.db", "short.db"}));
    WriteFile("empty.db", "");
    ExpectRun({"remove", "empty.db", "0"}, "", "ERROR: record 0-0 wasn't found\n", -1);
    EXPECT_EQ(ReadFile("empty.db").size(), 25u);
}

TEST_F(ToolTest, ProgramNameComesFromTheFirstWord) {
    std::filesystem::create_symlink(ToolPath(), PathOf("Other.Name"));
    const TProcessResult result = RunProcess("./Other.Name", {}, fDir.Path());
    EXPECT_EQ(result.err, "ERROR: no command given on command line; try 'Other.Name help'\n");
    EXPECT_EQ(result.exitCode, -1);
}

TEST_F(ToolTest, VersionPrintsFourLinesWithTheBuildDate) {
    for (const char* word : {"VERSION", "--version"}) {
        const TProcessResult result = Tool({word, "ignored"});
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.out, "");
        // The compiler's date and time forms: "Oct  4 1999" and "09:08:38".
        EXPECT_TRUE(std::regex_match(
            result.err, std::regex("\ntarnwick Version Info:\n\n"
                                   "\tTarnwick version 1\\.4 : File version 1\\.0\n"
                                   "\tKEL DLL version 'KEL Build 8'\n"
                                   "\tTool built on [A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4} "
                                   "[0-2][0-9]:[0-5][0-9]:[0-6][0-9]\n")))
            << result.err;
    }
}
