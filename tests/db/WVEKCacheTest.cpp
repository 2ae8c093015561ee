// The record cache, and the two-phase flush of records and index together.

#include "WVEKCache.h"

#include "DatabaseImage.h"
#include "IndexTestUtil.h"

#include <gtest/gtest.h>

using namespace WVEK;

namespace {

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

    // An index on a memory file, under one sync with the cache: records first, as the
    // database registers them.
    void JoinIndex() {
        fIndex = OpenIndex(fIndexFile, false, &fIndexFaults);
        fCache->SetSync(&fSync);
        fIndex->SetSync(&fSync);
    }

    LDynamicStream fFile, fIndexFile;
    TStreamFaults fFaults, fIndexFaults;
    TTestStream fStream{fFile, &fFaults};
    std::unique_ptr<TWVEKCache> fCache;
    TCacheSync fSync;
    std::unique_ptr<TFileIndex> fIndex;
};

} // namespace

TEST_F(WVEKCacheTest, PlacesAreAllocatedAtTheEndBelow2GiB) {
    EXPECT_EQ(fCache->Allocate(10), 82u);
    EXPECT_EQ(fCache->Allocate(0), 82u + 36u);
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

// A failed record write cuts the file back and reports the failure, so that the index, which
// is written after the records, never names records that are not in the file; everything
// stays for the next flush.
TEST_F(WVEKCacheTest, AFailedRecordWriteLeavesTheIndexUnwritten) {
    JoinIndex();
    fCache->MarkObsolete(25, 3);
    fCache->Hold(NewRecord(1, {'x', 'y', 'z', 'w'}, fCache->Allocate(4), 't'));
    fIndex->Insert(1, 82);
    for (int32_t failAfter : {0, 1}) { // the dead mark is one write, the record the other
        fFaults.writesBeforeFailure = failAfter;
        EXPECT_EQ(fSync.FlushAll(false), errWriteFailed);
        EXPECT_EQ(fFile.GetSize(), 82);
        EXPECT_EQ(fIndexFile.GetSize(), 0);
        EXPECT_TRUE(fCache->Contains(1) && fIndex->IsDirty());
    }
    fFaults.writesBeforeFailure = -1;
    ASSERT_EQ(fSync.FlushAll(false), 0u);
    std::vector<TTestRecord> expected = kTwo;
    expected[0].flags = kFlagDeleted;
    expected.push_back({1, 't', 0, {'x', 'y', 'z', 'w'}});
    EXPECT_EQ(BytesOf(fFile), DatabaseImage(expected));
    EXPECT_EQ(ValueOf(*OpenIndex(fIndexFile), 1), 82u);
}

TEST_F(WVEKCacheTest, APrepareFailureOfTheIndexCutsTheDatabaseFileBack) {
    JoinIndex();
    fCache->Hold(NewRecord(3, {1, 2, 3}, fCache->Allocate(3)));
    fIndex->Insert(3, 82);
    fIndexFaults.failSetSize = true;
    EXPECT_EQ(fCache->Flush(false), errDiskFull);
    EXPECT_EQ(BytesOf(fFile), DatabaseImage(kTwo));
    EXPECT_EQ(fIndexFile.GetSize(), 0);
    EXPECT_TRUE(fCache->IsDirty() && fIndex->IsDirty());
    fIndexFaults.failSetSize = false;
    ASSERT_EQ(fSync.FlushAll(true), 0u);
    EXPECT_EQ(fFile.GetSize(), 82 + 26 + 3);
    EXPECT_EQ(ValueOf(*OpenIndex(fIndexFile), 3), 82u);
}

// A failed index write cuts the file back and keeps every node dirty; the next flush writes
// the whole tree.
TEST_F(WVEKCacheTest, AFailedIndexWriteIsRedoneByTheNextFlush) {
    JoinIndex();
    InsertAll(*fIndex, Range(1, 50));
    ASSERT_EQ(fIndex->Flush(false), 0u);
    const int32_t committed = fIndexFile.GetSize();
    InsertAll(*fIndex, Range(51, 400));
    for (int32_t failAfter : {0, 1}) { // the nodes go in one write, the header in another
        fIndexFaults.writesBeforeFailure = failAfter;
        EXPECT_EQ(fIndex->Flush(false), errWriteFailed) << failAfter;
        EXPECT_EQ(fIndexFile.GetSize(), committed);
        EXPECT_TRUE(fIndex->IsDirty());
    }
    fIndexFaults.writesBeforeFailure = -1;
    ASSERT_EQ(fIndex->Flush(true), 0u);
    auto reopened = OpenIndex(fIndexFile);
    EXPECT_TRUE(reopened->Check());
    EXPECT_EQ(Walk(*reopened).size(), 400u);
}

// Flushes forced by the cache limit write without a sync; the next durable flush syncs both
// files even when nothing changed since the forced one, and a flush with nothing to write
// writes nothing.
TEST_F(WVEKCacheTest, ForcedFlushesSkipTheSyncAndTheFinalFlushSyncsBothFiles) {
    JoinIndex();
    uint32_t id = 0;
    do {
        const uint32_t position = fCache->Allocate(2000);
        ++id;
        fCache->Hold(NewRecord(id, Bytes(2000, uint8_t(id)), position));
        fIndex->Insert(int32_t(id), position);
        fCache->Trim();
    } while (fCache->GetHeldBytes() != 0);
    EXPECT_EQ(fFile.GetSize(), int32_t(82 + id * 2026));
    EXPECT_GT(fIndexFile.GetSize(), 16);
    EXPECT_EQ(fFaults.flushCalls + fIndexFaults.flushCalls, 0);
    EXPECT_TRUE(fCache->IsDirty() && fIndex->IsDirty());

    ASSERT_EQ(fCache->Flush(false), 0u);
    EXPECT_EQ(fFaults.flushCalls, 1);
    EXPECT_EQ(fIndexFaults.flushCalls, 1);
    EXPECT_FALSE(fCache->IsDirty() || fIndex->IsDirty());
    const Bytes data = BytesOf(fFile), index = BytesOf(fIndexFile);
    ASSERT_EQ(fSync.FlushAll(true), 0u);
    EXPECT_EQ(fFaults.flushCalls + fIndexFaults.flushCalls, 2);
    EXPECT_EQ(BytesOf(fFile), data);
    EXPECT_EQ(BytesOf(fIndexFile), index);
}
