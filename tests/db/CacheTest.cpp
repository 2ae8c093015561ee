// The two-phase flush: TCache, TCacheSync, and the index as one of the caches it commits.

#include "Cache.h"
#include "IndexTestUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace WVEK;

namespace {

// A cache that logs its calls and fails on demand.
class TLoggingCache : public TCache {
public:
    TLoggingCache(std::string name, std::vector<std::string>& log)
        : fName(std::move(name)), fLog(log) {}

    void SetCacheSize(uint32_t size) override { fSize = size; }
    uint32_t GetCacheSize() override { return fSize; }
    void MarkDirty(bool dirty) override { fDirty = dirty; }
    bool IsDirty() override { return fDirty; }
    std::string GetName() override { return fName; }
    uint32_t Prepare(bool abort) override {
        fLog.push_back(fName + (abort ? ".abort" : ".prepare"));
        return abort ? 0 : prepareCode;
    }
    uint32_t Write(bool release, TDurability) override {
        fLog.push_back(fName + (release ? ".write+release" : ".write"));
        if (writeCode == 0) fDirty = false;
        return writeCode;
    }

    uint32_t prepareCode = 0;
    uint32_t writeCode = 0;

private:
    std::string fName;
    std::vector<std::string>& fLog;
    uint32_t fSize = 0;
    bool fDirty = true;
};

using TLog = std::vector<std::string>;

} // namespace

TEST(CacheSync, PreparesAllThenWritesAllInRegistrationOrder) {
    TLog log;
    TCacheSync sync;
    TLoggingCache a("a", log), b("b", log), clean("clean", log);
    a.SetSync(&sync);
    clean.SetSync(&sync);
    clean.MarkDirty(false);
    b.SetSync(&sync);
    EXPECT_EQ(b.Flush(true), 0u); // any member flushes them all
    EXPECT_EQ(log, (TLog{"a.prepare", "b.prepare", "a.write+release", "b.write+release"}));
    log.clear();
    EXPECT_EQ(sync.FlushAll(false), 0u); // nothing dirty: nothing happens
    EXPECT_TRUE(log.empty());
}

TEST(CacheSync, APrepareFailureUndoesThePreparedAndWritesNothing) {
    TLog log;
    TCacheSync sync;
    TLoggingCache a("a", log), b("b", log), c("c", log);
    for (TCache* cache :
         {static_cast<TCache*>(&a), static_cast<TCache*>(&b), static_cast<TCache*>(&c)})
        cache->SetSync(&sync);
    b.prepareCode = errDiskFull;
    EXPECT_EQ(sync.FlushAll(false), errDiskFull);
    EXPECT_EQ(log, (TLog{"a.prepare", "b.prepare", "a.abort"}));
    EXPECT_TRUE(a.IsDirty() && b.IsDirty() && c.IsDirty());
}

TEST(CacheSync, AWriteFailureCutsBackTheCachesNotYetWritten) {
    TLog log;
    TCacheSync sync;
    TLoggingCache a("a", log), b("b", log), c("c", log);
    for (TCache* cache :
         {static_cast<TCache*>(&a), static_cast<TCache*>(&b), static_cast<TCache*>(&c)})
        cache->SetSync(&sync);
    b.writeCode = errWriteFailed;
    EXPECT_EQ(sync.FlushAll(false), errWriteFailed);
    EXPECT_EQ(log, (TLog{"a.prepare", "b.prepare", "c.prepare", "a.write", "b.write", "c.abort"}));
    EXPECT_FALSE(a.IsDirty());
    EXPECT_TRUE(b.IsDirty() && c.IsDirty());
}

TEST(CacheSync, AloneACacheFlushesItself) {
    TLog log;
    TLoggingCache a("a", log);
    a.prepareCode = errDiskFull;
    EXPECT_EQ(a.Flush(false), errDiskFull);
    a.prepareCode = 0;
    EXPECT_EQ(a.Flush(false), 0u);
    EXPECT_EQ(a.Flush(false), 0u); // clean now
    EXPECT_EQ(log, (TLog{"a.prepare", "a.prepare", "a.write"}));
}

