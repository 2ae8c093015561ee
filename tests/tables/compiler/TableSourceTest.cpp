// Building atom tables from source elements: each kind of mistake with its exact message.
// (Valid sources are pinned through the built compiler.)
#include "AtomTable.h"
#include "TableSourceReader.h"

#include <gtest/gtest.h>

namespace {

using Attrs = std::map<std::string, std::string>;

TSourceElement E(const char* name, Attrs attrs, std::vector<TSourceElement> children = {},
                 uint32_t offset = 0) {
    return {name, std::move(attrs), "", offset, std::move(children)};
}

// <atom_table><class number=2><protocol number=1> holding `atoms`.
TSourceElement Doc(std::vector<TSourceElement> atoms) {
    return E("atom_table", {},
             {E("class", {{"number", "2"}}, {E("protocol", {{"number", "1"}}, std::move(atoms))})});
}

// An atom numbered 1 and named "x" with `more` attributes, in a document.
TSourceElement AtomDoc(Attrs more, std::vector<TSourceElement> children = {}, uint32_t at = 0) {
    more.insert({{"number", "1"}, {"name", "x"}});
    return Doc({E("atom", std::move(more), std::move(children), at)});
}

// Each mistake is refused with the element and its offset: the root, missing and unknown
// attributes, misplaced elements and text, two enums in a multi, over-long names, and numbers
// that are not whole values in range.
TEST(TableSource, ErrorsNameTheElementAndItsOffset) {
    TSourceElement texty = Doc({});
    texty.children[0].text = " hello ";
    std::vector<std::pair<TSourceElement, std::string>> cases = {
        {E("atoms", {}, {}, 40), "offset 40: <atoms>: the document must be an <atom_table>"},
        {Doc({E("atom", {{"name", "x"}}, {}, 77)}),
         "offset 77: <atom>: missing attribute \"number\""},
        {AtomDoc({{"colour", "red"}}, {}, 9), "offset 9: <atom>: unknown attribute \"colour\""},
        {AtomDoc({}, {E("item", {}, {}, 12)}), "offset 12: <item>: not allowed in <atom>"},
        {E("atom_table", {}, {E("protocol", {{"number", "1"}}, {}, 3)}),
         "offset 3: <protocol>: not allowed in <atom_table>"},
        {texty, "offset 0: <class>: holds text; only elements belong here"},
        {AtomDoc({{"format", "multi"}},
                 {E("multi", {{"format", "19"}},
                    {E("enum", {{"size", "1"}, {"kind", "values"}}),
                     E("enum", {{"size", "1"}, {"kind", "values"}}, {}, 88)})}),
         "offset 88: <enum>: a <multi> holds one <enum> at most"},
        {Doc({E("atom", {{"number", "1"}, {"name", std::string(65536, 'a')}})}),
         "offset 0: <atom>: name longer than 65535 bytes"},
        {AtomDoc({{"format", "strng"}}),
         "offset 0: <atom>: attribute \"format\" must be a number from 0 to 65535"},
    };
    // Numbers are whole attribute values in range, without sign or blanks.
    for (const char* bad :
         {"", "-1", "+1", " 1", "1 ", "1x", "0x", "08", "65536", "0x10000", "99999999999", "abc"})
        cases.push_back(
            {Doc({E("atom", {{"number", bad}, {"name", "x"}})}),
             "offset 0: <atom>: attribute \"number\" must be a number from 0 to 65535"});
    for (const char* bad : {"4294967296", "0x100000000", "040000000000"})
        cases.push_back(
            {AtomDoc({}, {E("enum", {{"size", "1"}, {"kind", "flags"}},
                            {E("item", {{"value", bad}, {"name", "v"}})})}),
             "offset 0: <item>: attribute \"value\" must be a number from 0 to 4294967295"});
    for (const auto& [root, message] : cases) {
        ZAtomTable table;
        std::string error;
        EXPECT_FALSE(ReadTableSource(root, table, error)) << message;
        EXPECT_EQ(error, message);
    }
}

} // namespace
