// Runs the built tool and pins its standard output, standard error and exit status: the usage
// and version texts, and every message given before a command's own work begins.
#include "ToolRunFixture.h"

using ToolTest = TToolRunTest;

// The usage text comes from the command table, each entry in the form the command's database
// mode and argument text give. Each database name as typed; nothing is created for a missing
// database.
TEST_F(ToolTest, UsageVersionDispatchCalcAndOpeningMessages) {
    const std::string usage = Tool({"help"}).err;
    for (const char* entry : {"\ntarnwick Usage:\n\n  add database.file -keepComments -strict",
                              "\n\n  calc record_id\n\tconverts", "\n\n  compact database.file\n\t",
                              "\n\n  help\n\tshows this message\n\n"})
        EXPECT_NE(usage.find(entry), std::string::npos) << entry;
    const std::string version = "\ntarnwick Version Info:\n\n\tTarnwick version 1.4 : File version "
                                "1.0\n\tKEL DLL version 'KEL Build 8'\n\tTool built on ";
    for (const char* word : {"VERSION", "--version"}) // then the build date
        EXPECT_TRUE(Tool({word, "ignored"}).err.starts_with(version)) << word;
    MakeDatabase("a.db", {{1, 't', "x"}});
    WriteFile("b.db", "not a database at all, clearly");
    const struct {
        std::vector<std::string> arguments;
        std::string err;
        int exitCode;
    } cases[] = {
        {{"-x", "HELP", "extra"}, usage, 0}, // options anywhere, other words ignored
        {{"--help"}, usage, 0},              // -h and --help as the first word only
        {{"-H", "list"}, usage, 0},
        {{"list", "-h"}, "ERROR: you didn't specify a database file\n", -1},
        {{}, "ERROR: no command given on command line; try 'tarnwick help'\n", -1},
        {{"Hel", "help"}, "ERROR: 'hel' not a valid command, try 'tarnwick help'\n", -1},
        {{"calc", "1-5", "255-255-65535", "", "8"},
         "1-5 == VEK: 1-5  Hex: 0x10005  Decimal: 65541\n"
         "255-255-65535 == VEK: 255-255-65535  Hex: 0xFFFFFFFF  Decimal: 4294967295\n",
         0},
        {{"CALC", "-1"}, "ERROR: you didn't provide a record id\n", -1},
        // A read-only command and verify name a missing file; a writing one finds no database.
        {{"list", "missing.db"}, "ERROR: the database file 'missing.db', doesn't exist\n", -1},
        {{"verify", "missing.db"}, "ERROR: the database file 'missing.db', doesn't exist\n", -1},
        {{"compact", "no.db"}, "ERROR: 'no.db' is not a valid format database file\n", -1},
        {{"compare", "a.db"}, "ERROR: wrong number of arguments for compare\n", -1},
        // The walk of a range ends after its high end, also at the top of the id space.
        {{"remove", "a.db", "255-255-65535"}, "ERROR: record 255-255-65535 wasn't found\n", -1},
        {{"compare", "a.db", "b.db"}, "ERROR: 'b.db' is not a valid format database file\n", -1},
        {{"add", "a.db"}, "ERROR: no source file to compile was specified\n", -1},
    };
    for (const auto& c : cases)
        ExpectRun(c.arguments, "", c.err, c.exitCode);
    EXPECT_EQ(fDir.Files(), (std::vector<std::string>{"a.db", "a.ind", "b.db"}));
    // The program's name is the file name it was started under.
    std::filesystem::create_symlink(ToolPath(), PathOf("Other.Name"));
    EXPECT_EQ(RunProcess("./Other.Name", {}, fDir.Path()).err,
              "ERROR: no command given on command line; try 'Other.Name help'\n");
}
