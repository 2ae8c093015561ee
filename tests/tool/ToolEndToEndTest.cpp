// Runs the built tool and pins its standard output, standard error and exit status: the usage
// and version texts, and every message given before a command's own work begins.
#include "ToolRunFixture.h"

#include <regex>

namespace {

class ToolTest : public TToolRunTest {};

} // namespace

// The usage text comes from the command table, each entry in the form the command's database
// mode and argument text give. Each database name as typed; nothing is created for a missing
// database, while a zero-length file is an empty one (its header is written on opening).
TEST_F(ToolTest, UsageVersionDispatchCalcAndOpeningMessages) {
    const std::string usage = Tool({"help"}).err;
    for (const char* entry : {"\ntarnwick Usage:\n\n  add database.file -keepComments -strict",
                              "\n\n  calc record_id\n\tconverts", "\n\n  compact database.file\n\t",
                              "\n\n  help\n\tshows this message\n\n", "\n\nNote:\n"})
        EXPECT_NE(usage.find(entry), std::string::npos) << entry;
    // The build date in the compiler's forms, "Oct  4 1999" and "09:08:38".
    const std::regex version(
        "\ntarnwick Version Info:\n\n\tTarnwick version 1\\.4 : File version "
        "1\\.0\n\tKEL DLL version 'KEL Build 8'\n\tTool built on "
        "[A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-6][0-9]\n");
    for (const char* word : {"VERSION", "--version"})
        EXPECT_TRUE(std::regex_match(Tool({word, "ignored"}).err, version)) << word;
    MakeDatabase("a.db", {{1, 't', "x"}});
    WriteFile("bad.db", "not a database at all, clearly");
    const std::string noCommand = "ERROR: no command given on command line; try 'tarnwick help'\n";
    const std::string noDatabase = "ERROR: you didn't specify a database file\n";
    const std::string noId = "ERROR: you didn't provide a record id\n";
    const std::string missing = "ERROR: the database file 'missing.db', doesn't exist\n";
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
        {{"--help"}, usage, 0}, // -h and --help as the first word only
        {{"-H", "list"}, usage, 0},
        {{"list", "-h"}, noDatabase, -1},
        {{}, noCommand, -1},
        {{"-v"}, noCommand, -1},
        {{"Hel", "help"}, "ERROR: 'hel' not a valid command, try 'tarnwick help'\n", -1},
        {{"calc", "1-5", "0x10005", "255-255-65535", "", "8"},
         "1-5 == VEK: 1-5  Hex: 0x10005  Decimal: 65541\n"
         "0x10005 == VEK: 1-5  Hex: 0x10005  Decimal: 65541\n"
         "255-255-65535 == VEK: 255-255-65535  Hex: 0xFFFFFFFF  Decimal: 4294967295\n",
         0},
        {{"CALC", "-1"}, noId, -1},
        // A read-only command and verify name a missing file; a writing one finds no database.
        {{"list", "missing.db"}, missing, -1},
        {{"verify", "missing.db"}, missing, -1},
        {{"compact", "missing.db"}, invalid("missing.db"), -1},
        {{"verify", "bad.db"}, invalid("bad.db"), -1},
        {{"compare", "a.db"}, "ERROR: wrong number of arguments for compare\n", -1},
        {{"compare", "a.db", "bad.db"}, invalid("bad.db"), -1},
        {{"add", "a.db"}, "ERROR: no source file to compile was specified\n", -1},
    };
    for (const auto& c : cases)
        ExpectRun(c.arguments, "", c.err, c.exitCode);
    EXPECT_EQ(fDir.Files(), (std::vector<std::string>{"a.db", "a.ind", "bad.db"}));
    WriteFile("empty.db", "");
    ExpectRun({"remove", "empty.db", "0"}, "", "ERROR: record 0-0 wasn't found\n", -1);
    EXPECT_EQ(ReadFile("empty.db").size(), 25u);
    // The program's name is the file name it was started under.
    std::filesystem::create_symlink(ToolPath(), PathOf("Other.Name"));
    EXPECT_EQ(RunProcess("./Other.Name", {}, fDir.Path()).err,
              "ERROR: no command given on command line; try 'Other.Name help'\n");
}
