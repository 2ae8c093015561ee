// The database file below TWVEK_DB: the file check, record headers as TDBRecord loads them, the
// iterator over the live records, and the record cache with its two-phase flush of records
// and index together.

#include "DBRecord.h"
#include "Damage.h"
#include "DatabaseFile.h"
#include "DbTestUtil.h"
#include "WVEKCache.h"
#include "WVEKIterator.h"

#include <gtest/gtest.h>

#include <array>

using namespace WVEK;

namespace {

uint32_t LoadCode(const Bytes& image, uint32_t position) {
    LDynamicStream stream;
    SetBytes(stream, image);
    return CodeOf([&] { TDBRecord record(stream, position); });
}

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

// A header must be where its position field says, and its data within the file (checked before
// anything is allocated); a length shorter than what follows is fine for the header, but makes
// the iterator look for the next header too early.
TEST(DBRecord, LoadingAndWalkingRejectDamagedHeaders) {
    const Bytes image = DatabaseImage(kMixed);
    EXPECT_EQ(LoadCode(image, 54), 0u);
    EXPECT_EQ(LoadCode(image, 26), errAssert); // not on a header
    EXPECT_EQ(LoadCode(image, 0x80000000u), errAssert);
    const struct {
        uint32_t header, offset, word, loadCode;
    } cases[] = {{54, 0, 0x32443253, errAssert},  // the magic
                 {54, 22, 55, errAssert},         // the position field
                 {137, 8, 31, errAssert},         // lengths reaching past the end of the file
                 {137, 8, 0x7FFFFFFF, errAssert},
                 {137, 8, 0xFFFFFFFF, errAssert},
                 {137, 8, 0xFFFFFFE6, errAssert},
                 {25, 8, 2, 0}};
    for (const auto& c : cases) {
        Bytes bad = image;
        PutLE32(bad, c.header + c.offset, c.word);
        EXPECT_EQ(LoadCode(bad, c.header), c.loadCode) << c.header + c.offset << " " << c.word;
        EXPECT_EQ(WalkImage(bad).code, errAssert) << c.header + c.offset << " " << c.word;
    }
    for (size_t cut = 54; cut < 80; ++cut)
        EXPECT_EQ(LoadCode(Bytes(image.begin(), image.begin() + long(cut)), 54), errEndOfData);
}

TEST(WVEKIterator, WalksLiveRecordsInFileOrderByType) {
    const TWalk walk = WalkImage(DatabaseImage(kMixed));
    EXPECT_EQ(walk.code, 0u);
    EXPECT_EQ(walk.records,
              (std::vector<TSeen>{{10, 't', 25}, {11, 'p', 54}, {12, 't', 111}, {13, 'a', 137}}));
    EXPECT_EQ(WalkImage(DatabaseImage(kMixed), 't').records,
              (std::vector<TSeen>{{10, 't', 25}, {12, 't', 111}}));
    EXPECT_TRUE(WalkImage(DatabaseImage(kMixed), 'l').records.empty());
    EXPECT_TRUE(WalkImage({}).records.empty());
    const TWalk dead = WalkImage(
        DatabaseImage({{1, 'b', kFlagDeleted, {1}}, {1, 'b', kFlagDeleted | kFlagPermanent, {}}}));
    EXPECT_EQ(dead.code, 0u);
    EXPECT_TRUE(dead.records.empty());
}

// A cut file yields a prefix of the whole walk, ending cleanly at a record boundary and in an
// error elsewhere; a changed byte ends in a code too, never a crash or a hang.
TEST(WVEKIterator, EveryCutAndEveryByteChanged) {
    const Bytes image = DatabaseImage(kMixed);
    const TWalk whole = WalkImage(image);
    ForEachDamage<uint8_t>(image, [&](const std::string& what, const Bytes& damaged) {
        const TWalk walk = WalkImage(damaged);
        const size_t n = damaged.size();
        if (n < image.size()) {
            EXPECT_EQ(walk.code == 0, n <= 25 || n == 54 || n == 82 || n == 111 || n == 137);
            ASSERT_LE(walk.records.size(), whole.records.size()) << what;
            EXPECT_TRUE(std::equal(walk.records.begin(), walk.records.end(), whole.records.begin()));
        }
        EXPECT_TRUE(walk.code == 0 || walk.code == errAssert || walk.code == errEndOfData) << what;
        EXPECT_LE(walk.records.size(), 5u) << what;
    }, {0, 1, {0x01, 0x80, 0xFF}});
}

// ---- The record cache ----------------------------------------------------------------------

namespace {

// A database of two records: id 1 at 25 (3 bytes), id 2 at 54 (2 bytes); 82 bytes.
const std::vector<TTestRecord> kTwo = {{1, 't', 0, {'a', 'b', 'c'}}, {2, 'p', 0, {7, 8}}};

// The record cache on a memory file of kTwo and, joined to it under one sync (records first,
// as the database registers them), an index on another memory file.
struct TCacheRig {
    TCacheRig() {
        SetBytes(file, DatabaseImage(kTwo));
        cache = std::make_unique<TWVEKCache>("/test/db", &stream);
        cache->SetSync(&sync);
        index->SetSync(&sync);
    }
    // Holds a new record as the database makes one: type 'b' unless given, flags 0.
    uint32_t Hold(uint32_t id, const Bytes& data, uint8_t type = 'b') {
        auto* record = new TDBRecord();
        record->SetId(id);
        record->SetType(type);
        record->SetData(data.data(), uint32_t(data.size()));
        const uint32_t position = cache->Allocate(uint32_t(data.size()));
        record->SetPosition(position);
        cache->Hold(record);
        return position;
    }

