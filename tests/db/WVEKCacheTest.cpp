// The record cache and the two-phase flush of records and index together.

#include "WVEKCache.h"

#include "DatabaseImage.h"
#include "IndexTestUtil.h"
#include "TempDirectory.h"
#include "WVEKIterator.h"

#include <gtest/gtest.h>

using namespace WVEK;

namespace {

using Bytes = std::vector<uint8_t>;

// A database of two records: id 1 at 25 (3 bytes), id 2 at 54 (2 bytes); 82 bytes.
const std::vector<TTestRecord> kTwo = {{1, 't', 0, {'a', 'b', 'c'}}, {2, 'p', 0, {7, 8}}};

// A new record as the database makes one: type 'b' unless given, flags 0.
TDBRecord* NewRecord(uint32_t id, const Bytes& data, uint32_t position, uint8_t type = 'b') {
    auto* record = new TDBRecord();
    record->SetId(id);
    record->SetType(type);
    record->SetData(data.data(), uint32_t(data.size()));
    record->SetPosition(position);
    return record;
}

class WVEKCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetBytes(fFile, DatabaseImage(kTwo));
        fCache = std::make_unique<TWVEKCache>("/test/db", &fStream);
    }

    LDynamicStream fFile;
    TStreamFaults fFaults;
    TTestStream fStream{fFile, &fFaults};
    std::unique_ptr<TWVEKCache> fCache;
};

} // namespace

TEST_F(WVEKCacheTest, HoldLookupDropAndTheirAccounting) {
    EXPECT_FALSE(fCache->IsDirty());
    EXPECT_EQ(fCache->Allocate(10), 82u);
    EXPECT_EQ(fCache->Allocate(0), 82u + 36u);
    TDBRecord* record = NewRecord(5, {1, 2, 3, 4}, 144);
    EXPECT_TRUE(fCache->Hold(record));
    EXPECT_EQ(fCache->GetHeldBytes(), 4 + 26 + 8 + 4);
    EXPECT_TRUE(fCache->Contains(5));
    EXPECT_EQ(fCache->Lookup(5), record);
    EXPECT_EQ(fCache->Lookup(6), nullptr);
    TDBRecord twin;
    twin.SetId(5);
    EXPECT_FALSE(fCache->Hold(&twin)); // refused, yet counted
    EXPECT_EQ(fCache->GetHeldBytes(), 2 * (26 + 8 + 4) + 4);
    EXPECT_TRUE(fCache->Drop(5));
    EXPECT_FALSE(fCache->Drop(5));
    EXPECT_EQ(fCache->GetHeldBytes(), 26 + 8 + 4 + 8); // the twin, and one obsolete entry
    EXPECT_TRUE(fCache->IsDirty());
    EXPECT_EQ(CodeOf([&] { fCache->Allocate(0x7FFFFFF0); }), errCannotGrow);
}

TEST_F(WVEKCacheTest, FlushWritesDeadMarksThenRecordsInTheOrderHeld) {
    // Record 1 grows: its old version dies and the new one goes to the end.
    fCache->MarkObsolete(25, 3);
    fCache->Hold(NewRecord(1, {'a', 'b', 'c', 'd'}, fCache->Allocate(4), 't'));
    // Record 9 is put and deleted before any flush.
    fCache->Hold(NewRecord(9, {1, 2, 3, 4, 5}, fCache->Allocate(5)));
    fCache->Drop(9);
    fCache->Hold(NewRecord(3, {}, fCache->Allocate(0)));
    ASSERT_EQ(fCache->Flush(false), 0u);
    EXPECT_FALSE(fCache->IsDirty());
    EXPECT_EQ(fCache->GetHeldBytes(), 0);

    std::vector<TTestRecord> expected = kTwo;
    expected[0].flags = kFlagDeleted;
    expected.push_back({1, 't', 0, {'a', 'b', 'c', 'd'}});
    expected.push_back({0, 'b', kFlagDeleted, {0, 0, 0, 0, 0}}); // zeros from the resize
    expected.push_back({3, 'b', 0, {}});
    EXPECT_EQ(BytesOf(fFile), DatabaseImage(expected));
    EXPECT_EQ(fCache->Flush(false), 0u); // nothing left to write
    EXPECT_EQ(BytesOf(fFile), DatabaseImage(expected));
}

TEST_F(WVEKCacheTest, SameLengthDataIsRewrittenInPlace) {
    auto* record = new TDBRecord(fStream, 54);
    Bytes data = {9, 9};
    record->SetData(data.data(), 2);
    fCache->Hold(record);
    ASSERT_EQ(fCache->Flush(false), 0u);
    std::vector<TTestRecord> expected = kTwo;
    expected[1].data = {9, 9};
    EXPECT_EQ(BytesOf(fFile), DatabaseImage(expected));
}

