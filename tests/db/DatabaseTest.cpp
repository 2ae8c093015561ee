// TWVEK_DB: the record operations, the index entries it trusts, the iterator, the journal and
// compaction, pinned against file bytes built independently of the engine; a randomized run
// against a std::map.

#include "Damage.h"
#include "DatabaseFile.h"
#include "DbTestUtil.h"
#include "IndexBuilder.h"
#include "WVEKIterator.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

using namespace WVEK;

const Bytes kHi = {'h', 'i'};
const Bytes kHey = {'h', 'e', 'y', '!'};
const std::vector<std::string> kBoth = {"db.adb", "db.ind"}; // no journal, no temporary file

// Data of another length leaves a dead version and keeps type and flags (the worked example of
// docs/DatabaseFile.md). Unused flag bits and reserved bytes of a header on disk are kept.
TEST(WVEKDB, ReplacementsAndFlagsInTheFile) {
    TDatabaseFiles files;
    std::unique_ptr<TWVEK_DB> db = files.Open();
    EXPECT_EQ(files.DatabaseBytes(), DatabaseImage({})); // written when the file is created
    ASSERT_TRUE(PutBytes(*db, 7, kHi, 't'));
    ASSERT_EQ(db->Flush(true), 0u);
    ASSERT_TRUE(PutBytes(*db, 7, kHey, 'p')); // the type is not applied
    db->SetFlags(7, 0x4);
    EXPECT_EQ(ReadRecord(*db, 7), (TRecordValue{kHey, 't', 0x4}));
    ASSERT_EQ(db->Flush(true), 0u);
    EXPECT_EQ(files.DatabaseBytes(),
              DatabaseImage({{7, 't', kFlagDeleted, kHi}, {7, 't', kFlagPermanent, kHey}}));

    db.reset();
    Bytes image = DatabaseImage({{7, 't', 0x48, kHi}});
    image[25 + 14] = 0x5A;
    files.Write(image);
    db = files.Open();
    db->SetFlags(7, 0x5);
    ASSERT_EQ(db->Flush(true), 0u);
    image[25 + 13] = 0x48 | kFlagPermanent | kFlagCompressed;
    EXPECT_EQ(files.DatabaseBytes(), image);
}

// An empty index is rebuilt (also read-only); otherwise a read-only database changes nothing.
TEST(WVEKDB, AReadOnlyDatabaseChangesNothing) {
    TDatabaseFiles files;
    files.Write(DatabaseImage({{1, 't', 0, kHi}}), Bytes{});
    files.Open(true); // builds the index
    const Bytes data = files.DatabaseBytes(), index = files.IndexBytes();
    std::unique_ptr<TWVEK_DB> db = files.Open(true);
    EXPECT_FALSE(PutBytes(*db, 2, kHi));
    EXPECT_FALSE(db->Delete(1, true));
    db->SetFlags(1, 0x4);
    EXPECT_EQ(db->GetFlags(1), 0x4u); // in memory only
    EXPECT_EQ(db->Flush(true), errReadOnly);
    EXPECT_EQ(db->Compact(), errReadOnly);
    db.reset();
    EXPECT_TRUE(files.HoldOnly(data, index));
}

