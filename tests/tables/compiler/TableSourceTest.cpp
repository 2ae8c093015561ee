#include "TableSourceReader.h"
#include "TableSourceWriter.h"

#include "TableBuilder.h"
#include "TableFile.h"

#include <gtest/gtest.h>

namespace {

using Attrs = std::map<std::string, std::string>;

TSourceElement E(const char* name, Attrs attrs, std::vector<TSourceElement> children = {},
                 uint32_t offset = 0) {
    TSourceElement e;
    e.name = name;
    e.attributes = std::move(attrs);
    e.children = std::move(children);
    e.offset = offset;
    return e;
}

// <atom_table><class number=2><protocol number=1> holding `atoms`.
TSourceElement Doc(std::vector<TSourceElement> atoms) {
    return E("atom_table", {},
             {E("class", {{"number", "2"}}, {E("protocol", {{"number", "1"}}, std::move(atoms))})});
}

std::string ErrorOf(const TSourceElement& root) {
    ZAtomTable table;
    std::string error;
    EXPECT_FALSE(ReadTableSource(root, table, error));
    return error;
}

TEST(TableSource, ReadsEveryField) {
    TSourceElement root = Doc(
        {E("atom", {{"number", "5"}, {"name", "style"}, {"format", "enumeration"}, {"layout", "3"}},
           {E("enum", {{"size", "1"}, {"kind", "flags"}},
              {E("item", {{"value", "1"}, {"name", "bold"}}),
               E("item", {{"value", "0x80000000"}, {"name", "top"}})})}),
         E("atom", {{"number", "0x10"}, {"name", "pair"}, {"format", "18"}},
           {E("multi", {{"format", "byte"}}),
            E("multi", {{"format", "enumeration"}}, {E("enum", {{"size", "2"}, {"kind", "7"}})})}),
         E("atom", {{"number", "017"}, {"name", ""}})});
    ZAtomTable table;
    std::string error;
    ASSERT_TRUE(ReadTableSource(root, table, error)) << error;
    const ZAtom* style = table.FindAtom(2, 1, 5);
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(style->format, 19);
    EXPECT_EQ(style->layout, 3);
    ASSERT_NE(style->Enumeration(0), nullptr);
    EXPECT_EQ(style->Enumeration(0)->kind, kEnumFlags);
    EXPECT_EQ(style->Enumeration(0)->items[1]->value, 0x80000000u);
    const ZAtom* pair = table.FindAtom(2, 1, 16);
    ASSERT_NE(pair, nullptr);
    EXPECT_EQ(pair->ArgumentFormat(1), 20);
    EXPECT_EQ(pair->Enumeration(1), nullptr);
    EXPECT_EQ(pair->Enumeration(2)->kind, 7);
    const ZAtom* unnamed = table.FindAtom(2, 1, 15); // 017 is octal
    ASSERT_NE(unnamed, nullptr);
    EXPECT_TRUE(unnamed->name.Empty());
    EXPECT_EQ(unnamed->format, 0);
}

TEST(TableSource, ErrorsNameTheElementAndItsOffset) {
    EXPECT_EQ(ErrorOf(E("atoms", {}, {}, 40)),
              "offset 40: <atoms>: the document must be an <atom_table>");
    EXPECT_EQ(ErrorOf(Doc({E("atom", {{"name", "x"}}, {}, 77)})),
              "offset 77: <atom>: missing attribute \"number\"");
    EXPECT_EQ(ErrorOf(Doc({E("atom", {{"number", "1"}, {"name", "x"}, {"colour", "red"}}, {}, 9)})),
              "offset 9: <atom>: unknown attribute \"colour\"");
    EXPECT_EQ(ErrorOf(Doc({E("atom", {{"number", "1"}, {"name", "x"}}, {E("item", {}, {}, 12)})})),
              "offset 12: <item>: not allowed in <atom>");
    EXPECT_EQ(ErrorOf(E("atom_table", {}, {E("protocol", {{"number", "1"}}, {}, 3)})),
              "offset 3: <protocol>: not allowed in <atom_table>");
    EXPECT_EQ(ErrorOf(Doc({E("atom", {{"number", "1"}, {"name", "x"}, {"format", "strng"}})})),
              "offset 0: <atom>: attribute \"format\" must be a number from 0 to 65535");
    TSourceElement texty = Doc({});
    texty.children[0].text = " hello ";
    EXPECT_EQ(ErrorOf(texty), "offset 0: <class>: holds text; only elements belong here");
    EXPECT_EQ(ErrorOf(Doc({E("atom", {{"number", "1"}, {"name", "m"}, {"format", "multi"}},
                             {E("multi", {{"format", "19"}},
                                {E("enum", {{"size", "1"}, {"kind", "values"}}),
                                 E("enum", {{"size", "1"}, {"kind", "values"}}, {}, 88)})})})),
              "offset 88: <enum>: a <multi> holds one <enum> at most");
    EXPECT_EQ(ErrorOf(Doc({E("atom", {{"number", "1"}, {"name", std::string(65536, 'a')}})})),
              "offset 0: <atom>: name longer than 65535 bytes");
}

TEST(TableSource, NumbersMustBeWholeAndInRange) {
    for (const char* bad :
         {"", "-1", "+1", " 1", "1 ", "1x", "0x", "08", "65536", "0x10000", "99999999999", "abc"}) {
        std::string error = ErrorOf(Doc({E("atom", {{"number", bad}, {"name", "x"}})}));
        EXPECT_EQ(error, "offset 0: <atom>: attribute \"number\" must be a number from 0 to 65535")
            << bad;
    }
    for (const char* bad : {"4294967296", "0x100000000", "040000000000"}) {
        std::string error = ErrorOf(Doc({E("atom", {{"number", "1"}, {"name", "e"}},
                                           {E("enum", {{"size", "1"}, {"kind", "flags"}},
                                              {E("item", {{"value", bad}, {"name", "v"}})})})}));
        EXPECT_NE(error.find("\"value\" must be a number from 0 to 4294967295"), std::string::npos)
            << bad;
    }
    ZAtomTable table;
    std::string error;
    EXPECT_TRUE(
        ReadTableSource(Doc({E("atom", {{"number", "0xFFFF"}, {"name", "x"}, {"layout", "00"}},
                               {E("enum", {{"size", "4"}, {"kind", "masked"}},
                                  {E("item", {{"value", "4294967295"}, {"name", "all"}}),
                                   E("item", {{"value", "0x0000ffffFFFF"}, {"name", "same"}})})})}),
                        table, error))
        << error;
}

TEST(TableSource, WritesTheSourceForm) {
    TableBuilder t;
    t.Class(2).Protocol(40);
    t.Atom(1, "a<b&\"c'\x01", 6, 1);
    ZAtom& e = t.Atom(2, "style", 19);
    e.enums.push_back(MakeEnum(1, kEnumFlags, {{1, "bold"}}));
    e.enums.push_back(MakeEnum(2, kEnumValues, {}));
    e.multis.push_back(std::make_shared<ZMulti>());
    e.multis.back()->format = 99;
    t.Class(1);
    EXPECT_EQ(WriteTableSource(*t.table),
              "<?xml version=\"1.0\" encoding=\"us-ascii\"?>\n"
              "<atom_table>\n"
              "  <class number=\"2\">\n"
              "    <protocol number=\"40\">\n"
              "      <atom number=\"1\" name=\"a&lt;b&amp;&quot;c&apos;&#x1;\" format=\"stream\" "
              "layout=\"1\"/>\n"
              "      <atom number=\"2\" name=\"style\" format=\"enumeration\">\n"
              "        <enum size=\"1\" kind=\"flags\">\n"
              "          <item value=\"0x1\" name=\"bold\"/>\n"
              "        </enum>\n"
              "        <enum size=\"2\" kind=\"values\"/>\n"
              "        <multi format=\"99\"/>\n"
              "      </atom>\n"
              "    </protocol>\n"
              "  </class>\n"
              "  <class number=\"1\"/>\n"
              "</atom_table>\n");
}

} // namespace
