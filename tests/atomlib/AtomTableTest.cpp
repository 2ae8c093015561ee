// The atom table: class-name hashes, the object file format both ways and the lookups.
#include "ClassRegistry.h"
#include "KelCodes.h"
#include "TableFile.h"
#include "TestTables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(ClassRegistry, HashesMatchTheFileFormatAndFindTheirClass) {
    const std::pair<const char*, uint32_t> hashes[] = {
        {"ZAtomTable", 52044730u}, {"ZClass", 939673202u},  {"ZProtocol", 400042522u},
        {"ZAtom", 35487628u},      {"ZMulti", 922356236u},  {"ZEnum", 954622280u},
        {"ZEnumItem", 61330235u},  {"ZString", 418742016u}, {"ZBuffer", 339455197u}};
    for (const auto& [name, hash] : hashes)
        EXPECT_EQ(ZClassNameHash(name), hash) << name;
    for (int i = 0; i <= int(ZClassId::ActionCondition); ++i) {
        const ZClassInfo& info = ZClassRegistry::Get(ZClassId(i));
        EXPECT_EQ(ZClassRegistry::FindByHash(ZClassNameHash(info.name)), &info) << info.name;
    }
    EXPECT_EQ(ZClassRegistry::FindByHash(0), nullptr);
}

// The file of one class 2, protocol 0, atom 1 "abc" (format 2), in pieces: the header word
// and the table reference, the class, protocol and atom references with their bodies, the
// atom's name, and the null reference that closes a list.
const std::string kTable = "00 01 FF EA 03 1A 23 BA FF EB 00 00 00 01 00 01 ";
const std::string kClass = "FF EA 38 02 46 72 FF EB 00 00 00 02 00 01 FF ED 00 02 ";
const std::string kProtocol = "FF EA 17 D8 2A 1A FF EB 00 00 00 03 00 01 FF ED 00 00 ";
const std::string kAtom = "FF EA 02 1D 7F 8C FF EB 00 00 00 04 00 01 "
                          "FF ED 00 01 FF ED 00 02 FF ED 00 00 ";
const std::string kName = "FF EA 18 F5 7F 00 FF EB 00 00 00 05 00 01 00 01 FF ED 00 03 61 62 63 ";
const std::string kNull = "FF EA 00 00 00 00 ";
const std::string kHead = kTable + kClass + kProtocol + kAtom;
const std::string kClose = kNull + kNull + kNull + kNull + kNull; // enums, multis, 3 lists

int32_t Read(const std::string& hex) {
    Bytes8 bytes = Unhex(hex);
    std::shared_ptr<ZAtomTable> table;
    return ReadAtomTable(bytes.data(), bytes.size(), table);
}
// A reference to a new object of class `id`, up to its version word.
std::string Ref(ZClassId id, uint8_t objectId) {
    uint32_t hash = ZClassRegistry::Get(id).hash;
    Bytes8 bytes = {0xFF,
                    0xEA,
                    uint8_t(hash >> 24),
                    uint8_t(hash >> 16),
                    uint8_t(hash >> 8),
                    uint8_t(hash),
                    0xFF,
                    0xEB,
                    0,
                    0,
                    0,
                    objectId,
                    0,
                    1};
    return Hex(bytes).append(" ");
}

TEST(TableFile, TheDocumentedLayoutReadsAndWritesByteForByte) {
    TableBuilder t;
    t.Class(2).Protocol(0).Atom(1, "abc", 2);
    const Bytes8 file = WriteAtomTable(*t.table);
    EXPECT_EQ(Hex(file) + " ", kHead + kName + kClose);
    std::shared_ptr<ZAtomTable> table;
    ASSERT_EQ(ReadAtomTable(file.data(), file.size(), table), kelSuccess);
    const ZAtom* atom = table->FindAtom(2, 0, 1);
    ASSERT_NE(atom, nullptr);
    EXPECT_TRUE(atom->name.Equals("abc"));
    EXPECT_EQ(atom->format, 2);
    EXPECT_EQ(WriteAtomTable(*table), file);
    // Any null form closes a list and the enclosing body goes on: the protocol list of the
    // class by an unknown hash, the class list after a second class by a tag that is not
    // FF EA; bytes after the root are ignored.
    Bytes8 nulls = Unhex(kTable + kClass + "FF EA 00 06 79 32 " + Ref(ZClassId::Class, 3) +
                         "FF ED 00 05 00 00 FF EA 00 00 00 00 DE AD");
    ASSERT_EQ(ReadAtomTable(nulls.data(), nulls.size(), table), kelSuccess);
    ASSERT_EQ(table->classes.size(), 2u);
    EXPECT_EQ(table->classes[1]->number, 5);
    EXPECT_TRUE(table->classes[0]->protocols.empty());
}