TEST_F(WVEKCacheTest, TrimFlushesOnceTheLimitIsPassed) {
    Bytes data(30000, 0x5A);
    int flushedAt = 0;
    for (int i = 1; i <= 4 && flushedAt == 0; ++i) {
        fCache->Hold(NewRecord(uint32_t(100 + i), data, fCache->Allocate(30000)));
        fCache->Trim();
        if (fCache->GetHeldBytes() == 0) flushedAt = i;
    }
    EXPECT_EQ(flushedAt, 4); // 4 * (30000 + 38) > 102400 >= 3 * (30000 + 38)
    EXPECT_EQ(fFile.GetSize(), int32_t(82 + 4 * (26 + 30000)));
    EXPECT_TRUE(fCache->IsDirty()); // written, but not synced until a durable flush
    fCache->SetCacheSize(10);
    EXPECT_EQ(fCache->GetCacheSize(), 10u);
}

TEST_F(WVEKCacheTest, AWriteFailureKeepsEverythingForTheNextFlush) {
    fCache->MarkObsolete(25, 3);
    fCache->Hold(NewRecord(1, {'x', 'y', 'z', 'w'}, fCache->Allocate(4), 't'));
    const Bytes before = BytesOf(fFile);
    // The dead mark is one write, the record (header and data) the other.
    for (int32_t failAfter : {0, 1}) {
        fFaults.writesBeforeFailure = failAfter;
        EXPECT_EQ(fCache->Flush(false), errWriteFailed);
        EXPECT_EQ(fFile.GetSize(), int32_t(before.size())); // cut back
        EXPECT_TRUE(fCache->Contains(1));
    }
    fFaults.writesBeforeFailure = -1;
    ASSERT_EQ(fCache->Flush(false), 0u);
    std::vector<TTestRecord> expected = kTwo;
    expected[0].flags = kFlagDeleted;
    expected.push_back({1, 't', 0, {'x', 'y', 'z', 'w'}});
    EXPECT_EQ(BytesOf(fFile), DatabaseImage(expected));
}

// Records and index under one sync, records first, as the database registers them.
TEST_F(WVEKCacheTest, APrepareFailureOfTheIndexCutsTheDatabaseFileBack) {
    LDynamicStream indexFile;
    TStreamFaults indexFaults;
    auto index = OpenIndex(indexFile, false, &indexFaults);
    TCacheSync sync;
    fCache->SetSync(&sync);
    index->SetSync(&sync);
    fCache->Hold(NewRecord(3, {1, 2, 3}, fCache->Allocate(3)));
    index->Insert(3, 82);
    indexFaults.failSetSize = true;
    const Bytes before = BytesOf(fFile);
    EXPECT_EQ(fCache->Flush(false), errDiskFull);
    EXPECT_EQ(BytesOf(fFile), before);
    EXPECT_EQ(indexFile.GetSize(), 0);
    EXPECT_TRUE(fCache->IsDirty() && index->IsDirty());

    indexFaults.failSetSize = false;
    ASSERT_EQ(sync.FlushAll(true), 0u);
    EXPECT_EQ(fFile.GetSize(), 82 + 26 + 3);
    uint32_t position;
    ASSERT_TRUE(OpenIndex(indexFile)->Find(3, position));
    EXPECT_EQ(position, 82u);
}

// A record write that fails must not let the index name records that are not in the file.
TEST_F(WVEKCacheTest, AFailedRecordWriteLeavesTheIndexUnwritten) {
    LDynamicStream indexFile;
    auto index = OpenIndex(indexFile);
    TCacheSync sync;
    fCache->SetSync(&sync);
    index->SetSync(&sync);
    fCache->Hold(NewRecord(3, {1, 2, 3}, fCache->Allocate(3)));
    index->Insert(3, 82);
    fFaults.writesBeforeFailure = 0;
    EXPECT_EQ(sync.FlushAll(false), errWriteFailed);
    EXPECT_EQ(fFile.GetSize(), 82);
    EXPECT_EQ(indexFile.GetSize(), 0);
    EXPECT_TRUE(fCache->Contains(3) && index->IsDirty());
    fFaults.writesBeforeFailure = -1;
    ASSERT_EQ(sync.FlushAll(false), 0u);
    EXPECT_EQ(fFile.GetSize(), 82 + 26 + 3);
    EXPECT_GT(indexFile.GetSize(), 0);
}

