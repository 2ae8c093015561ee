// Randomized model test: the index against a std::map through thousands of inserts, updates
// and deletes, with flushes, reopenings and small caches (eviction and forced flushes).

#include "IndexTestUtil.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

using namespace WVEK;

namespace {

class TModelRun {
public:
    TModelRun(uint32_t seed, uint32_t cacheBytes, int32_t keySpan)
        : fRandom(seed), fCacheBytes(cacheBytes), fKeySpan(keySpan) {
        Reopen();
    }

    void Reopen() {
        fIndex.reset();
        fIndex = OpenIndex(fFile);
        if (fCacheBytes) fIndex->SetCacheSize(fCacheBytes);
    }

    // One random operation, compared with the model.
    void Step() {
        int32_t key = RandomKey();
        uint32_t value = uint32_t(fRandom());
        auto it = fModel.find(key);
        bool present = it != fModel.end();
        switch (fRandom() % 8) {
        case 0:
        case 1:
        case 2:
            ASSERT_EQ(fIndex->Insert(key, value), !present) << key;
            if (!present) fModel[key] = value;
            break;
        case 3:
            ASSERT_EQ(fIndex->Update(key, value), present) << key;
            if (present) it->second = value;
            break;
        case 4:
        case 5: {
            // Delete a key that is present most of the time.
            if (!fModel.empty() && fRandom() % 4 != 0) {
                auto victim = fModel.lower_bound(key);
                if (victim == fModel.end()) victim = fModel.begin();
                key = victim->first;
                present = true;
            }
            ASSERT_EQ(fIndex->Delete(key), present) << key;
            fModel.erase(key);
            break;
        }
        default: {
            uint32_t found = 0;
            ASSERT_EQ(fIndex->Find(key, found), present) << key;
            if (present) {
                ASSERT_EQ(found, it->second);
            }
        }
        }
    }

    void Verify() {
        ASSERT_TRUE(fIndex->Check());
        TEntries expected(fModel.begin(), fModel.end());
        ASSERT_EQ(Walk(*fIndex), expected);
    }

    TFileIndex& Index() { return *fIndex; }
    int32_t FileSize() { return fFile.GetSize(); }

private:
    int32_t RandomKey() {
        if (fKeySpan == 0) return int32_t(fRandom());
        return int32_t(fRandom() % uint32_t(fKeySpan)) - fKeySpan / 2;
    }

    std::mt19937 fRandom;
    uint32_t fCacheBytes;
    int32_t fKeySpan;
    LDynamicStream fFile;
    std::unique_ptr<TFileIndex> fIndex;
    std::map<int32_t, uint32_t> fModel;
};

void RunModel(uint32_t seed, uint32_t cacheBytes, int32_t keySpan, int batches) {
    TModelRun run(seed, cacheBytes, keySpan);
    for (int batch = 0; batch < batches; ++batch) {
        for (int i = 0; i < 250; ++i) {
            run.Step();
            if (::testing::Test::HasFatalFailure()) return;
        }
        run.Verify();
        if (::testing::Test::HasFatalFailure()) return;
        switch (batch % 4) {
        case 1:
            ASSERT_EQ(run.Index().Flush(false), 0u);
            break;
        case 2: {
            // A flush that writes something and releases leaves no node in memory.
            bool dirty = run.Index().IsDirty();
            ASSERT_EQ(run.Index().Flush(true), 0u);
            if (dirty) {
                EXPECT_EQ(run.Index().GetCachedNodeCount(), 0u);
            }
            run.Reopen();
            run.Verify();
            break;
        }
        default:
            break;
        }
    }
}

} // namespace

TEST(IndexModel, DefaultCacheDenseKeys) {
    RunModel(1, 0, 3000, 40);
}

TEST(IndexModel, SmallestCacheDenseKeys) {
    RunModel(2, 11 * TFileIndex::kBytesPerCachedNode, 3000, 40);
}

TEST(IndexModel, SmallCacheFullKeyRange) {
    RunModel(3, 20 * TFileIndex::kBytesPerCachedNode, 0, 30);
}

TEST(IndexModel, SmallCacheFewKeysManyDeletes) {
    RunModel(4, 11 * TFileIndex::kBytesPerCachedNode, 400, 40);
}

// Every node that leaves the cache was written first: a long run with the smallest cache and
// no explicit flush forces flushes, and the tree read back from the file is the model's.
TEST(IndexModel, ForcedFlushesKeepTheFileWhole) {
    TModelRun run(5, 11 * TFileIndex::kBytesPerCachedNode, 5000);
    for (int i = 0; i < 6000 && !HasFatalFailure(); ++i)
        run.Step();
    EXPECT_GT(run.FileSize(), 0); // written by forced flushes alone
    EXPECT_LE(run.Index().GetCachedNodeCount(), 11u + 11u / 10 + 10u);
    ASSERT_EQ(run.Index().Flush(true), 0u);
    run.Reopen();
    run.Verify();
}