TEST(TableFile, RejectsBadHeadersTagsVersionsClassesAndStrings) {
    const std::string good = kHead + kName + kClose;
    ASSERT_EQ(Read(good), kelSuccess);
    // Byte offsets 0 (header word 0x0100), 15 (table version), 23 (id tag), 31 (number tag).
    for (auto [offset, value] : {std::pair{0, "01 00"}, {15, "02"}, {23, "EC"}, {31, "EB"}}) {
        std::string edited = good;
        edited.replace(3 * size_t(offset), std::strlen(value), value);
        EXPECT_EQ(Read(edited), kelTableBadFormat) << offset;
    }
    const std::string bad[] = {
        "", "00 01", "00 01 " + kNull, "00 01 12 34", "00 01 FF EA 00 00 00 4D",
        kTable + Ref(ZClassId::Atom, 2), // a ZAtom where a ZClass belongs
        "00 01 " + Ref(ZClassId::ActionTable, 1), "00 01 " + Ref(ZClassId::ActionCondition, 1),
        "00 01 " + Ref(ZClassId::String, 1),
        // Embedded strings must be new ZStrings: not a repeated id, a ZBuffer or null.
        kHead + "FF EA 18 F5 7F 00 FF EB 00 00 00 04 " + kClose,
        kHead + Ref(ZClassId::Buffer, 5) + "FF ED 00 00 " + kClose, kHead + kNull + kClose,
        // A repeated id must name an object of the expected class: id 3 is a ZProtocol.
        kHead + kName + kNull + "FF EA 36 FA 0A 0C FF EB 00 00 00 03 " + kClose};
    for (const std::string& file : bad)
        EXPECT_EQ(Read(file), kelTableBadFormat) << file;
}

TEST(TableFile, RepeatedIdsShareObjects) {
    TableBuilder t;
    t.Class(2).Protocol(1);
    ZAtom& shared = t.Atom(3, "shared", 19);
    shared.enums.push_back(MakeEnum(1, kEnumValues, {{0, "off"}, {1, "on"}}));
    AddComponent(shared, 19, shared.enums[0]);
    shared.multis.push_back(shared.multis[0]);
    t.Protocol(2);
    t.table->classes[0]->protocols[1]->atoms.push_back(t.table->classes[0]->protocols[0]->atoms[0]);
    Bytes8 bytes = WriteAtomTable(*t.table);
    std::shared_ptr<ZAtomTable> table;
    ASSERT_EQ(ReadAtomTable(bytes.data(), bytes.size(), table), kelSuccess);
    const ZAtom* a = table->FindAtom(2, 1, 3);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(table->FindAtom(2, 2, 3), a);
    EXPECT_EQ(a->Enumeration(0), a->Enumeration(1));
    EXPECT_EQ(a->multis[0], a->multis[1]);
    EXPECT_EQ(WriteAtomTable(*table), bytes);
}

TEST(TableFile, EveryTruncationFailsAndEveryByteFlipIsHandled) {
    TableBuilder t;
    t.Class(2)
        .Protocol(0)
        .Atom(1, "alpha", 19)
        .enums.push_back(MakeEnum(2, kEnumFlags, {{1, "bold"}, {2, "italic"}}));
    AddComponent(t.Atom(2, "beta", 18), 0);
    Bytes8 bytes = WriteAtomTable(*t.table);
    for (size_t n = 0; n < bytes.size(); ++n) {
        std::shared_ptr<ZAtomTable> table;
        EXPECT_EQ(ReadAtomTable(bytes.data(), n, table), kelTableBadFormat) << n;
        EXPECT_EQ(table, nullptr);
    }
    for (size_t i = 0; i < bytes.size(); ++i)
        for (uint8_t mask : {0x01, 0x80, 0xFF}) {
            Bytes8 flipped = bytes;
            flipped[i] ^= mask;
            std::shared_ptr<ZAtomTable> table;
            int32_t result = ReadAtomTable(flipped.data(), flipped.size(), table);
            EXPECT_TRUE(result == kelSuccess || result == kelTableBadFormat);
            EXPECT_EQ(result == kelSuccess, table != nullptr);
        }
}

TEST(TableFile, RandomTablesRoundTripAndANullPathIsNoFile) {
    std::mt19937 rng(12345);
    for (int i = 0; i < 200; ++i) {
        Bytes8 bytes = WriteAtomTable(*RandomTable(rng));
        std::shared_ptr<ZAtomTable> table;
        ASSERT_EQ(ReadAtomTable(bytes.data(), bytes.size(), table), kelSuccess);
        EXPECT_EQ(WriteAtomTable(*table), bytes);
    }
    std::shared_ptr<ZAtomTable> table;
    EXPECT_EQ(LoadAtomTableFile(nullptr, table), kelTableOpenFail);
}

// The name lookup is exact and walks every class; the number lookups take the first class and
// protocol with the number. (The exports pin the rest: first in table order, class 1.)
TEST(AtomTable, Lookups) {
    TableBuilder t;
    t.Class(2).Protocol(0).Atom(8, "Caps");
    AddComponent(t.Protocol(5).Atom(4, "multi", 18), 20);
    t.Class(2).Protocol(9).Atom(1, "behind");
    ASSERT_NE(t.table->FindAtomByName(ZString("behind")), nullptr);
    EXPECT_EQ(t.table->FindAtomByName(ZString("behind"))->scratchProtocol, 9);
    EXPECT_EQ(t.table->FindProtocol(2, 9), nullptr);
    for (const char* miss : {"caps", "Cap", ""})
        EXPECT_EQ(t.table->FindAtomByName(ZString(miss)), nullptr) << miss;
    EXPECT_EQ(t.table->FindAtomByName("Caps\0", 5), nullptr);
    const ZAtom* multi = t.table->FindAtom(2, 5, 4);
    ASSERT_NE(multi, nullptr);
    EXPECT_EQ(multi->ArgumentFormat(1), 20);
    EXPECT_EQ(multi->ArgumentFormat(2), 0);
    EXPECT_EQ(multi->Enumeration(1), nullptr);
}

} // namespace
