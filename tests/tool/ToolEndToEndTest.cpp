// Runs the built tool and pins its standard output, standard error and exit status.
#include "ProcessRunner.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace {

const char kUsage[] =
    "\ntarnwick Usage:\n\n"
    "  add database.file -keepComments source.xml\n"
    "\tcompiles the xml file, adding the records to an existing database\n"
    "\t  -keepComments prevents QDF comments from being removed\n\n"
    "  calc record_id\n"
    "\tconverts an id (in any format), into the 3 different formats\n"
    "\ta series of ids seperated by spaces is valid\n\n"
    "  create database.file -keepComments source.xml\n"
    "\tcompiles the xml file to create a new database\n"
    "\t  -keepComments prevents QDF comments from being removed\n\n"
    "  compact database.file\n"
    "\tcompact the database to reclain any wasted space\n\n"
    "  compare database.file second_db.file\n"
    "\tcompares two databases, and reports differences\n\n"
    "  delete database.file\n"
    "\tdeletes the database file and any support files\n\n"
    "  dump database.file [-notables] [-binary] [-skipASC] (-all|rec_rng) [output.file]\n"
    "\twrite records in XML format\n"
    "\t  -notables skips the table check when dumping binary record(s)\n"
    "\t  -binary forces binary dump of the record(s)\n"
    "\t  -skipASC don't print the ASC values of binary data\n"
    "\t  -all|[record_range] conrols the records dumped\n\n"
    "  help\n"
    "\tshows this message\n\n"
    "  list database.file [-tab] [-skip] [-only] [output.file]\n"
    "\tlist the records in a database\n"
    "\t  -tab\ttab the columns\n"
    "\t  -skip\tsuppress the summary\n"
    "\t  -only\tonly show the summary (skip record list)\n\n"
    "  remove database.file record_range\n"
    "\tremoves the record range from the database\n\n"
    "  version\n"
    "\tprints the tool's version information\n\n"
    "Note:\n"
    "  record_id\trecord ids can be in VEK notation, hex, or decimal\n"
    "  record_list\tseperate entries with commas, an entry can be a single id\n"
    "\t\tor a range. ranges are two IDs seperated by a colon\n"
    "\t\tor an ID and offset seperated by a colon.\n"
    "\t\t  ie:  ID or ID,ID or ID:ID or ID:+X or ID,ID:ID,ID:+X\n";

TProcessResult Tool(const std::vector<std::string>& arguments) {
    return RunProcess(ToolPath(), arguments);
}

void ExpectRun(const TProcessResult& result, const std::string& err, int exitCode) {
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, err);
    EXPECT_EQ(result.exitCode, exitCode);
}

TEST(ToolHelp, PrintsTheUsageForAnySpellingOfHelp) {
    for (const char* word : {"help", "HELP", "Help"})
        ExpectRun(Tool({word}), kUsage, 0);
}

TEST(ToolHelp, IgnoresSurplusArgumentsAndUnknownOptions) {
    ExpectRun(Tool({"help", "extra", "words", "-x"}), kUsage, 0);
    ExpectRun(Tool({"-x", "-ALL", "help"}), kUsage, 0);
}

TEST(ToolDispatch, EveryMessageOfTheDispatcher) {
    ExpectRun(Tool({}), "ERROR: no command given on command line; try 'tarnwick help'\n", -1);
    ExpectRun(Tool({"-v"}), "ERROR: no command given on command line; try 'tarnwick help'\n", -1);
    ExpectRun(Tool({"hel"}), "ERROR: 'hel' not a valid command, try 'tarnwick help'\n", -1);
    ExpectRun(Tool({"Frob", "help"}), "ERROR: 'frob' not a valid command, try 'tarnwick help'\n",
              -1);
    ExpectRun(Tool({"list"}), "ERROR: you didn't specify a database file\n", -1);
    ExpectRun(Tool({"-all", "dump"}), "ERROR: you didn't specify a database file\n", -1);
}

TEST(ToolDispatch, ProgramNameComesFromTheFirstWord) {
    TTempDirectory directory;
    ASSERT_FALSE(directory.Path().empty());
    std::filesystem::create_symlink(ToolPath(), directory.Path() + "Other.Name");
    TProcessResult result = RunProcess("./Other.Name", {}, directory.Path());
    ExpectRun(result, "ERROR: no command given on command line; try 'Other.Name help'\n", -1);
}

TEST(ToolVersion, PrintsFourLinesWithTheBuildDate) {
    TProcessResult result = Tool({"VERSION", "ignored"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
    const std::string head = "\ntarnwick Version Info:\n\n"
                             "\tTarnwick version 1.4 : File version 1.0\n"
                             "\tKEL DLL version 'KEL Build 8'\n";
    ASSERT_EQ(result.err.substr(0, head.size()), head);
    std::string built = result.err.substr(head.size());
    // The compiler's date and time forms: "Oct  4 1999" and "09:08:38".
    EXPECT_TRUE(
        std::regex_match(built, std::regex("\tTool built on [A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4} "
                                           "[0-2][0-9]:[0-5][0-9]:[0-6][0-9]\n")))
        << built;
}

TEST(ToolCalc, ConvertsBetweenTheNotations) {
    ExpectRun(Tool({"calc", "1-5", "0x10005", "65541"}),
              "1-5 == VEK: 1-5  Hex: 0x10005  Decimal: 65541\n"
              "0x10005 == VEK: 1-5  Hex: 0x10005  Decimal: 65541\n"
              "65541 == VEK: 1-5  Hex: 0x10005  Decimal: 65541\n",
              0);
}

TEST(ToolCalc, EdgeCasesOfTheIdNotations) {
    ExpectRun(Tool({"calc", "0xFFFFFFFF", "255-0-0", "1-70000", "abc", "1-2-3", "0X1f"}),
              "0xFFFFFFFF == VEK: 127-255-65535  Hex: 0x7FFFFFFF  Decimal: 2147483647\n"
              "255-0-0 == VEK: 255-0-0  Hex: 0xFF000000  Decimal: 4278190080\n"
              "1-70000 == VEK: 1-4464  Hex: 0x11170  Decimal: 70000\n"
              "abc == VEK: 0-0  Hex: 0x0  Decimal: 0\n"
              "1-2-3 == VEK: 1-2-3  Hex: 0x1020003  Decimal: 16908291\n"
              "0X1f == VEK: 0-31  Hex: 0x1F  Decimal: 31\n",
              0);
    ExpectRun(Tool({"calc", "99999999999", "255-255-65535", "x"}),
              "99999999999 == VEK: 127-255-65535  Hex: 0x7FFFFFFF  Decimal: 2147483647\n"
              "255-255-65535 == VEK: 255-255-65535  Hex: 0xFFFFFFFF  Decimal: 4294967295\n"
              "x == VEK: 0-0  Hex: 0x0  Decimal: 0\n",
              0);
}

TEST(ToolCalc, NegativeNumbersAreOptionsAndIgnored) {
    ExpectRun(Tool({"calc", "-1"}), "ERROR: you didn't provide a record id\n", -1);
    ExpectRun(Tool({"CALC"}), "ERROR: you didn't provide a record id\n", -1);
}

} // namespace