// The same on real files: a record put and dropped before the flush leaves a dead header that
// the iterator steps over; the index file opens by path and passes CheckIndexFile.
TEST(RecordAndIndexFiles, FlushTogetherOnDisk) {
    TTempDirectory dir;
    TFilePath dbPath(dir / "main.db"), indexPath(dir / "main.ind");
    WriteBytes(dbPath.GetFullPath(), DatabaseImage(kTwo));
    bool needRebuild = true;
    EXPECT_FALSE(CheckIndexFile(indexPath, needRebuild));
    EXPECT_FALSE(needRebuild);
    EXPECT_NE(CodeOf([&] { TFileIndex(indexPath, true); }), 0u); // missing, read-only
    {
        TFile dbFile(dbPath);
        std::unique_ptr<LStream> stream(dbFile.OpenStream(openReadWrite));
        TWVEKCache cache(dbPath.GetFullPath(), stream.get());
        TFileIndex index(indexPath, false);
        EXPECT_EQ(index.GetName(), indexPath.GetFullPath());
        ASSERT_TRUE(CheckIndexFile(indexPath, needRebuild));
        EXPECT_TRUE(needRebuild); // created empty
        TCacheSync sync;
        cache.SetSync(&sync);
        index.SetSync(&sync);
        index.Insert(1, 25);
        index.Insert(2, 54);
        cache.Hold(NewRecord(9, {1, 2, 3, 4, 5}, cache.Allocate(5)));
        cache.Drop(9);
        cache.Hold(NewRecord(10, {'t'}, cache.Allocate(1), 't'));
        index.Insert(10, 113);
        ASSERT_EQ(cache.Flush(true), 0u);
    }
    ASSERT_TRUE(CheckIndexFile(indexPath, needRebuild));
    EXPECT_FALSE(needRebuild);
    TFile dbFile(dbPath);
    TWVEKIterator it(dbFile, 0);
    std::vector<uint32_t> ids, positions;
    while (it.HasMore()) {
        uint32_t type, position;
        ids.push_back(it.NextWithPosition(&type, &position));
        positions.push_back(position);
    }
    EXPECT_EQ(ids, (std::vector<uint32_t>{1, 2, 10}));
    TFileIndex index(indexPath, true);
    for (size_t i = 0; i < ids.size(); ++i) {
        uint32_t position = 0;
        ASSERT_TRUE(index.Find(int32_t(ids[i]), position));
        EXPECT_EQ(position, positions[i]);
    }
    WriteBytes(indexPath.GetFullPath(), Bytes(16, 'x'));
    EXPECT_FALSE(CheckIndexFile(indexPath, needRebuild));
    EXPECT_EQ(CodeOf([&] { TFileIndex(indexPath, true); }), errAssert);
}

// Flushes forced by the cache limits write without a sync; the next durable flush syncs both
// files even when nothing changed since the forced one.
TEST(DurableFlush, ForcedFlushesSkipTheSyncAndTheFinalFlushSyncsBothFiles) {
    LDynamicStream dbFile, indexFile;
    SetBytes(dbFile, FileHeaderImage());
    TStreamFaults dbFaults, indexFaults;
    TTestStream dbStream(dbFile, &dbFaults);
    TWVEKCache cache("/test/db", &dbStream);
    std::unique_ptr<TFileIndex> index = OpenIndex(indexFile, false, &indexFaults);
    TCacheSync sync;
    cache.SetSync(&sync);
    index->SetSync(&sync);
    uint32_t id = 0;
    do {
        ++id;
        const uint32_t position = cache.Allocate(2000);
        cache.Hold(NewRecord(id, Bytes(2000, uint8_t(id)), position));
        index->Insert(int32_t(id), position);
        cache.Trim();
    } while (cache.GetHeldBytes() != 0);
    EXPECT_EQ(dbFile.GetSize(), int32_t(25 + id * 2026));
    EXPECT_GT(indexFile.GetSize(), 16);
    EXPECT_EQ(dbFaults.flushCalls, 0);
    EXPECT_EQ(indexFaults.flushCalls, 0);
    EXPECT_TRUE(cache.IsDirty());
    EXPECT_TRUE(index->IsDirty());

    ASSERT_EQ(cache.Flush(false), 0u);
    EXPECT_EQ(dbFaults.flushCalls, 1);
    EXPECT_EQ(indexFaults.flushCalls, 1);
    EXPECT_FALSE(cache.IsDirty());
    EXPECT_FALSE(index->IsDirty());
    ASSERT_EQ(sync.FlushAll(true), 0u); // clean: nothing more to sync
    EXPECT_EQ(dbFaults.flushCalls, 1);
    EXPECT_EQ(indexFaults.flushCalls, 1);
}

TEST(DurableFlush, TheForcedFlushOfAnOverfullNodeCacheSkipsTheSync) {
    LDynamicStream indexFile;
    TStreamFaults faults;
    std::unique_ptr<TFileIndex> index = OpenIndex(indexFile, false, &faults);
    index->SetCacheSize(11 * TFileIndex::kBytesPerCachedNode); // 11 nodes
    for (int32_t key = 0; key < 3000; ++key)
        index->Insert(int32_t((uint32_t(key) * 2654435761u) >> 1), uint32_t(key));
    EXPECT_GT(indexFile.GetSize(), 16); // forced flushes wrote nodes
    EXPECT_EQ(faults.flushCalls, 0);
    ASSERT_EQ(index->Flush(true), 0u);
    EXPECT_EQ(faults.flushCalls, 1);
    EXPECT_TRUE(index->Check());
}
