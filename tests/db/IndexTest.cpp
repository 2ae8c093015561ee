// The index: node operations byte by byte, the file layout and its edge cases, damaged files,
// randomized runs against a std::map, and the bulk builder.

#include "Damage.h"
#include "DbTestUtil.h"
#include "IndexBuilder.h"
#include "NodeView.h"

#include <gtest/gtest.h>

#include <random>

using namespace WVEK;
using WVEK::IndexFormat::kNodeSize;

namespace {

// n values first, first + step, ...
template <typename T> std::vector<T> Seq(T first, int n, T step = 1) {
    std::vector<T> out;
    for (int i = 0; i < n; ++i)
        out.push_back(T(first + step * T(i)));
    return out;
}
template <typename T> std::vector<T> Cat(std::vector<T> a, const std::vector<T>& b) {
    return a.insert(a.end(), b.begin(), b.end()), a;
}
TKeys Keys(int32_t first, int n, int32_t step = 1) { return Seq<int32_t>(first, n, step); }
std::vector<uint32_t> Kids(uint32_t first, int n) { return Seq<uint32_t>(first, n); }

Bytes Node(uint16_t count, const TKeys& keys, const std::vector<uint32_t>& children) {
    Bytes node;
    AppendNode(node, count, keys, children);
    return node;
}
TNodeEntry EntryFor(int32_t key, uint32_t right) { return {key, uint32_t(key) * 10, right}; }

// A full inner node, keys 0, 2, ..., 38 over children 100 to 120; and the same node after a
// split that kept its first 10 keys (slots 10 and above are leftovers).
Bytes FullInner(uint16_t count = 20) { return Node(count, Keys(0, 20, 2), Kids(100, 21)); }

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

// ---- Nodes: every slot of the 246-byte image, leftovers included, moves as the format says ---

// Entry {key, right child 500} enters the full inner node at `slot`: slot 9, the new entry or
// slot 10 goes up, and the old node and the fresh one (number 77) come out slot for slot.
TEST(NodeView, SplitsPromoteSlotNineTheNewEntryOrSlotTen) {
    const struct {
        uint32_t slot;
        int32_t key, promoted;
        Bytes old, fresh;
    } cases[] = {
        {3, 5, 18,
         Node(10, Cat({0, 2, 4, 5, 6, 8, 10, 12, 14, 16}, Keys(20, 10, 2)),
              Cat({100, 101, 102, 103, 500, 104, 105, 106, 107, 108, 109}, Kids(111, 10))),
         Node(10, Keys(20, 10, 2), Kids(110, 11))},
        {10, 19, 19, FullInner(10), Node(10, Keys(20, 10, 2), Cat({500}, Kids(111, 10)))},
        {13, 25, 20, FullInner(10),
         Node(10, {22, 24, 25, 26, 28, 30, 32, 34, 36, 38},
              {111, 112, 113, 500, 114, 115, 116, 117, 118, 119, 120})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.slot);
        Bytes old = FullInner(), fresh = Node(0, {}, {});
        TNodeEntry up =
            TNodeView(old.data()).Split(c.slot, EntryFor(c.key, 500), TNodeView(fresh.data()), 77);
        EXPECT_EQ(up.key, c.promoted);
        EXPECT_EQ(up.value, uint32_t(c.promoted) * 10);
        EXPECT_EQ(up.right, 77u);
        EXPECT_EQ(old, c.old);
        EXPECT_EQ(fresh, c.fresh);
    }
}

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
// left with 9 borrows from a sibling of 11, else merges into the right one of the pair, which
// collapses the root (node 2) into node 1 and abandons node 0. The header of a collapsed root
// is written back with the version read (0 here in the last row); node numbers are not reused.
TEST(FileIndex, DeletesBorrowMergeOrTakeThePredecessor) {
    const struct {
        const char* what;
        TKeys extra;
        int32_t key;
        uint32_t root;
        std::map<uint32_t, TKeys> nodes;
        char version = '1';
    } cases[] = {
        {"borrow, left", {0}, 15, 2, {{2, {10}}, {0, Range(0, 9)}, {1, Range(11, 21, 15)}}},
        {"borrow, right", {22}, 3, 2, {{2, {12}}, {0, Range(1, 11, 3)}, {1, Range(13, 22)}}},
        {"merge into the right leaf", {}, 15, 1, {{1, Range(1, 21, 15)}}},
        {"the leftmost leaf merges", {}, 5, 1, {{1, Range(1, 21, 5)}}},
        {"a key of an inner node", {0}, 11, 2, {{2, {10}}, {0, Range(0, 9)}}},
        {"a merge at version 0", {}, 15, 1, {{1, Range(1, 21, 15)}}, '0'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LDynamicStream file;
        Bytes bytes = TwoLeavesImage(c.extra);
        bytes[9] = uint8_t(c.version);
        SetBytes(file, bytes);
        auto index = OpenIndex(file);
        EXPECT_EQ(index->GetVersion(), c.version - '0');
        ASSERT_TRUE(index->Delete(c.key));
        EXPECT_EQ(index->GetRoot(), c.root);
        for (const auto& [number, keys] : c.nodes) {
            WVEK::TNodeRef ref(*index, number);
            TKeys got;
            for (uint32_t i = 0; i < ref.View().Count(); ++i)
                got.push_back(ref.View().Key(i));
            EXPECT_EQ(got, keys) << number;
        }
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
    } cases[] = {{"1", 0, 1},       {"0", 0, 0},          {"", 0, 0},
                 {"01", 0, 1},      {"1x", 0, 1},         {"2", errAssert, 0},
                 {"10", errAssert, 0}, {"-1", errAssert, 0},    {"0000001", 0, 1},
                 {"1000000", errAssert, 0}};
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
// flushes with release (which leaves no node in memory) and reopens.
TEST(IndexModel, RandomOperationsAgreeWithAMap) {
    const struct {
        uint32_t seed, cacheNodes;
        int32_t keySpan, batches;
    } runs[] = {{1, 0, 3000, 40}, {2, 11, 3000, 40}, {3, 20, 0, 30}, {4, 11, 400, 40}};
    for (const auto& r : runs) {
        SCOPED_TRACE(r.seed);
        TIndexRun run(r.seed, r.cacheNodes, r.keySpan);
        for (int batch = 0; batch < r.batches && !HasFatalFailure(); ++batch) {
            for (int i = 0; i < 250 && !HasFatalFailure(); ++i)
                run.Step();
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
    }
}

// Every node that leaves the cache was written first: a long run with the smallest cache and
// no explicit flush forces flushes, and the tree read back from the file is the model's.
TEST(IndexModel, ForcedFlushesKeepTheFileWhole) {
    TIndexRun run(5, 11, 5000);
    for (int i = 0; i < 6000 && !HasFatalFailure(); ++i)
        run.Step();
    EXPECT_GT(run.fFile.GetSize(), 0); // written by forced flushes alone
    EXPECT_LE(run.fIndex->GetCachedNodeCount(), 11u + 11u / 10 + 10u);
    ASSERT_EQ(run.fIndex->Flush(true), 0u);
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
