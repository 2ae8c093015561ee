// The index: the file layout and its edge cases, damaged files, randomized runs against a
// std::map, and the bulk builder.

#include "Damage.h"
#include "DbTestUtil.h"
#include "IndexBuilder.h"

#include <gtest/gtest.h>

#include <random>

using namespace WVEK;
using WVEK::IndexFormat::kNodeSize;

namespace {

// Every operation on the index in `bytes` either works or throws errAssert or errEndOfData.
void ExpectOnlyKnownCodes(const std::string& what, const Bytes& bytes) {
    LDynamicStream file;
    SetBytes(file, bytes);
    std::unique_ptr<TFileIndex> index;
    std::vector<uint32_t> codes{CodeOf([&] { index = OpenIndex(file); })};
    EXPECT_TRUE(bytes.size() >= 16 || codes[0] == errAssert) << what; // a short header
    for (int32_t key : {0, 1, 11, 15, 21, 30, -3, 16, 40, 22, 5}) {
        if (!index) break;
        codes.push_back(CodeOf([&] { ValueOf(*index, key); }));
        codes.push_back(CodeOf([&] { index->Update(key, 1); }));
        codes.push_back(CodeOf([&] { key % 2 ? index->Delete(key) : index->Insert(key, 1); }));
    }
    if (index) codes.push_back(CodeOf([&] { index->Check(); }) | index->Flush(true));
    for (uint32_t code : codes)
        EXPECT_TRUE(code == 0 || code == errAssert || code == errEndOfData) << what << ": " << code;
}

} // namespace

// ---- The index file ------------------------------------------------------------------------

// The 21st key arrives at slot 20 of a full leaf, so old slot 10 (key 11) goes up and the
// left leaf keeps slots 10 to 19 as leftovers.
TEST(FileIndex, TwentyOneKeysGiveARootOverTwoLeaves) {
    Bytes expected = IndexHeader("1", 2);
    AppendNode(expected, 10, Range(1, 20));
    AppendNode(expected, 10, Range(12, 21));
    AppendNode(expected, 1, {11}, {0, 1});
    EXPECT_EQ(TwoLeavesImage(), expected);
}

// Deletes from root [11] over two leaves of 10 keys, one of them made 11 by `extra`: a leaf
// left with 9 borrows from a sibling of 11 (else the check fails), or merges into the right
// one of the pair, which collapses the root (node 2) into node 1 and abandons node 0. The
// header is written back with the version read; node numbers are not reused.
TEST(FileIndex, DeletesBorrowMergeOrTakeThePredecessor) {
    const struct {
        const char* what;
        TKeys extra;
        int32_t key;
        uint32_t root;
        char version;
    } cases[] = {{"borrow, left", {0}, 15, 2, '1'},
                 {"borrow, right", {22}, 3, 2, '1'},
                 {"merge into the right leaf", {}, 15, 1, '1'},
                 {"the leftmost leaf merges", {}, 5, 1, '1'},
                 {"a key of an inner node", {0}, 11, 2, '1'},
                 {"merge, version 0", {}, 15, 1, '0'}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LDynamicStream file;
        Bytes bytes = TwoLeavesImage(c.extra);
        bytes[9] = uint8_t(c.version);
        SetBytes(file, bytes);
        auto index = OpenIndex(file);
        ASSERT_TRUE(index->Delete(c.key));
        EXPECT_EQ(index->GetRoot(), c.root);
        TEntries expected;
        for (int32_t key : Range(-1, 22, c.key))
            if ((key >= 1 && key <= 21) || std::count(c.extra.begin(), c.extra.end(), key))
                expected.emplace_back(key, uint32_t(key) * 10);
        EXPECT_EQ(Walk(*index), expected);
        EXPECT_TRUE(index->Check());
        ASSERT_EQ(index->Flush(false), 0u);
        bytes = BytesOf(file);
        EXPECT_EQ(bytes.size(), 16 + 3 * kNodeSize); // node numbers are not reused
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 16),
                  IndexHeader(std::string(1, c.version).c_str(), c.root));
        EXPECT_EQ(OpenIndex(file)->GetVersion(), c.version - '0');
    }
}

// ---- Damaged index files -------------------------------------------------------------------

// The version is read as strtol reads decimal text; without a 0 byte the digits run on into
// the root field, up to the end of the header. Only versions 0 and 1 open.
TEST(IndexDamage, VersionTextIsReadAsADecimalNumber) {
    const struct {
        const char* text; // 7 bytes from offset 9
        uint32_t code;
        int32_t version;
    } cases[] = {{"1", 0, 1},          {"0", 0, 0},
                 {"", 0, 0},           {"01", 0, 1},
                 {"1x", 0, 1},         {"2", errAssert, 0},
                 {"10", errAssert, 0}, {"-1", errAssert, 0},
                 {"0000001", 0, 1},    {"1000000", errAssert, 0}};
    for (const auto& c : cases) {
        Bytes damaged = TwoLeavesImage();
        std::memset(damaged.data() + 9, 0, 3);
        std::memcpy(damaged.data() + 9, c.text, std::strlen(c.text));
        LDynamicStream file;
        SetBytes(file, damaged);
        std::unique_ptr<TFileIndex> index;
        EXPECT_EQ(CodeOf([&] { index = OpenIndex(file); }), c.code) << c.text;
        EXPECT_EQ(index ? index->GetVersion() : 0, c.version) << c.text;
    }
}

