// Runs the built kelvane-table and pins its output, messages and exit status.
#include "ProcessRunner.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

using Bytes8 = std::vector<uint8_t>;

// Set for the tests by CTest; not while it lists them.
const std::string kBin = std::getenv("TARNWICK_BIN") ? std::getenv("TARNWICK_BIN") : ".";

void ExpectRun(const std::vector<std::string>& arguments, const std::string& out,
               const std::string& err, int exitCode) {
    const TProcessResult r = RunProcess(kBin + "/kelvane-table", arguments);
    EXPECT_EQ(r.out, out);
    EXPECT_EQ(r.err, err);
    EXPECT_EQ(r.exitCode, exitCode);
}

// An alert atom whose enum holds `items`, in a source.
std::string AlertNames(const std::string& items) {
    return "<?xml version=\"1.0\"?><atom_table><class number=\"2\"><protocol number=\"3\">"
           "<atom number=\"1\" name=\"on\" format=\"alert\"><enum size=\"1\" kind=\"values\">" +
           items + "</enum></atom></protocol></class></atom_table>";
}
std::string Item(const char* name, int value) {
    return "<item value=\"" + std::to_string(value) + "\" name=\"" + name + "\"/>";
}

// Each row: the command line (the files in the test's directory), the source written to t.xml
// first => standard error, after "kelvane-table: " and the directory for a failure (exit 1);
// a wrong command line prints the usage and exits with 2. A failed compile leaves neither the
// table nor its temporary file behind.
TEST(TableCompilerEndToEnd, WrongCommandLinesAndFilesItCannotUse) {
    const std::string usage = "usage:\n"
                              "  kelvane-table compile SOURCE.xml TABLE.bin\n"
                              "  kelvane-table decompile TABLE.bin\n"
                              "  kelvane-table names SOURCE.xml\n";
    std::string deep = "<?xml?>";
    for (int i = 0; i < 100; ++i)
        deep += "<a>";
    const std::vector<std::string> compile = {"compile", "t.xml", "t.bin"},
                                   names = {"names", "t.xml"};
    const std::tuple<std::vector<std::string>, std::string, std::string, int> cases[] = {
        {{}, "", usage, 2},
        {{"compile", "a.xml"}, "", usage, 2},
        {{"names"}, "", usage, 2},
        {{"link", "x"}, "", usage, 2},
        {{"decompile", "none.bin"}, "", "none.bin: cannot be read", 1},
        {{"decompile", "t.xml"}, std::string("\0\1\xFF", 3), "t.xml: not an atom table file", 1},
        {{"compile", "none.xml", "t.bin"}, "", "none.xml: cannot be read", 1},
        {compile, "<?xml?><atom_table></class>", "t.xml: parsing failed (error 6, file offset 26)",
         1},
        {compile, "<?xml version=\"1.0\"?>", "t.xml: no root element", 1},
        {compile, deep, "t.xml: offset 55: <a>: nested too deeply", 1},
        {compile, "<?xml version=\"1.0\"?>\n<atom_table>\n  <class number=\"x\"/></atom_table>",
         "t.xml: offset 37: <class>: attribute \"number\" must be a number from 0 to 65535", 1},
        // The names of a name format are the library's, each once with its value.
        {names, AlertNames(Item("click", 0)),
         "t.xml: <atom \"on\">: item \"click\" is not a name the library reads here", 1},
        {names, AlertNames(Item("warning", 9)),
         "t.xml: <atom \"on\">: item \"warning\" must have the value 5", 1},
        {names, AlertNames(Item("warning", 5) + Item("warning", 5)),
         "t.xml: <atom \"on\">: item \"warning\" is there twice", 1},
        {names, AlertNames(Item("warning", 5)),
         "t.xml: <atom \"on\">: the library's name \"?\" is missing", 1}};
    for (const auto& [arguments, source, err, exitCode] : cases) {
        TTempDirectory dir;
        WriteBytes(dir / "t.xml", Bytes8(source.begin(), source.end()));
        std::vector<std::string> paths = arguments;
        for (size_t i = 1; i < paths.size(); ++i)
            paths[i] = dir / paths[i];
        ExpectRun(paths, "", exitCode == 1 ? "kelvane-table: " + dir.Path() + err + "\n" : err,
                  exitCode);
        EXPECT_FALSE(std::filesystem::exists(dir / "t.bin"));
        EXPECT_FALSE(std::filesystem::exists(dir / "t.bin.tmp"));
    }
}

// Valid but unusual notations compile (notations.xml); decompiling writes every field in the
// canonical form (notations.decompiled.xml). The sources of the built default table and of
// the atom library tests' table (every format and kind of enumeration, a name with markup,
// control and high bytes) compile back to the same bytes.
TEST(TableCompilerEndToEnd, CompilesEveryNotationAndDecompilesEveryField) {
    TTempDirectory dir;
    const std::string notations = std::string(TABLES_TEST_DIR) + "/notations";
    ExpectRun({"compile", notations + ".xml", dir / "t.bin"}, "", "", 0);
    const Bytes8 decompiled = ReadBytes(notations + ".decompiled.xml");
    ExpectRun({"decompile", dir / "t.bin"}, std::string(decompiled.begin(), decompiled.end()), "",
              0);
    for (const std::string& table : {kBin + "/kel.bin", std::string(KEL_FORMATS_TABLE)}) {
        TProcessResult source = RunProcess(kBin + "/kelvane-table", {"decompile", table});
        ASSERT_EQ(source.exitCode, 0) << source.err;
        std::ofstream(dir / "again.xml") << source.out;
        ExpectRun({"compile", dir / "again.xml", dir / "again.bin"}, "", "", 0);
        EXPECT_EQ(ReadBytes(dir / "again.bin"), ReadBytes(table)) << table;
    }
}

} // namespace
