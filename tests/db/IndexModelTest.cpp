// Randomized model test: the index against a std::map through thousands of inserts, updates
// and deletes, with flushes, reopenings and small caches (eviction and forced flushes).

#include "IndexBuilder.h"
#include "IndexTestUtil.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

using namespace WVEK;

namespace {

class TModelRun {
public:
    TModelRun(uint32_t seed, uint32_t cacheNodes, int32_t keySpan)
        : fRandom(seed), fCacheNodes(cacheNodes), fKeySpan(keySpan) {
        Reopen();
    }

    void Reopen() {
        fIndex.reset();
        fIndex = OpenIndex(fFile);
        if (fCacheNodes) fIndex->SetCacheSize(fCacheNodes * TFileIndex::kBytesPerCachedNode);
    }

    // One random operation: insert, update, delete (mostly of a present key) or find.
    void Step() {
        int32_t key =
            fKeySpan ? int32_t(fRandom() % uint32_t(fKeySpan)) - fKeySpan / 2 : int32_t(fRandom());
        const uint32_t value = uint32_t(fRandom()), op = fRandom() % 8;
        if (op >= 4 && op < 6 && !fModel.empty() && fRandom() % 4 != 0) {
            auto victim = fModel.lower_bound(key);
            key = (victim == fModel.end() ? fModel.begin() : victim)->first;
        }
        auto it = fModel.find(key);
        const bool present = it != fModel.end();
        if (op < 3) {
            ASSERT_EQ(fIndex->Insert(key, value), !present) << key;
            fModel.emplace(key, value);
        } else if (op == 3) {
            ASSERT_EQ(fIndex->Update(key, value), present) << key;
            if (present) it->second = value;
        } else if (op < 6) {
            ASSERT_EQ(fIndex->Delete(key), present) << key;
            fModel.erase(key);
        } else {
            ASSERT_EQ(ValueOf(*fIndex, key), present ? std::optional(it->second) : std::nullopt);
        }
    }

    void Verify() {
        ASSERT_TRUE(fIndex->Check());
        ASSERT_EQ(Walk(*fIndex), TEntries(fModel.begin(), fModel.end()));
    }

    TFileIndex& Index() { return *fIndex; }
    int32_t FileSize() { return fFile.GetSize(); }

private:
    std::mt19937 fRandom;
    uint32_t fCacheNodes;
    int32_t fKeySpan; // 0: the full key range
    LDynamicStream fFile;
    std::unique_ptr<TFileIndex> fIndex;
    std::map<int32_t, uint32_t> fModel;
};

} // namespace

// Batches of 250 steps, each followed by a check; every fourth batch flushes, and the next
// flushes with release (which leaves no node in memory) and reopens. A refused insert must
// keep the old value; over the full key range, keys with the top bit set sort first.
TEST(IndexModel, RandomOperationsAgreeWithAMap) {
    const struct {
        uint32_t seed, cacheNodes; // 0: the default cache
        int32_t keySpan, batches;
    } runs[] = {{1, 0, 3000, 40}, {2, 11, 3000, 40}, {3, 20, 0, 30}, {4, 11, 400, 40}};
    for (const auto& r : runs) {
        SCOPED_TRACE(r.seed);
        TModelRun run(r.seed, r.cacheNodes, r.keySpan);
        for (int batch = 0; batch < r.batches && !HasFatalFailure(); ++batch) {
            for (int i = 0; i < 250 && !HasFatalFailure(); ++i)
                run.Step();
            run.Verify();
            if (batch % 4 == 1) {
                ASSERT_EQ(run.Index().Flush(false), 0u);
            } else if (batch % 4 == 2) {
                const bool dirty = run.Index().IsDirty();
                ASSERT_EQ(run.Index().Flush(true), 0u);
                if (dirty) {
                    EXPECT_EQ(run.Index().GetCachedNodeCount(), 0u);
                }
                run.Reopen();
                run.Verify();
            }
        }
    }
}

// Every node that leaves the cache was written first: a long run with the smallest cache and
// no explicit flush forces flushes, and the tree read back from the file is the model's.
TEST(IndexModel, ForcedFlushesKeepTheFileWhole) {
    TModelRun run(5, 11, 5000);
    for (int i = 0; i < 6000 && !HasFatalFailure(); ++i)
        run.Step();
    EXPECT_GT(run.FileSize(), 0); // written by forced flushes alone
    EXPECT_LE(run.Index().GetCachedNodeCount(), 11u + 11u / 10 + 10u);
    ASSERT_EQ(run.Index().Flush(true), 0u);
    run.Reopen();
    run.Verify();
}

// A bulk-built index holds the same entries as single inserts give (the first of repeated keys
// wins), passes the check at every size around the node limits, and takes further changes.
TEST(IndexBuilder, BuildsTheTreeThatSingleInsertsDescribe) {
    std::mt19937 random(14);
    for (uint32_t size : {0u, 1u, 20u, 21u, 22u, 230u, 441u, 442u, 9261u, 20000u}) {
        SCOPED_TRACE(size);
        std::vector<TIndexPair> pairs;
        TTempDirectory dir;
        LDynamicStream inserted;
        auto model = OpenIndex(inserted);
        for (uint32_t i = 0; i < size; ++i) {
            const int32_t key = int32_t(random() % (size * 2 + 1)) - int32_t(size);
            pairs.push_back({key, i});
            model->Insert(key, i); // refuses a repeat: the first stays
        }
        const TFilePath path(dir / "x.ind");
        WriteIndexFile(path, pairs);
        TFileIndex built(path, false);
        EXPECT_TRUE(built.Check());
        EXPECT_EQ(Walk(built), Walk(*model));
        EXPECT_TRUE(built.Insert(INT32_MAX, 1) && built.Delete(INT32_MAX));
        EXPECT_TRUE(built.Check());
    }
}
