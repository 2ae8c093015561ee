// Runs the built kelvane-table and pins its output, messages and exit status.
#include "ProcessRunner.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

std::string Bin() {
    return std::getenv("TARNWICK_BIN");
}

const char kUsage[] = "usage:\n"
                      "  kelvane-table compile SOURCE.xml TABLE.bin\n"
                      "  kelvane-table decompile TABLE.bin\n"
                      "  kelvane-table names SOURCE.xml\n";

void ExpectRun(const std::vector<std::string>& arguments, const std::string& out,
               const std::string& err, int exitCode) {
    const TProcessResult r = RunProcess(Bin() + "/kelvane-table", arguments);
    EXPECT_EQ(r.out, out);
    EXPECT_EQ(r.err, err);
    EXPECT_EQ(r.exitCode, exitCode);
}

TEST(TableCompilerEndToEnd, WrongCommandLinesAndFilesItCannotUse) {
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{},
                                                      {"compile", "a.xml"},
                                                      {"decompile"},
                                                      {"names"},
                                                      {"link", "x"}})
        ExpectRun(arguments, "", kUsage, 2);
    TTempDirectory dir;
    const std::string prefix = "kelvane-table: " + dir.Path();
    ExpectRun({"decompile", dir / "none.bin"}, "", prefix + "none.bin: cannot be read\n", 1);
    WriteBytes(dir / "bad.bin", {0x00, 0x01, 0xFF});
    ExpectRun({"decompile", dir / "bad.bin"}, "", prefix + "bad.bin: not an atom table file\n", 1);
    ExpectRun({"compile", dir / "none.xml", dir / "t.bin"}, "",
              prefix + "none.xml: cannot be read\n", 1);
    std::ofstream(dir / "bad.xml") << "<?xml?><atom_table></class>";
    ExpectRun({"compile", dir / "bad.xml", dir / "t.bin"}, "",
              prefix + "bad.xml: parsing failed (error 6, file offset 26)\n", 1);
    std::ofstream(dir / "bad.xml")
        << "<?xml version=\"1.0\"?>\n<atom_table>\n  <class number=\"x\"/></atom_table>";
    ExpectRun({"compile", dir / "bad.xml", dir / "t.bin"}, "",
              prefix + "bad.xml: offset 37: <class>: attribute \"number\" must be a number from 0 "
                       "to 65535\n",
              1);
    // The names of a criterion atom are the library's; the names section refuses others.
    std::ofstream(dir / "names.xml")
        << "<?xml version=\"1.0\"?><atom_table><class number=\"2\"><protocol number=\"3\">"
           "<atom number=\"1\" name=\"on\" format=\"criterion\"><enum size=\"1\" "
           "kind=\"values\"><item value=\"0\" name=\"click\"/></enum></atom></protocol>"
           "</class></atom_table>";
    ExpectRun({"names", dir / "names.xml"}, "",
              prefix + "names.xml: <atom \"on\">: item \"click\" is not a name the library "
                       "reads here\n",
              1);
    // A failed compile leaves neither the table nor its temporary file behind.
    EXPECT_FALSE(std::filesystem::exists(dir / "t.bin"));
    EXPECT_FALSE(std::filesystem::exists(dir / "t.bin.tmp"));
}

// Valid but unusual notations (hexadecimal, octal, leading zeros, numbers for named formats and
// kinds, entities) compile; decompiling writes every field in the canonical form.
TEST(TableCompilerEndToEnd, CompilesEveryNotationAndDecompilesEveryField) {
    TTempDirectory dir;
    std::ofstream(dir / "t.xml")
        << "<?xml version=\"1.0\"?>\n<atom_table><class number=\"0x2\"><protocol number=\"050\">"
           "<atom number=\"0xFFFF\" name=\"a&lt;b&amp;&quot;c&apos;&#x1;\" format=\"6\" "
           "layout=\"01\"/><atom number=\"2\" name=\"style\" format=\"19\">"
           "<enum size=\"1\" kind=\"1\"><item value=\"1\" name=\"bold\"/></enum>"
           "<enum size=\"2\" kind=\"2\"><item value=\"0x12C\" name=\"many\"/></enum>"
           "<enum size=\"4\" kind=\"3\"><item value=\"4294967295\" name=\"all\"/>"
           "<item value=\"0x0000ffff0000\" name=\"high\"/></enum><multi format=\"99\"/>"
           "<multi format=\"20\"><enum size=\"2\" kind=\"7\"/></multi></atom>"
           "<atom number=\"017\" name=\"\"/></protocol></class><class number=\"1\"/></atom_table>";
    ExpectRun({"compile", dir / "t.xml", dir / "t.bin"}, "", "", 0);
    ExpectRun(
        {"decompile", dir / "t.bin"},
        "<?xml version=\"1.0\" encoding=\"us-ascii\"?>\n<atom_table>\n  <class number=\"2\">\n"
        "    <protocol number=\"40\">\n      <atom number=\"65535\" "
        "name=\"a&lt;b&amp;&quot;c&apos;&#x1;\" format=\"stream\" layout=\"1\"/>\n"
        "      <atom number=\"2\" name=\"style\" format=\"enumeration\">\n"
        "        <enum size=\"1\" kind=\"flags\">\n          <item value=\"0x1\" name=\"bold\"/>\n"
        "        </enum>\n        <enum size=\"2\" kind=\"values\">\n"
        "          <item value=\"300\" name=\"many\"/>\n        </enum>\n"
        "        <enum size=\"4\" kind=\"masked\">\n"
        "          <item value=\"0xffffffff\" name=\"all\"/>\n"
        "          <item value=\"0xffff0000\" name=\"high\"/>\n        </enum>\n"
        "        <multi format=\"99\"/>\n        <multi format=\"byte\">\n"
        "          <enum size=\"2\" kind=\"7\"/>\n        </multi>\n      </atom>\n"
        "      <atom number=\"15\" name=\"\"/>\n    </protocol>\n  </class>\n"
        "  <class number=\"1\"/>\n</atom_table>\n",
        "", 0);
}

TEST(TableCompilerEndToEnd, TheBuiltDefaultTableRoundTrips) {
    TTempDirectory dir;
    TProcessResult source = RunProcess(Bin() + "/kelvane-table", {"decompile", Bin() + "/kel.bin"});
    ASSERT_EQ(source.exitCode, 0) << source.err;
    std::ofstream(dir / "default.xml") << source.out;
    ExpectRun({"compile", dir / "default.xml", dir / "again.bin"}, "", "", 0);
    EXPECT_EQ(ReadBytes(dir / "again.bin"), ReadBytes(Bin() + "/kel.bin"));
}

} // namespace
