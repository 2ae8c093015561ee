// Runs the built tool and pins its standard output, standard error and exit status: the usage and
// version texts, and every message given before a command's own work begins.
#include "ToolRunFixture.h"

#include <regex>

namespace {

class ToolTest : public TToolRunTest {};

} // namespace

// The usage text comes from the command table, one entry per command in the form its database mode
// and argument text give. Each database name as typed; nothing is created for a missing database,
// while a zero-length file is an empty one (its header is written on opening).
TEST_F(ToolTest, UsageVersionDispatchCalcAndOpeningMessages) {
    const std::string usage = Tool({"help"}).err;
    for (const char* entry :
         {"\ntarnwick Usage:\n\n  add database.file -keepComments -strict source.xml\n\tcompiles",
          "\n\n  calc record_id\n\tconverts", "\n\n  compact database.file\n\tcompact the",
          "\n\n  help\n\tshows this message\n\n  list database.file [-tab] [-skip]",
          "\n\tand reports every problem found\n\n  version\n\tprints", "\n\nNote:\n  record_id\t"})
        EXPECT_NE(usage.find(entry), std::string::npos) << entry;
    MakeDatabase("a.db", {{1, 't', "x"}});
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
        {{"HELP", "extra", "-x"}, usage, 0},
        {{"-x", "-ALL", "help"}, usage, 0},
        {{"--help"}, usage, 0}, // as the first word only
        {{"-H", "list"}, usage, 0},
        {{"list", "-h"}, noDatabase, -1},
        {{}, noCommand, -1},
        {{"-v"}, noCommand, -1},
        {{"hel"}, "ERROR: 'hel' not a valid command, try 'tarnwick help'\n", -1},
        {{"Frob", "help"}, "ERROR: 'frob' not a valid command, try 'tarnwick help'\n", -1},
        {{"-all", "dump"}, noDatabase, -1},
        {{"calc", "1-5", "0x10005", "65541", "255-255-65535"},
         "1-5 == VEK: 1-5  Hex: 0x10005  Decimal: 65541\n"
         "0x10005 == VEK: 1-5  Hex: 0x10005  Decimal: 65541\n"
         "65541 == VEK: 1-5  Hex: 0x10005  Decimal: 65541\n"
         "255-255-65535 == VEK: 255-255-65535  Hex: 0xFFFFFFFF  Decimal: 4294967295\n",
         0},
        {{"CALC", "-1"}, noId, -1},
        {{"calc", "7", "", "8"}, "7 == VEK: 0-7  Hex: 0x7  Decimal: 7\n", 0}, // ends at ""
        // By the command's database mode: a read-only command and verify name a missing file, a
        // writing one finds no database.
        {{"list", "missing.db"}, missing("missing.db"), -1},
        {{"verify", "missing.db"}, missing("missing.db"), -1},
        {{"compact", "missing.db"}, invalid("missing.db"), -1},
        {{"verify", "bad.db"}, invalid("bad.db"), -1},
        {{"compare", "dir.db", "a.db"}, invalid("dir.db"), -1},
        {{"compare", "a.db"}, "ERROR: wrong number of arguments for compare\n", -1},
        {{"compare", "a.db", "nope.db"}, missing("nope.db"), -1},
        {{"add", "a.db"}, "ERROR: no source file to compile was specified\n", -1},
    };
    for (const auto& c : cases)
        ExpectRun(c.arguments, "", c.err, c.exitCode);
    EXPECT_EQ(fDir.Files(), (std::vector<std::string>{"a.db", "a.ind", "bad.db", "dir.db"}));
    WriteFile("empty.db", "");
    ExpectRun({"remove", "empty.db", "0"}, "", "ERROR: record 0-0 wasn't found\n", -1);
    EXPECT_EQ(ReadFile("empty.db").size(), 25u);
    // The program's name is the file name it was started under.
    std::filesystem::create_symlink(ToolPath(), PathOf("Other.Name"));
    const TProcessResult renamed = RunProcess("./Other.Name", {}, fDir.Path());
    EXPECT_EQ(renamed.err, "ERROR: no command given on command line; try 'Other.Name help'\n");
    EXPECT_EQ(renamed.exitCode, -1);
    // The version: the build date in the compiler's forms, "Oct  4 1999" and "09:08:38".
    for (const char* word : {"VERSION", "--version"}) {
        const TProcessResult result = Tool({word, "ignored"});
        EXPECT_TRUE(
            result.exitCode == 0 && result.out.empty() &&
            std::regex_match(
                result.err,
                std::regex("\ntarnwick Version Info:\n\n\tTarnwick version 1\\.4 : File version "
                           "1\\.0\n\tKEL DLL version 'KEL Build 8'\n\tTool built on [A-Z][a-z]{2} "
                           "[ 1-3][0-9] [0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-6][0-9]\n")))
            << result.err;
    }
}
