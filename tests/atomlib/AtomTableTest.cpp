// The atom table file: the object file format both ways and what a reader must reject.
#include "AtomText.h"
#include "ClassRegistry.h"
#include "Damage.h"
#include "KelCodes.h"
#include "TableFile.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

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

int32_t Read(const Bytes8& bytes, std::shared_ptr<ZAtomTable>& table) {
    return ReadAtomTable(bytes.data(), bytes.size(), table);
}
int32_t Read(const std::string& hex, std::shared_ptr<ZAtomTable> table = nullptr) {
    return Read(Unhex(hex), table);
}
// A reference to a new object of class `id`, up to its version word.
std::string Ref(ZClassId id, uint8_t objectId) {
    uint32_t h = ZClassRegistry::Get(id).hash;
    return Hex({0xFF, 0xEA, uint8_t(h >> 24), uint8_t(h >> 16), uint8_t(h >> 8), uint8_t(h), 0xFF,
                0xEB, 0, 0, 0, objectId, 0, 1})
        .append(" ");
}

// The worked example of docs/atom-table-format.md reads, and writes back byte for byte; any
// null form closes a list; bytes after the root are ignored.
TEST(TableFile, TheDocumentedLayoutReadsAndWritesByteForByte) {
    const Bytes8 file = Unhex(kHead + kName + kClose);
    std::shared_ptr<ZAtomTable> table;
    ASSERT_EQ(Read(file, table), kelSuccess);
    const ZAtom* atom = table->FindAtom(2, 0, 1);
    ASSERT_TRUE(atom && atom->name.Equals("abc") && atom->format == 2);
    EXPECT_EQ(Hex(WriteAtomTable(*table)), Hex(file));
    // Any null form closes a list and the enclosing body goes on: the protocol list of the
    // class by an unknown hash, the class list after a second class by a tag that is not
    // FF EA; bytes after the root are ignored.
    ASSERT_EQ(Read(Unhex(kTable + kClass + "FF EA 00 06 79 32 " + Ref(ZClassId::Class, 3) +
                         "FF ED 00 05 00 00 FF EA 00 00 00 00 DE AD"),
                   table),
              kelSuccess);
    ASSERT_EQ(table->classes.size(), 2u);
    EXPECT_EQ(table->classes[1]->number, 5);
    EXPECT_TRUE(table->classes[0]->protocols.empty());
    EXPECT_EQ(LoadAtomTableFile(nullptr, table), kelTableOpenFail);
}

// A reader must reject a wrong header word, version or tag, an object of the wrong class, an
// embedded string that is not a new ZString, and a repeated id of the wrong class.
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
        "00 01 " + Ref(ZClassId::ActionTable, 1), "00 01 " + Ref(ZClassId::String, 1),
        // Embedded strings must be new ZStrings: not a repeated id, a ZBuffer or null.
        kHead + "FF EA 18 F5 7F 00 FF EB 00 00 00 04 " + kClose,
        kHead + Ref(ZClassId::Buffer, 5) + "FF ED 00 00 " + kClose, kHead + kNull + kClose,
        // A repeated id must name an object of the expected class: id 3 is a ZProtocol.
        kHead + kName + kNull + "FF EA 36 FA 0A 0C FF EB 00 00 00 03 " + kClose};
    for (const std::string& file : bad)
        EXPECT_EQ(Read(file), kelTableBadFormat) << file;
}

// Shared objects are written once and read back shared; the file, cut at every length, fails,
// and with any byte changed it loads whole or not at all.
TEST(TableFile, RepeatedIdsShareObjectsAndDamagedFilesLoadWholeOrNotAtAll) {
    auto table = std::make_shared<ZAtomTable>();
    table->classes = {std::make_shared<ZClass>()};
    table->classes[0]->number = 2;
    auto atom = std::make_shared<ZAtom>();
    atom->number = 3;
    atom->enums = {std::make_shared<ZEnum>()};
    atom->multis.assign(2, std::make_shared<ZMulti>());
    atom->multis[0]->enumeration = atom->enums[0];
    for (uint16_t number : {1, 2}) {
        table->classes[0]->protocols.push_back(std::make_shared<ZProtocol>());
        table->classes[0]->protocols.back()->number = number;
        table->classes[0]->protocols.back()->atoms = {atom};
    }
    const Bytes8 bytes = WriteAtomTable(*table);
    ASSERT_EQ(Read(bytes, table), kelSuccess);
    const ZAtom* a = table->FindAtom(2, 1, 3);
    ASSERT_TRUE(a && table->FindAtom(2, 2, 3) == a);
    EXPECT_TRUE(a->Enumeration(0) == a->Enumeration(1) && a->multis[0] == a->multis[1]);
    EXPECT_EQ(WriteAtomTable(*table), bytes);
    ForEachDamage<uint8_t>(bytes, [](const std::string& what, const Bytes8& damaged) {
        std::shared_ptr<ZAtomTable> loaded;
        int32_t result = Read(damaged, loaded);
        EXPECT_TRUE(result == kelTableBadFormat ||
                    (result == kelSuccess && !what.starts_with("cut")))
            << what;
        EXPECT_EQ(result == kelSuccess, loaded != nullptr) << what;
    });
}

} // namespace
