#include "TableFile.h"

#include "ClassRegistry.h"
#include "KelCodes.h"
#include "ObjectWriter.h"
#include "TableBuilder.h"

#include <gtest/gtest.h>

namespace {

uint32_t Hash(ZClassId id) {
    return ZClassRegistry::Get(id).hash;
}

// FF EA hash FF EB id 00 01: a reference to a new object, up to its version word.
Bytes& Ref(Bytes& b, ZClassId id, uint32_t objectId) {
    return b.Word(0xFFEA).Long(Hash(id)).Word(0xFFEB).Long(objectId).Word(1);
}

Bytes& Null(Bytes& b) {
    return b.Word(0xFFEA).Long(0);
}

Bytes& Name(Bytes& b, uint32_t id, const char* text) {
    Ref(b, ZClassId::String, id).Word(1).Word(0xFFED).Word(uint16_t(strlen(text)));
    for (const char* p = text; *p; ++p)
        b.bytes.push_back(uint8_t(*p));
    return b;
}

// A table with one class 2, protocol 7, atom 9 "abc" (format 3, layout 1); the atom's
// name and lists are left for the caller.
Bytes AtomHead() {
    Bytes b;
    b.Word(1);
    Ref(b, ZClassId::AtomTable, 1);
    Ref(b, ZClassId::Class, 2).Word(0xFFED).Word(2);
    Ref(b, ZClassId::Protocol, 3).Word(0xFFED).Word(7);
    Ref(b, ZClassId::Atom, 4).Word(0xFFED).Word(9).Word(0xFFED).Word(3).Word(0xFFED).Word(1);
    return b;
}

// Closes the atom's enumeration and multi lists and the atom, protocol and class lists.
Bytes& CloseAll(Bytes& b) {
    return Null(Null(Null(Null(Null(b)))));
}

int32_t Read(const Bytes& b, std::shared_ptr<ZAtomTable>& table) {
    return ReadAtomTable(b.bytes.data(), b.bytes.size(), table);
}

int32_t Read(const Bytes& b) {
    std::shared_ptr<ZAtomTable> table;
    return Read(b, table);
}

TEST(TableFile, ReadsAHandMadeTable) {
    Bytes b = AtomHead();
    Name(b, 5, "abc");
    CloseAll(b);
    std::shared_ptr<ZAtomTable> table;
    ASSERT_EQ(Read(b, table), kelSuccess);
    const ZAtom* atom = table->FindAtom(2, 7, 9);
    ASSERT_NE(atom, nullptr);
    EXPECT_TRUE(atom->name.Equals("abc"));
    EXPECT_EQ(atom->format, 3);
    EXPECT_EQ(atom->layout, 1);
    // The writer gives the same tree the same bytes, ids in write order.
    EXPECT_EQ(WriteAtomTable(*table), b.bytes);
}

TEST(TableFile, WritesTheDocumentedExampleByteForByte) {
    TableBuilder t;
    t.Class(2).Protocol(0).Atom(1, "abc", 2);
    Bytes b;
    b.Raw({0x00, 0x01});
    b.Raw({0xFF, 0xEA, 0x03, 0x1A, 0x23, 0xBA, 0xFF, 0xEB, 0, 0, 0, 1, 0x00, 0x01});
    b.Raw({0xFF, 0xEA, 0x38, 0x02, 0x46, 0x72, 0xFF, 0xEB, 0, 0, 0, 2, 0x00, 0x01});
    b.Raw({0xFF, 0xED, 0x00, 0x02});
    b.Raw({0xFF, 0xEA, 0x17, 0xD8, 0x2A, 0x1A, 0xFF, 0xEB, 0, 0, 0, 3, 0x00, 0x01});
    b.Raw({0xFF, 0xED, 0x00, 0x00});
    b.Raw({0xFF, 0xEA, 0x02, 0x1D, 0x7F, 0x8C, 0xFF, 0xEB, 0, 0, 0, 4, 0x00, 0x01});
    b.Raw({0xFF, 0xED, 0x00, 0x01, 0xFF, 0xED, 0x00, 0x02, 0xFF, 0xED, 0x00, 0x00});
    b.Raw({0xFF, 0xEA, 0x18, 0xF5, 0x7F, 0x00, 0xFF, 0xEB, 0, 0, 0, 5});
    b.Raw({0x00, 0x01, 0x00, 0x01, 0xFF, 0xED, 0x00, 0x03, 0x61, 0x62, 0x63});
    for (int i = 0; i < 5; ++i) Null(b);
    EXPECT_EQ(WriteAtomTable(*t.table), b.bytes);
}

TEST(TableFile, RejectsAMissingOrWrongHeaderAndAnEmptyFile) {
    EXPECT_EQ(Read(Bytes{}), kelTableBadFormat);
    EXPECT_EQ(Read(Bytes().Word(1)), kelTableBadFormat);
    Bytes swapped = AtomHead();
    Name(swapped, 5, "abc");
    CloseAll(swapped);
    swapped.bytes[0] = 0x01;
    swapped.bytes[1] = 0x00;
    EXPECT_EQ(Read(swapped), kelTableBadFormat);
}

TEST(TableFile, NullRootIsBadFormat) {
    Bytes nullRoot;
    Null(nullRoot.Word(1));
    EXPECT_EQ(Read(nullRoot), kelTableBadFormat);
    EXPECT_EQ(Read(Bytes().Word(1).Word(0x1234)), kelTableBadFormat); // other tag
    EXPECT_EQ(Read(Bytes().Word(1).Word(0xFFEA).Long(77).Word(0xFFEB)),
              kelTableBadFormat); // unknown hash
}

TEST(TableFile, AnyNullFormClosesAListAndTheEnclosingBodyGoesOn) {
    // Protocol list of class 2 closed by an unknown hash, the class list by a bare tag 0000;
    // the table list ends with the bytes that follow it. A second class follows the first.
    Bytes b;
    b.Word(1);
    Ref(b, ZClassId::AtomTable, 1);
    Ref(b, ZClassId::Class, 2).Word(0xFFED).Word(2);
    b.Word(0xFFEA).Long(424242); // null: unknown hash
    Ref(b, ZClassId::Class, 3).Word(0xFFED).Word(5);
    b.Word(0x0000);         // null: a tag that is not FF EA
    b.Word(0xFFEA).Long(0); // closes the class list
    b.Raw({0xDE, 0xAD});    // after the root: ignored
    std::shared_ptr<ZAtomTable> table;
    ASSERT_EQ(Read(b, table), kelSuccess);
    ASSERT_EQ(table->classes.size(), 2u);
    EXPECT_EQ(table->classes[1]->number, 5);
    EXPECT_TRUE(table->classes[0]->protocols.empty());
}

TEST(TableFile, RejectsWrongTagsVersionsAndClasses) {
    auto withName = [](auto edit) {
        Bytes b = AtomHead();
        Name(b, 5, "abc");
        CloseAll(b);
        edit(b.bytes);
        return Read(b);
    };
    // Offsets: header 2, table ref 12 + version 2 = 16 bytes; class ref starts at 16.
    EXPECT_EQ(withName([](auto&) {}), kelSuccess);
    EXPECT_EQ(withName([](auto& v) { v[15] = 2; }), kelTableBadFormat); // table version
    EXPECT_EQ(withName([](auto& v) {
                  v[22] = 0xFF;
                  v[23] = 0xEC;
              }),
              kelTableBadFormat); // id tag
    EXPECT_EQ(withName([](auto& v) {
                  v[30] = 0xFF;
                  v[31] = 0xEB;
              }),
              kelTableBadFormat); // word tag

    Bytes wrongKind;
    wrongKind.Word(1);
    Ref(wrongKind, ZClassId::AtomTable, 1);
    Ref(wrongKind, ZClassId::Atom, 2); // a ZAtom where a ZClass belongs
    EXPECT_EQ(Read(wrongKind), kelTableBadFormat);
    for (ZClassId action : {ZClassId::ActionTable, ZClassId::ActionCondition, ZClassId::String}) {
        Bytes b;
        b.Word(1);
        Ref(b, action, 1);
        EXPECT_EQ(Read(b), kelTableBadFormat);
    }
}

TEST(TableFile, RejectsEmbeddedStringsThatAreNotNewZStrings) {
    Bytes repeated = AtomHead();
    repeated.Word(0xFFEA).Long(Hash(ZClassId::String)).Word(0xFFEB).Long(4); // id of the atom
    EXPECT_EQ(Read(CloseAll(repeated)), kelTableBadFormat);

    Bytes asBuffer = AtomHead();
    Ref(asBuffer, ZClassId::Buffer, 5).Word(0xFFED).Word(0);
    EXPECT_EQ(Read(CloseAll(asBuffer)), kelTableBadFormat);

    Bytes nullName = AtomHead();
    EXPECT_EQ(Read(CloseAll(Null(nullName))), kelTableBadFormat);

    // Two items whose names share one id.
    Bytes twice = AtomHead();
    Name(twice, 5, "abc");
    Ref(twice, ZClassId::Enum, 6).Word(0xFFED).Word(1).Word(0xFFED).Word(2);
    Ref(twice, ZClassId::EnumItem, 7).Word(0xFFEB).Long(1);
    Name(twice, 8, "one");
    Ref(twice, ZClassId::EnumItem, 9).Word(0xFFEB).Long(2);
    Name(twice, 8, "two");
    EXPECT_EQ(Read(CloseAll(Null(twice))), kelTableBadFormat);
}

TEST(TableFile, RepeatedIdsShareObjects) {
    TableBuilder t;
    t.Class(2).Protocol(1);
    ZAtom& shared = t.Atom(3, "shared", 19);
    shared.enums.push_back(MakeEnum(1, kEnumValues, {{0, "off"}, {1, "on"}}));
    auto multi = std::make_shared<ZMulti>();
    multi->format = 19;
    multi->enumeration = shared.enums[0];
    shared.multis.push_back(multi);
    shared.multis.push_back(multi);
    t.Protocol(2);
    t.table->classes[0]->protocols[1]->atoms.push_back(t.table->classes[0]->protocols[0]->atoms[0]);

    std::vector<uint8_t> bytes = WriteAtomTable(*t.table);
    std::shared_ptr<ZAtomTable> table;
    ASSERT_EQ(ReadAtomTable(bytes.data(), bytes.size(), table), kelSuccess);
    const ZAtom* a = table->FindAtom(2, 1, 3);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(table->FindAtom(2, 2, 3), a);
    EXPECT_EQ(a->Enumeration(0), a->Enumeration(1));
    EXPECT_EQ(a->multis[0], a->multis[1]);
    EXPECT_EQ(WriteAtomTable(*table), bytes);
}

TEST(TableFile, RejectsARepeatedIdOfAnotherClass) {
    Bytes b = AtomHead();
    Name(b, 5, "abc");
    Null(b);                                                         // no enums
    b.Word(0xFFEA).Long(Hash(ZClassId::Multi)).Word(0xFFEB).Long(3); // id 3 is a ZProtocol
    EXPECT_EQ(Read(CloseAll(b)), kelTableBadFormat);
}

TEST(TableFile, EveryTruncationFailsAndEveryByteFlipIsHandled) {
    std::mt19937 rng(7);
    TableBuilder t;
    t.Class(2)
        .Protocol(0)
        .Atom(1, "alpha", 19)
        .enums.push_back(MakeEnum(2, kEnumFlags, {{1, "bold"}, {2, "italic"}}));
    t.Atom(2, "beta", 18).multis.push_back(std::make_shared<ZMulti>());
    std::vector<uint8_t> bytes = WriteAtomTable(*t.table);
    for (size_t n = 0; n < bytes.size(); ++n) {
        std::shared_ptr<ZAtomTable> table;
        EXPECT_EQ(ReadAtomTable(bytes.data(), n, table), kelTableBadFormat) << n;
        EXPECT_EQ(table, nullptr);
    }
    for (size_t i = 0; i < bytes.size(); ++i) {
        for (uint8_t mask : {0x01, 0x80, 0xFF}) {
            std::vector<uint8_t> flipped = bytes;
            flipped[i] ^= mask;
            std::shared_ptr<ZAtomTable> table;
            int32_t result = ReadAtomTable(flipped.data(), flipped.size(), table);
            EXPECT_TRUE(result == kelSuccess || result == kelTableBadFormat);
            EXPECT_EQ(result == kelSuccess, table != nullptr);
        }
    }
}

TEST(TableFile, RandomTablesRoundTrip) {
    std::mt19937 rng(12345);
    for (int i = 0; i < 200; ++i) {
        auto original = RandomTable(rng);
        std::vector<uint8_t> bytes = WriteAtomTable(*original);
        std::shared_ptr<ZAtomTable> table;
        ASSERT_EQ(ReadAtomTable(bytes.data(), bytes.size(), table), kelSuccess);
        EXPECT_EQ(WriteAtomTable(*table), bytes);
    }
}

} // namespace
