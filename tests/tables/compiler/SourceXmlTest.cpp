// The table compiler's XML front end, and tables that come back byte for byte through their
// source form.
#include "SourceXml.h"

#include "TableBuilder.h"
#include "TableFile.h"
#include "TableSourceReader.h"
#include "TableSourceWriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>

namespace {

// Source text → table file bytes; empty with `error` set on failure.
std::vector<uint8_t> Compile(const std::string& source, std::string& error) {
    TSourceElement root;
    ZAtomTable table;
    if (!ParseTableSourceXml(std::vector<uint8_t>(source.begin(), source.end()), root, error) ||
        !ReadTableSource(root, table, error))
        return {};
    return WriteAtomTable(table);
}

TEST(SourceXml, RefusesADocumentWithoutRootAndNestingPastSixteen) {
    std::string error;
    EXPECT_TRUE(Compile("<?xml version=\"1.0\"?>", error).empty());
    EXPECT_EQ(error, "no root element");
    std::string deep = "<?xml?>";
    for (int i = 0; i < 100; ++i)
        deep += "<a>";
    EXPECT_TRUE(Compile(deep, error).empty());
    EXPECT_EQ(error, "offset " + std::to_string(7 + 16 * 3) + ": <a>: nested too deeply");
}

// Names with markup, control and high bytes, then random tables of every shape.
TEST(SourceXml, TablesRoundTripThroughTheSourceForm) {
    TableBuilder t;
    t.Class(2).Protocol(3).Atom(4, "a<&>\"'\t\x7f\xe9 z");
    std::vector<std::vector<uint8_t>> tables{WriteAtomTable(*t.table)};
    std::mt19937 rng(2024);
    for (int i = 0; i < 100; ++i)
        tables.push_back(WriteAtomTable(*RandomTable(rng)));
    for (const std::vector<uint8_t>& bytes : tables) {
        std::shared_ptr<ZAtomTable> table;
        ASSERT_EQ(ReadAtomTable(bytes.data(), bytes.size(), table), 0);
        std::string error;
        ASSERT_EQ(Compile(WriteTableSource(*table), error), bytes) << error;
    }
}

// The default table holds what the examples and the other tests rely on: every argument
// format and enumeration kind, both layout bits, and unique lower-case atom names (the
// assembler looks names up in lower case).
TEST(SourceXml, TheDefaultTableCoversEveryFormatAndKind) {
    std::ifstream in(std::string(TABLES_DIR) + "/default.xml", std::ios::binary);
    std::string error;
    std::vector<uint8_t> bytes =
        Compile(std::string(std::istreambuf_iterator<char>(in), {}), error);
    std::shared_ptr<ZAtomTable> table;
    ASSERT_EQ(ReadAtomTable(bytes.data(), bytes.size(), table), 0) << error;
    std::set<uint16_t> formats, kinds, layouts;
    for (const auto& cls : table->classes)
        for (const auto& protocol : cls->protocols)
            for (const auto& atom : protocol->atoms) {
                formats.insert(atom->format);
                layouts.insert(atom->layout);
                for (const auto& e : atom->enums)
                    kinds.insert(e->kind);
                for (const auto& m : atom->multis)
                    if (m->enumeration) kinds.insert(m->enumeration->kind);
                std::string name(atom->name.Text(), atom->name.Length());
                EXPECT_EQ(table->FindAtomByName(atom->name), atom.get()) << name;
                EXPECT_EQ(name.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), name.npos) << name;
            }
    for (uint16_t format = 0; format <= 22; ++format)
        EXPECT_TRUE(formats.count(format)) << format;
    EXPECT_EQ(kinds, (std::set<uint16_t>{1, 2, 3}));
    EXPECT_TRUE(layouts.count(1) && layouts.count(2));
    for (uint16_t atom : {4, 5, 6, 22, 23, 24})
        EXPECT_NE(table->FindAtom(2, 0, atom), nullptr);
    EXPECT_NE(table->FindAtom(2, 51, 36), nullptr);
}

} // namespace
