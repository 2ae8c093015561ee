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

std::vector<uint8_t> Text(const std::string& text) {
    return {text.begin(), text.end()};
}

// Source text → table file bytes; empty with `error` set on failure.
std::vector<uint8_t> Compile(const std::string& source, std::string& error) {
    TSourceElement root;
    ZAtomTable table;
    if (!ParseTableSourceXml(Text(source), root, error) || !ReadTableSource(root, table, error))
        return {};
    return WriteAtomTable(table);
}

std::string Decompile(const std::vector<uint8_t>& bytes) {
    std::shared_ptr<ZAtomTable> table;
    EXPECT_EQ(ReadAtomTable(bytes.data(), bytes.size(), table), 0);
    return table ? WriteTableSource(*table) : "";
}

TEST(SourceXml, NotesTheOffsetOfEveryStartTag) {
    std::string text = "<?xml version=\"1.0\"?>\n<atom_table>\n  <class number=\"2\">"
                       "<protocol number=\"1\"/></class>\n</atom_table>\n";
    TSourceElement root;
    std::string error;
    ASSERT_TRUE(ParseTableSourceXml(Text(text), root, error)) << error;
    EXPECT_EQ(root.offset, text.find("<atom_table"));
    ASSERT_EQ(root.children.size(), 1u);
    EXPECT_EQ(root.children[0].offset, text.find("<class"));
    EXPECT_EQ(root.children[0].attributes.at("number"), "2");
    EXPECT_EQ(root.children[0].children[0].offset, text.find("<protocol"));
}

TEST(SourceXml, ReportsParserErrorsAndMissingRoots) {
    TSourceElement root;
    std::string error;
    EXPECT_FALSE(ParseTableSourceXml(Text("<?xml?><a></b>"), root, error));
    EXPECT_EQ(error, "parsing failed (error 6, file offset 13)");
    EXPECT_FALSE(ParseTableSourceXml(Text("<?xml version=\"1.0\"?>"), root, error));
    EXPECT_EQ(error, "no root element");
    std::string deep = "<?xml?>";
    for (int i = 0; i < 100; ++i)
        deep += "<a>";
    EXPECT_FALSE(ParseTableSourceXml(Text(deep), root, error));
    EXPECT_EQ(error, "offset " + std::to_string(7 + 16 * 3) + ": <a>: nested too deeply");
}

TEST(SourceXml, ErrorsOfTheReaderCarryFileOffsets) {
    std::string text = "<?xml?><atom_table><class number=\"2\"><protocol number=\"1\">"
                       "<atom number=\"1\"/></protocol></class></atom_table>";
    std::string error;
    EXPECT_TRUE(Compile(text, error).empty());
    EXPECT_EQ(error, "offset " + std::to_string(text.find("<atom ")) +
                         ": <atom>: missing attribute \"name\"");
}

TEST(SourceXml, EntitiesInNamesSurviveTheRoundTrip) {
    TableBuilder t;
    t.Class(2).Protocol(3).Atom(4, "a<&>\"'\t\x7f\xe9 z");
    std::vector<uint8_t> bytes = WriteAtomTable(*t.table);
    std::string error;
    EXPECT_EQ(Compile(Decompile(bytes), error), bytes) << error;
}

TEST(SourceXml, RandomTablesRoundTripThroughTheSourceForm) {
    std::mt19937 rng(2024);
    for (int i = 0; i < 100; ++i) {
        std::vector<uint8_t> bytes = WriteAtomTable(*RandomTable(rng));
        std::string error;
        ASSERT_EQ(Compile(Decompile(bytes), error), bytes) << error;
    }
}

// The default table: compile → decompile → compile gives the same bytes, and it holds what
// the examples and tests rely on.
class DefaultTable : public testing::Test {
protected:
    void SetUp() override {
        std::ifstream in(std::string(TABLES_DIR) + "/default.xml", std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), {});
        std::string error;
        bytes = Compile(text, error);
        ASSERT_FALSE(bytes.empty()) << error;
        ASSERT_EQ(ReadAtomTable(bytes.data(), bytes.size(), table), 0);
    }
    std::vector<uint8_t> bytes;
    std::shared_ptr<ZAtomTable> table;
};

TEST_F(DefaultTable, RoundTripsByteForByte) {
    std::string error;
    EXPECT_EQ(Compile(Decompile(bytes), error), bytes) << error;
}

TEST_F(DefaultTable, CoversEveryFormatKindAndReservedAtom) {
    std::set<uint16_t> formats, kinds, layouts;
    bool highProtocol = false;
    for (const auto& cls : table->classes)
        for (const auto& protocol : cls->protocols) {
            highProtocol = highProtocol || protocol->number >= 32;
            for (const auto& atom : protocol->atoms) {
                formats.insert(atom->format);
                layouts.insert(atom->layout);
                for (const auto& e : atom->enums)
                    kinds.insert(e->kind);
                for (const auto& m : atom->multis)
                    if (m->enumeration) kinds.insert(m->enumeration->kind);
                std::string name(atom->name.Text(), atom->name.Length());
                EXPECT_EQ(table->FindAtomByName(atom->name), atom.get()) << name; // unique
                for (char c : name)
                    EXPECT_FALSE(c >= 'A' && c <= 'Z') << name;
            }
        }
    for (uint16_t format = 0; format <= 22; ++format)
        EXPECT_TRUE(formats.count(format)) << format;
    EXPECT_EQ(kinds, (std::set<uint16_t>{1, 2, 3}));
    EXPECT_TRUE(layouts.count(1) && layouts.count(2));
    EXPECT_TRUE(highProtocol);
    for (uint16_t atom : {4, 5, 6, 22, 23, 24})
        EXPECT_NE(table->FindAtom(2, 0, atom), nullptr);
    EXPECT_NE(table->FindAtom(2, 51, 36), nullptr);
}

} // namespace