// An index of version 0 may name dead versions (5, 10): the database checks the deleted bit
// before it believes an entry, a put of such an id moves the entry to the new version and a
// delete drops it. An entry that leads to the header of another record (8) or to no header
// (7) never answers for it.
TEST(WVEKDB, IndexEntriesAreCheckedAgainstTheFile) {
    TDatabaseFiles files;
    files.Write(DatabaseImage({{5, 't', kFlagDeleted, kHi},
                               {6, 't', 0, kHey},
                               {8, 't', 0, kHi},
                               {10, 't', kFlagDeleted, {}}}));
    WriteIndexFile(files.indexPath, {{5, 25}, {6, 53}, {7, 3}, {8, 25}, {10, 111}});
    Bytes index = files.IndexBytes();
    index[9] = '0';
    WriteBytes(files.indexPath.GetFullPath(), index);
    std::unique_ptr<TWVEK_DB> db = files.Open();
    EXPECT_FALSE(db->IsIndexTrusted());
    EXPECT_FALSE(db->Exists(5));
    EXPECT_TRUE(db->Exists(6));
    EXPECT_EQ(ReadRecord(*db, 5), std::nullopt);
    ASSERT_TRUE(PutBytes(*db, 5, {1, 2, 3}, 'l'));
    EXPECT_TRUE(db->Delete(10, true));
    EXPECT_FALSE(db->Delete(10, true));
    for (uint32_t id : {7u, 8u}) {
        EXPECT_EQ(ReadRecord(*db, id), std::nullopt);
        EXPECT_FALSE(db->Delete(id, true));
        EXPECT_EQ(CodeOf([&] { PutBytes(*db, id, kHi); }), errAssert);
        EXPECT_EQ(CodeOf([&] { db->SetFlags(id, 1); }), errAssert);
    }
    ASSERT_EQ(db->Flush(true), 0u);
    EXPECT_EQ(ReadRecord(*db, 5), (TRecordValue{{1, 2, 3}, 'l', 0}));
    EXPECT_FALSE(db->Exists(10));
}

// ---- The iterator over the live records ---------------------------------------------------

namespace {

using TSeen = std::array<uint32_t, 3>; // id, type, header position

// What an iterator over the file reports, and the code it ended with (0: a clean end).
struct TWalk {
    std::vector<TSeen> records;
    uint32_t code = 0;
};

TWalk WalkImage(const Bytes& image, uint32_t typeFilter = 0) {
    TTempDirectory dir;
    WriteBytes(dir / "db", image);
    TFile file(TFilePath(dir / "db"));
    TWalk walk;
    walk.code = CodeOf([&] {
        for (TWVEKIterator it(file, typeFilter); it.HasMore();) {
            TSeen seen{};
            seen[0] = it.NextWithPosition(&seen[1], &seen[2]);
            walk.records.push_back(seen);
        }
    });
    return walk;
}

const std::vector<TTestRecord> kMixed = {
    {10, 't', 0, {'a', 'b', 'c'}},            // at 25
    {11, 'p', 0, {1, 2}},                     // at 54
    {10, 't', kFlagDeleted, {'o', 'l', 'd'}}, // at 82: a dead version
    {12, 't', kFlagPermanent, {}},            // at 111
    {13, 'a', 0, {0, 0, 0, 0, 0}},            // at 137; 167 bytes in all
};

} // namespace

// The live records in file order, of one type when asked. A header must be where its position
// field says, with its magic, and its data within the file (checked before anything is
// allocated, also for lengths that wrap around); a length shorter than what follows makes the
// next header be looked for too early. A cut file yields a prefix of the whole walk, ending
// cleanly at a record boundary and in an error elsewhere; a changed byte ends in a code too,
// never a crash or a hang.
TEST(WVEKIterator, WalksLiveRecordsInFileOrderAndStopsAtDamage) {
    const Bytes image = DatabaseImage(kMixed);
    const TWalk whole = WalkImage(image);
    EXPECT_EQ(whole.code, 0u);
    EXPECT_EQ(whole.records,
              (std::vector<TSeen>{{10, 't', 25}, {11, 'p', 54}, {12, 't', 111}, {13, 'a', 137}}));
    EXPECT_EQ(WalkImage(image, 't').records, (std::vector<TSeen>{{10, 't', 25}, {12, 't', 111}}));
    EXPECT_TRUE(WalkImage(DatabaseImage({{1, 'b', kFlagDeleted, {1}}})).records.empty());
    ForEachDamage<uint8_t>(
        image,
        [&](const std::string& what, const Bytes& damaged) {
            const TWalk walk = WalkImage(damaged);
            const size_t n = damaged.size();
            if (n < image.size()) {
                EXPECT_EQ(walk.code == 0, n <= 25 || n == 54 || n == 82 || n == 111 || n == 137);
                ASSERT_LE(walk.records.size(), whole.records.size()) << what;
                EXPECT_TRUE(
                    std::equal(walk.records.begin(), walk.records.end(), whole.records.begin()));
            }
            EXPECT_TRUE(walk.code == 0 || walk.code == errAssert || walk.code == errEndOfData)
                << what;
            EXPECT_LE(walk.records.size(), 5u) << what;
        },
        {0, 1, {0x01, 0x80, 0xFF}});
    if (HasFailure()) return; // a length accepted below may take minutes to read
    const uint32_t damage[] = {54,      0x32443253, 54 + 22,    55,      137 + 8,
                               31,      137 + 8,    0x7FFFFFFF, 137 + 8, 0xFFFFFFFF,
                               137 + 8, 0xFFFFFFE6, 25 + 8,     2}; // offset, word
    for (size_t i = 0; i < std::size(damage); i += 2) {
        Bytes bad = image;
        PutLE32(bad, damage[i], damage[i + 1]);
        EXPECT_EQ(WalkImage(bad).code, errAssert) << damage[i] << " " << damage[i + 1];
    }
}

