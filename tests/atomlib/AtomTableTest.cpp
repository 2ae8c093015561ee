#include "AtomTable.h"

#include "TableBuilder.h"

#include <gtest/gtest.h>

namespace {

// Class 1 protocol 3 holds "legacy" and a first "twin"; class 2 holds protocol 0 with a
// second "twin" and "Caps", and protocol 5 with "multi".
std::shared_ptr<ZAtomTable> Sample() {
    TableBuilder t;
    t.Class(1).Protocol(3);
    t.Atom(1, "legacy");
    t.Atom(2, "twin", 2);
    t.Class(2).Protocol(0);
    t.Atom(7, "twin", 3);
    t.Atom(8, "Caps");
    t.Protocol(5);
    ZAtom& multi = t.Atom(4, "multi", 18);
    multi.enums.push_back(MakeEnum(1, kEnumValues, {{0, "zero"}}));
    multi.enums.push_back(MakeEnum(1, kEnumValues, {{1, "second"}}));
    for (uint16_t format : {20, 19}) {
        multi.multis.push_back(std::make_shared<ZMulti>());
        multi.multis.back()->format = format;
    }
    multi.multis[1]->enumeration = MakeEnum(2, kEnumFlags, {{1, "bit"}});
    t.Class(2).Protocol(9).Atom(1, "hidden_by_first_class_2");
    return t.table;
}

TEST(AtomTable, NameLookupTakesTheFirstInTableOrderAndNotesItsProtocol) {
    auto table = Sample();
    ZAtom* twin = table->FindAtomByName(ZString("twin"));
    ASSERT_NE(twin, nullptr);
    EXPECT_EQ(twin->number, 2);
    EXPECT_EQ(twin->scratchProtocol, 3);
    ZAtom* multi = table->FindAtomByName("multi", 5);
    ASSERT_NE(multi, nullptr);
    EXPECT_EQ(multi->scratchProtocol, 5);
}

TEST(AtomTable, NameLookupIsExact) {
    auto table = Sample();
    EXPECT_EQ(table->FindAtomByName(ZString("caps")), nullptr);
    EXPECT_NE(table->FindAtomByName(ZString("Caps")), nullptr);
    EXPECT_EQ(table->FindAtomByName(ZString("twi")), nullptr);
    EXPECT_EQ(table->FindAtomByName("twin\0", 5), nullptr);
    EXPECT_EQ(table->FindAtomByName(ZString("")), nullptr);
}

TEST(AtomTable, Class1AtomsAreFoundByNameButNotByNumbers) {
    auto table = Sample();
    ASSERT_NE(table->FindAtomByName(ZString("legacy")), nullptr);
    EXPECT_EQ(table->FindAtom(kDisassemblyClass, 3, 1), nullptr);
    EXPECT_NE(table->FindAtom(1, 3, 1), nullptr);
}

TEST(AtomTable, NumberLookupTakesTheFirstClassAndProtocolWithTheNumber) {
    auto table = Sample();
    EXPECT_EQ(table->FindAtom(2, 0, 7)->format, 3);
    EXPECT_EQ(table->FindAtom(2, 0, 9), nullptr);
    EXPECT_NE(table->FindProtocol(2, 5), nullptr);
    EXPECT_EQ(table->FindProtocol(2, 4), nullptr);
    EXPECT_EQ(table->FindProtocol(3, 0), nullptr);
    // Protocol 9 is in the second class 2, which a number lookup never reaches.
    EXPECT_EQ(table->FindProtocol(2, 9), nullptr);
    EXPECT_NE(table->FindAtomByName(ZString("hidden_by_first_class_2")), nullptr);
}

TEST(AtomTable, FormatsAndEnumerationsByArgumentIndex) {
    auto table = Sample();
    const ZAtom* multi = table->FindAtom(2, 5, 4);
    ASSERT_NE(multi, nullptr);
    EXPECT_EQ(multi->ArgumentFormat(0), 18);
    EXPECT_EQ(multi->ArgumentFormat(1), 20);
    EXPECT_EQ(multi->ArgumentFormat(2), 19);
    EXPECT_EQ(multi->ArgumentFormat(3), 0);
    ASSERT_NE(multi->Enumeration(0), nullptr);
    EXPECT_TRUE(multi->Enumeration(0)->items[0]->name.Equals("zero"));
    EXPECT_EQ(multi->Enumeration(1), nullptr);
    ASSERT_NE(multi->Enumeration(2), nullptr);
    EXPECT_EQ(multi->Enumeration(2)->kind, kEnumFlags);
    EXPECT_EQ(multi->Enumeration(3), nullptr);
    const ZAtom* plain = table->FindAtom(2, 0, 8);
    EXPECT_EQ(plain->Enumeration(0), nullptr);
    EXPECT_EQ(plain->ArgumentFormat(1), 0);
}

} // namespace