    LDynamicStream file, indexFile;
    TStreamFaults faults, indexFaults;
    TTestStream stream{file, &faults};
    std::unique_ptr<TWVEKCache> cache;
    TCacheSync sync;
    std::unique_ptr<TFileIndex> index = OpenIndex(indexFile, &indexFaults);
};

} // namespace

// A failed write of the records (the dead mark is one write, the record the other), a failed
// reservation of the index or a failed write of its nodes or header cuts both files back and
// reports the failure, so that the index, written after the records, never names records that
// are not in the file; everything stays dirty, and the next flush writes it all.
TEST(WVEKCache, AFailedFlushCutsBothFilesBackAndTheNextOneWritesEverything) {
    const struct {
        int32_t recordWrites, indexWrites;
        bool failSetSize;
        uint32_t code;
    } cases[] = {{0, -1, false, errWriteFailed}, {1, -1, false, errWriteFailed},
                 {-1, -1, true, errDiskFull},    {-1, 0, false, errWriteFailed},
                 {-1, 1, false, errWriteFailed}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.recordWrites * 10 + c.indexWrites);
        TCacheRig rig;
        for (int32_t key = 1; key <= 50; ++key)
            rig.index->Insert(key, uint32_t(key));
        ASSERT_EQ(rig.sync.FlushAll(false), 0u);
        const Bytes committed = BytesOf(rig.indexFile);
        rig.cache->MarkObsolete(25, 3);
        rig.Hold(1, {'x', 'y', 'z', 'w'}, 't');
        for (int32_t key = 51; key <= 400; ++key)
            rig.index->Insert(key, uint32_t(key));
        rig.index->Update(1, 82);
        rig.faults.writesBeforeFailure = c.recordWrites;
        rig.indexFaults.writesBeforeFailure = c.indexWrites;
        rig.indexFaults.failSetSize = c.failSetSize;
        EXPECT_EQ(rig.sync.FlushAll(false), c.code);
        EXPECT_EQ(rig.file.GetSize(), c.indexWrites < 0 ? 82 : 82 + 30); // records go first
        EXPECT_EQ(BytesOf(rig.indexFile).size(), committed.size());
        EXPECT_TRUE(rig.index->IsDirty());
        EXPECT_EQ(rig.cache->IsDirty() && rig.cache->Contains(1), c.indexWrites < 0);
        rig.faults = rig.indexFaults = TStreamFaults();
        ASSERT_EQ(rig.sync.FlushAll(true), 0u);
        std::vector<TTestRecord> expected = kTwo;
        expected[0].flags = kFlagDeleted;
        expected.push_back({1, 't', 0, {'x', 'y', 'z', 'w'}});
        EXPECT_EQ(BytesOf(rig.file), DatabaseImage(expected));
        auto reopened = OpenIndex(rig.indexFile);
        EXPECT_TRUE(reopened->Check());
        EXPECT_EQ(Walk(*reopened).size(), 400u);
        EXPECT_EQ(ValueOf(*reopened, 1), 82u);
    }
}

// Flushes forced by the cache limit write without a sync; the next durable flush syncs both
// files even when nothing changed since the forced one, and one with nothing to write writes
// nothing.
TEST(WVEKCache, ForcedFlushesSkipTheSyncAndTheFinalFlushSyncsBothFiles) {
    TCacheRig rig;
    uint32_t id = 0;
    do {
        ++id;
        rig.index->Insert(int32_t(id), rig.Hold(id, Bytes(2000, uint8_t(id))));
        rig.cache->Trim();
    } while (rig.cache->GetHeldBytes() != 0);
    EXPECT_EQ(rig.file.GetSize(), int32_t(82 + id * 2026));
    EXPECT_GT(rig.indexFile.GetSize(), 16);
    EXPECT_EQ(rig.faults.flushCalls + rig.indexFaults.flushCalls, 0);
    EXPECT_TRUE(rig.cache->IsDirty() && rig.index->IsDirty());
    ASSERT_EQ(rig.cache->Flush(false), 0u);
    EXPECT_EQ(rig.faults.flushCalls, 1);
    EXPECT_EQ(rig.indexFaults.flushCalls, 1);
    EXPECT_FALSE(rig.cache->IsDirty() || rig.index->IsDirty());
    const Bytes data = BytesOf(rig.file), index = BytesOf(rig.indexFile);
    ASSERT_EQ(rig.sync.FlushAll(true), 0u);
    EXPECT_EQ(rig.faults.flushCalls + rig.indexFaults.flushCalls, 2);
    EXPECT_EQ(BytesOf(rig.file), data);
    EXPECT_EQ(BytesOf(rig.indexFile), index);
}