// ---- The journal ---------------------------------------------------------------------------

// The worked example of docs/JournalFormat.md: removing record 7 saves its live header and
// index node 0 before anything is written. The files as a crash would leave them (copied while
// the journal stands) are restored by the next opening, which reads the journal up to a
// record cut short or one whose checksum fails; a database closed without its final flush
// rolls back the same way.
TEST(Journal, AnUncommittedChangeIsRolledBack) {
    TDatabaseFiles files;
    files.Write(DatabaseImage({{7, 't', kFlagDeleted, kHi}, {7, 't', kFlagPermanent, kHey}}));
    files.Open(true); // builds the index: one leaf, 7 -> 53
    const Bytes database = files.DatabaseBytes(), index = files.IndexBytes();
    std::unique_ptr<TWVEK_DB> db = files.Open();
    ASSERT_TRUE(db->Delete(7, true));
    db->CreateIterator(0); // commits to the files without the final flush
    const Bytes journal = ReadBytes(files.dir / "db.jnl");
    const char* const documented =
        "56454b4a524e4c0001000000000000005300000006010000c67c959a52000000350000001a000000"
        "461a06f552324432070000000400000074200000000000000000350000005201000010000000f600"
        "0000438d";
    ASSERT_EQ(journal.size(), 332u);
    for (size_t at = 0; documented[2 * at]; ++at)
        EXPECT_EQ(journal[at], std::stoi(std::string(documented + 2 * at, 2), nullptr, 16)) << at;
    EXPECT_NE(files.DatabaseBytes(), database);

    // Tails: a cut record; a region of 2 bytes for offset 25 whose checksum fails.
    for (const Bytes& tail : {Bytes{'R', 0, 0, 0, 25, 0, 0, 0},
                              Bytes{'R', 0, 0, 0, 25, 0, 0, 0, 2, 0, 0, 0, 1, 2, 3, 4, 'X', 'X'}}) {
        TDatabaseFiles crashed;
        Bytes torn = journal;
        torn.insert(torn.end(), tail.begin(), tail.end());
        crashed.Write(files.DatabaseBytes(), files.IndexBytes());
        WriteBytes(crashed.dir / "db.jnl", torn);
        EXPECT_EQ(ReadAll(*crashed.Open(true)).size(), 1u);
        EXPECT_TRUE(crashed.HoldOnly(database, index));
    }
    db.reset();
    EXPECT_TRUE(files.HoldOnly(database, index));
}

// ---- Compaction ----------------------------------------------------------------------------

// Compaction flushes pending changes (5) first, then keeps the live records in file order; a
// compact file stays as it is.
TEST(Compact, DropsDeadVersionsAndKeepsEveryLiveRecord) {
    TDatabaseFiles files;
    files.Write(DatabaseImage({{1, 't', kFlagDeleted, {1}},
                               {2, 'p', 0x21, {2, 2}},
                               {3, 'a', kFlagDeleted, {}},
                               {1, 't', 0, {1, 1, 1}},
                               {9, 'b', kFlagDeleted, {9}},
                               {3, 'a', 0, {3}},
                               {4, 'l', 0, {}}}));
    std::unique_ptr<TWVEK_DB> db = files.Open();
    const TRecords live = {{1, {{1, 1, 1}, 't', 0}},
                           {2, {{2, 2}, 'p', 0x5}},
                           {3, {{3}, 'a', 0}},
                           {4, {{}, 'l', 0}},
                           {5, {{5}, 't', 0}}};
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_TRUE(PutBytes(*db, 5, {5}, 't'));
        ASSERT_EQ(db->Compact(), 0u);
        EXPECT_EQ(ReadAll(*db), live);
        EXPECT_EQ(files.DatabaseBytes(), DatabaseImage({{2, 'p', 0x21, {2, 2}},
                                                        {1, 't', 0, {1, 1, 1}},
                                                        {3, 'a', 0, {3}},
                                                        {4, 'l', 0, {}},
                                                        {5, 't', 0, {5}}}));
        EXPECT_EQ(files.Files(), kBoth);
    }
    db.reset();
    EXPECT_EQ(ReadAll(*files.Open(true)), live);
}