// Each damage to the tree of TwoLeavesImage ends the operations that meet it in errAssert and
// changes nothing; a cycle must not become an endless descent.
TEST(IndexDamage, DamagedTreesAreRejected) {
    const size_t rootChild1 = 16 + 2 * kNodeSize + 162 + 4;
    const struct {
        const char* what;
        size_t at;
        uint8_t byte;
        int32_t key;
        bool insertMeetsIt;
    } cases[] = {
        {"a node count above 20", 16 + kNodeSize, 21, 15, true},
        {"a child beyond the file", rootChild1, 3, 15, true},
        {"a root beyond the file", 12, 9, 1, true},
        {"the root as its own child", rootChild1, 2, 15, true},
        {"a child shared with its sibling", rootChild1, 0, 5, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bytes = TwoLeavesImage();
        bytes[c.at] = c.byte;
        LDynamicStream file;
        SetBytes(file, bytes);
        auto index = OpenIndex(file);
        EXPECT_EQ(CodeOf([&] { index->Delete(c.key); }), errAssert);
        if (c.insertMeetsIt) {
            EXPECT_EQ(CodeOf([&] { ValueOf(*index, c.key); }), errAssert);
            EXPECT_EQ(CodeOf([&] { index->Insert(c.key, 1); }), errAssert);
        }
        EXPECT_FALSE(index->IsDirty());
        bool sound = true;
        const uint32_t code = CodeOf([&] { sound = index->Check(); });
        EXPECT_TRUE(code == errAssert || (code == 0 && !sound));
    }
}

// Every cut and every changed byte ends in a clear code, never a crash, an endless loop or a
// read outside a node; a cut header is rejected.
TEST(IndexDamage, EveryCutAndEveryByteChanged) {
    ForEachDamage<uint8_t>(TwoLeavesImage(), ExpectOnlyKnownCodes, {1, 1, {0x01, 0x80, 0xFF}});
}

// ---- Randomized runs against a std::map ------------------------------------------------------

class TIndexRun {
public:
    TIndexRun(uint32_t seed, uint32_t cacheNodes, int32_t keySpan)
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
            fModel.emplace(key, value); // a refused insert keeps the old value
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

    std::mt19937 fRandom;
    uint32_t fCacheNodes; // 0: the default cache
    int32_t fKeySpan;     // 0: the full key range, where keys with the top bit set sort first
    LDynamicStream fFile;
    std::unique_ptr<TFileIndex> fIndex;
    std::map<int32_t, uint32_t> fModel;
};

// Batches of 250 steps, each followed by a check; every fourth batch flushes, and the next
// flushes with release (which leaves no node in memory) and reopens. The last run, with the
// smallest cache and no explicit flush, is written by forced flushes alone: every node that
// leaves the cache was written first.
TEST(IndexModel, RandomOperationsAgreeWithAMap) {
    const struct {
        uint32_t seed, cacheNodes;
        int32_t keySpan, batches;
        bool flushes;
    } runs[] = {{1, 0, 3000, 40, true},
                {2, 11, 3000, 40, true},
                {3, 20, 0, 30, true},
                {4, 11, 400, 40, true},
                {5, 11, 5000, 24, false}};
    for (const auto& r : runs) {
        SCOPED_TRACE(r.seed);
        TIndexRun run(r.seed, r.cacheNodes, r.keySpan);
        for (int batch = 0; batch < r.batches && !HasFatalFailure(); ++batch) {
            for (int i = 0; i < 250 && !HasFatalFailure(); ++i)
                run.Step();
            if (!r.flushes) continue;
            run.Verify();
            if (batch % 4 == 1) {
                ASSERT_EQ(run.fIndex->Flush(false), 0u);
            } else if (batch % 4 == 2) {
                const bool dirty = run.fIndex->IsDirty();
                ASSERT_EQ(run.fIndex->Flush(true), 0u);
                EXPECT_TRUE(!dirty || run.fIndex->GetCachedNodeCount() == 0);
                run.Reopen();
                run.Verify();
            }
        }
        EXPECT_GT(run.fFile.GetSize(), 0);
        const uint32_t cached = run.fIndex->GetCachedNodeCount();
        EXPECT_TRUE(!r.cacheNodes || cached <= r.cacheNodes + r.cacheNodes / 10 + 10) << cached;
        ASSERT_EQ(run.fIndex->Flush(true), 0u);
        run.Reopen();
        run.Verify();
    }
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
