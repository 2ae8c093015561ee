// Runs the built kelvane-table and pins its output, messages and exit status.
#include "ProcessRunner.h"
#include "TempDirectory.h"
#include "TableBuilder.h"
#include "TableFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

std::string CompilerPath() {
    return std::string(std::getenv("TARNWICK_BIN")) + "/kelvane-table";
}

TProcessResult RunCompiler(const std::vector<std::string>& arguments) {
    return RunProcess(CompilerPath(), arguments);
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

const char kUsage[] = "usage:\n"
                      "  kelvane-table compile SOURCE.xml TABLE.bin\n"
                      "  kelvane-table decompile TABLE.bin\n";

TEST(TableCompilerEndToEnd, AWrongCommandLineShowsTheUsage) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"compile", "a.xml"}, {"decompile"}, {"link", "x"}}) {
        TProcessResult r = RunCompiler(args);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, kUsage);
        EXPECT_EQ(r.exitCode, 2);
    }
}

TEST(TableCompilerEndToEnd, DecompilePrintsTheSourceForm) {
    TTempDirectory dir;
    TableBuilder t;
    t.Class(2).Protocol(51).Atom(36, "note", 3);
    WriteBytes(dir.Path() + "t.bin", WriteAtomTable(*t.table));
    TProcessResult r = RunCompiler({"decompile", dir.Path() + "t.bin"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "<?xml version=\"1.0\" encoding=\"us-ascii\"?>\n"
                     "<atom_table>\n"
                     "  <class number=\"2\">\n"
                     "    <protocol number=\"51\">\n"
                     "      <atom number=\"36\" name=\"note\" format=\"string\"/>\n"
                     "    </protocol>\n"
                     "  </class>\n"
                     "</atom_table>\n");
}

TEST(TableCompilerEndToEnd, DecompileReportsFilesItCannotUse) {
    TTempDirectory dir;
    TProcessResult missing = RunCompiler({"decompile", dir.Path() + "none.bin"});
    EXPECT_EQ(missing.err, "kelvane-table: " + (dir.Path() + "none.bin") + ": cannot be read\n");
    EXPECT_EQ(missing.exitCode, 1);
    WriteBytes(dir.Path() + "bad.bin", {0x00, 0x01, 0xFF});
    TProcessResult bad = RunCompiler({"decompile", dir.Path() + "bad.bin"});
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err,
              "kelvane-table: " + (dir.Path() + "bad.bin") + ": not an atom table file\n");
    EXPECT_EQ(bad.exitCode, 1);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(TableCompilerEndToEnd, TheBuiltDefaultTableRoundTrips) {
    TTempDirectory dir;
    std::string kel = std::string(std::getenv("TARNWICK_BIN")) + "/kel.bin";
    TProcessResult source = RunCompiler({"decompile", kel});
    ASSERT_EQ(source.exitCode, 0) << source.err;
    std::ofstream(dir.Path() + "default.xml") << source.out;
    TProcessResult compiled =
        RunCompiler({"compile", dir.Path() + "default.xml", dir.Path() + "again.bin"});
    EXPECT_EQ(compiled.out + compiled.err, "");
    EXPECT_EQ(compiled.exitCode, 0);
    std::vector<uint8_t> original = ReadBytes(kel);
    EXPECT_FALSE(original.empty());
    EXPECT_EQ(ReadBytes(dir.Path() + "again.bin"), original);
}

TEST(TableCompilerEndToEnd, CompileErrorsNameFileElementAndOffsetAndWriteNothing) {
    TTempDirectory dir;
    std::string source = dir.Path() + "bad.xml";
    std::string table = dir.Path() + "bad.bin";
    std::ofstream(source) << "<?xml version=\"1.0\"?>\n<atom_table>\n  <class number=\"x\"/>\n"
                             "</atom_table>\n";
    TProcessResult r = RunCompiler({"compile", source, table});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "kelvane-table: " + source +
                         ": offset 37: <class>: attribute \"number\" must be a number from 0 to "
                         "65535\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(std::ifstream(table).good());
    EXPECT_FALSE(std::ifstream(table + ".tmp").good());

    std::ofstream(source) << "<?xml?><atom_table></class>";
    r = RunCompiler({"compile", source, table});
    EXPECT_EQ(r.err, "kelvane-table: " + source + ": parsing failed (error 6, file offset 26)\n");
    EXPECT_EQ(r.exitCode, 1);
    r = RunCompiler({"compile", dir.Path() + "none.xml", table});
    EXPECT_EQ(r.err, "kelvane-table: " + dir.Path() + "none.xml: cannot be read\n");
    EXPECT_EQ(r.exitCode, 1);
}

} // namespace