// ---- A randomized run against a std::map -----------------------------------------------------

// Puts, replacements, flag changes, deletes, flushes, reopenings and compactions of ids spread
// over the signed order of the index; the id of each step is checked, every record (through
// the iterator, once each, and through Get) every 50 steps and at each read-only reopening.
TEST(WVEKDBModel, RandomOperationsAgreeWithTheModel) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        auto below = [&](uint32_t n) {
            return std::uniform_int_distribution<uint32_t>(0, n - 1)(random);
        };
        auto idOf = [](uint32_t n) { return n % 3 == 0 ? 0x80000000u + n : n * 977; };
        TDatabaseFiles files;
        std::unique_ptr<TWVEK_DB> db = files.Open();
        TRecords model;
        auto checkAll = [&] {
            int duplicates = 0;
            EXPECT_EQ(ReadAll(*db, &duplicates), model);
            EXPECT_EQ(duplicates, 0);
            for (uint32_t n = 0; n < 48; ++n)
                EXPECT_EQ(db->Exists(idOf(n)), model.count(idOf(n)) != 0) << idOf(n);
        };
        for (int step = 0; step < 1500 && !::testing::Test::HasFatalFailure(); ++step) {
            const uint32_t id = idOf(below(48)), op = below(100);
            auto it = model.find(id);
            if (op < 45) {
                static const uint8_t kTypes[] = {0, 'a', 'b', 'l', 'p', 't', 200};
                Bytes data(below(100) < 4 ? 20000 + below(20000) : below(10) ? below(600) : 0);
                for (uint8_t& byte : data)
                    byte = uint8_t(random());
                const uint8_t type = kTypes[below(std::size(kTypes))];
                if (below(2)) { // as the compiler asks before it stores
                    EXPECT_EQ(db->Exists(id), it != model.end()) << id;
                }
                ASSERT_TRUE(PutBytes(*db, id, data, type));
                if (it != model.end())
                    it->second.data = data; // type and flags stay
                else
                    model[id] = TRecordValue{data, int(int8_t(type)), 0};
            } else if (op < 62) {
                const bool force = below(2) == 0;
                const bool deleted = it != model.end() && (force || !(it->second.flags & 0x4));
                EXPECT_EQ(db->Delete(id, force), deleted) << id;
                if (deleted) model.erase(it);
            } else if (op < 77) {
                const uint32_t flags = below(16); // 0x8 is no public flag and must not stick
                db->SetFlags(id, flags);
                if (it != model.end()) it->second.flags = flags & 0x7;
            } else if (op < 87) {
                ASSERT_EQ(db->Flush(below(2) == 0), 0u);
            } else if (op < 92) {
                ASSERT_EQ(db->Flush(true), 0u);
                db.reset();
                if (below(2) == 0) db = files.Open(true), checkAll(), db.reset();
                db = files.Open();
            } else if (op < 94) {
                ASSERT_EQ(db->Compact(), 0u);
                size_t size = kFileHeaderSize;
                for (const auto& entry : model)
                    size += kRecordHeaderSize + entry.second.data.size();
                EXPECT_EQ(files.DatabaseBytes().size(), size);
                EXPECT_EQ(files.Files(), kBoth);
            }
            it = model.find(id);
            EXPECT_EQ(ReadRecord(*db, id),
                      it == model.end() ? std::nullopt : std::optional(it->second))
                << id;
            if (step % 50 == 49) checkAll();
        }
        checkAll();
    }
}