TEST(CacheSync, CachesAndSyncsLeaveEachOther) {
    TLog log;
    auto sync = std::make_unique<TCacheSync>();
    auto a = std::make_unique<TLoggingCache>("a", log);
    TLoggingCache b("b", log);
    a->SetSync(sync.get());
    b.SetSync(sync.get());
    a.reset(); // unregisters itself
    EXPECT_EQ(sync->FlushAll(false), 0u);
    EXPECT_EQ(log, (TLog{"b.prepare", "b.write"}));
    sync.reset();
    EXPECT_EQ(b.GetSync(), nullptr);
}

// Two index files under one sync: the second cannot grow its file, so the first, already
// sized, is cut back; both files are as before and both indexes stay dirty.
TEST(CacheSync, APrepareFailureOnTheSecondFileCutsTheFirstBack) {
    LDynamicStream file1, file2;
    TStreamFaults faults2;
    auto first = OpenIndex(file1);
    auto second = OpenIndex(file2, false, &faults2);
    InsertAll(*first, Range(1, 10));
    InsertAll(*second, Range(1, 10));
    TCacheSync sync;
    first->SetSync(&sync);
    second->SetSync(&sync);
    ASSERT_EQ(sync.FlushAll(false), 0u);
    const std::vector<uint8_t> before1 = BytesOf(file1), before2 = BytesOf(file2);

    InsertAll(*first, Range(11, 100));
    InsertAll(*second, Range(11, 100));
    faults2.failSetSize = true;
    EXPECT_EQ(first->Flush(false), errDiskFull);
    EXPECT_EQ(BytesOf(file1), before1);
    EXPECT_EQ(BytesOf(file2), before2);
    EXPECT_TRUE(first->IsDirty() && second->IsDirty());

    faults2.failSetSize = false;
    ASSERT_EQ(sync.FlushAll(true), 0u);
    for (LDynamicStream* file : {&file1, &file2}) {
        auto reopened = OpenIndex(*file);
        EXPECT_TRUE(reopened->Check());
        EXPECT_EQ(Walk(*reopened).size(), 100u);
    }
}

// A failed write cuts the file back and keeps every node dirty; the next flush writes the
// whole tree.
TEST(CacheSync, AFailedIndexWriteIsRedoneByTheNextFlush) {
    LDynamicStream file;
    TStreamFaults faults;
    auto index = OpenIndex(file, false, &faults);
    InsertAll(*index, Range(1, 50));
    ASSERT_EQ(index->Flush(false), 0u);
    const std::vector<uint8_t> committed = BytesOf(file);
    InsertAll(*index, Range(51, 400));
    for (int32_t failAfter : {0, 1, 5, 20}) {
        faults.writesBeforeFailure = failAfter;
        EXPECT_EQ(index->Flush(false), errWriteFailed) << failAfter;
        EXPECT_EQ(file.GetSize(), int32_t(committed.size()));
        EXPECT_TRUE(index->IsDirty());
    }
    faults.writesBeforeFailure = -1;
    ASSERT_EQ(index->Flush(true), 0u);
    auto reopened = OpenIndex(file);
    EXPECT_TRUE(reopened->Check());
    EXPECT_EQ(Walk(*reopened).size(), 400u);
}

TEST(NodeCache, SizeIsGivenInBytesAndKeptInNodes) {
    LDynamicStream file;
    auto index = OpenIndex(file);
    EXPECT_EQ(index->GetCacheSize(), 100u);
    index->SetCacheSize(10 * 262 + 261); // 10 nodes: ignored
    EXPECT_EQ(index->GetCacheSize(), 100u);
    index->SetCacheSize(0x40000);
    EXPECT_EQ(index->GetCacheSize(), 1000u);
    index->SetCacheSize(11 * 262);
    EXPECT_EQ(index->GetCacheSize(), 11u);
}

TEST(NodeCache, CleanNodesLeaveTheCacheAndComeBackFromTheFile) {
    LDynamicStream file;
    {
        auto index = OpenIndex(file);
        InsertAll(*index, Range(1, 5000));
        ASSERT_EQ(index->Flush(true), 0u);
        EXPECT_EQ(index->GetCachedNodeCount(), 0u);
    }
    auto index = OpenIndex(file, true);
    index->SetCacheSize(20 * 262);
    uint32_t value;
    for (int32_t key = 1; key <= 5000; key += 3) {
        ASSERT_TRUE(index->Find(key, value));
        ASSERT_EQ(value, uint32_t(key) * 10);
        ASSERT_LE(index->GetCachedNodeCount(), 20u);
    }
}
