// The index: the file layout and its edge cases, damaged files, randomized runs against a
// std::map, and the bulk builder.

#include "Damage.h"
#include "DbTestUtil.h"
#include "IndexBuilder.h"

#include <gtest/gtest.h>

#include <random>

using namespace WVEK;
using WVEK::IndexFormat::kNodeSize;

// ---- The index file ------------------------------------------------------------------------

// The 21st key arrives at slot 20 of a full leaf, so old slot 10 (key 11) goes up and the left
// leaf keeps slots 10 to 19 as leftovers. Deletes from that root [11] over two leaves of 10
// keys, one of them made 11 by `extra`: a leaf left with 9 borrows from a sibling of 11 (else
// the check fails), or merges into the right one of the pair, which collapses the root (node 2)
// into node 1 and abandons node 0. The header is written back with the version read; node
// numbers are not reused.
TEST(FileIndex, TwentyOneKeysSplitAndDeletesBorrowOrMerge) {
    Bytes expected(16, 0); // magic, its 0 byte, version "1", root 2
    std::memcpy(expected.data(), "VEKINDEX", 8);
    expected[9] = '1';
    expected[12] = 2;
    AppendNode(expected, 10, Range(1, 20));
    AppendNode(expected, 10, Range(12, 21));
    AppendNode(expected, 1, {11}, {0, 1});
    EXPECT_EQ(TwoLeavesImage(), expected);
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
        auto index = OpenIndex(file, bytes);
        ASSERT_TRUE(index->Delete(c.key));
        EXPECT_EQ(index->GetRoot(), c.root);
        TEntries expected;
        for (int32_t key : Range(-1, 22, c.key))
            if ((key >= 1 && key <= 21) || std::count(c.extra.begin(), c.extra.end(), key))
                expected.emplace_back(key, uint32_t(key) * 10);
        EXPECT_EQ(Walk(*index), expected);
        EXPECT_TRUE(index->Check());
        ASSERT_EQ(index->Flush(false), 0u);
        EXPECT_EQ(file.GetSize(), int32_t(16 + 3 * kNodeSize)); // node numbers are not reused
        EXPECT_EQ(file.Data()[9], c.version);
        EXPECT_EQ(file.Data()[12], c.root);
        EXPECT_EQ(OpenIndex(file)->GetVersion(), c.version - '0');
    }
}

// ---- Damaged index files -------------------------------------------------------------------

// The version is read as strtol reads decimal text; without a 0 byte the digits run on into
// the root field, up to the end of the header. Only versions 0 and 1 open.
TEST(IndexDamage, VersionTextIsReadAsADecimalNumber) {
    const std::pair<const char*, int32_t> cases[] = {
        // the text from offset 9, the version or -1
        {"1", 1},  {"0", 0},   {"", 0},    {"01", 1},      {"1x", 1},
        {"2", -1}, {"10", -1}, {"-1", -1}, {"0000001", 1}, {"1000000", -1}};
    for (const auto& [text, version] : cases) {
        Bytes damaged = TwoLeavesImage();
        std::memset(damaged.data() + 9, 0, 3);
        std::memcpy(damaged.data() + 9, text, std::strlen(text));
        LDynamicStream file;
        std::unique_ptr<TFileIndex> index;
        EXPECT_EQ(CodeOf([&] { index = OpenIndex(file, damaged); }), version < 0 ? errAssert : 0)
            << text;
        EXPECT_EQ(index ? index->GetVersion() : -1, version) << text;
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
    } cases[] = {{"a node count above 20", 16 + kNodeSize, 21, 15},
                 {"a child beyond the file", rootChild1, 3, 15},
                 {"a root beyond the file", 12, 9, 1},
                 {"the root as its own child", rootChild1, 2, 15},
                 {"a child shared with its sibling", rootChild1, 0, 5}};
    for (const auto& c : cases) {
        Bytes bytes = TwoLeavesImage();
        bytes[c.at] = c.byte;
        LDynamicStream file;
        auto index = OpenIndex(file, bytes);
        EXPECT_EQ(CodeOf([&] { index->Delete(c.key); }), errAssert) << c.what;
        EXPECT_FALSE(index->IsDirty()) << c.what;
        bool sound = true;
        const uint32_t code = CodeOf([&] { sound = index->Check(); });
        EXPECT_TRUE(code == errAssert || (code == 0 && !sound)) << c.what;
    }
}

// Every cut and every changed byte ends in a clear code, never a crash, an endless loop or a
// read outside a node: every operation either works or throws errAssert or errEndOfData, and a
// cut header is rejected.
TEST(IndexDamage, EveryCutAndEveryByteChanged) {
    ForEachDamage<uint8_t>(
        TwoLeavesImage(),
        [](const std::string& what, const Bytes& bytes) {
            LDynamicStream file;
            std::unique_ptr<TFileIndex> index;
            std::vector<uint32_t> codes{CodeOf([&] { index = OpenIndex(file, bytes); })};
            EXPECT_TRUE(bytes.size() >= 16 || codes[0] == errAssert) << what;
            for (int32_t key : {0, 1, 11, 15, 21, 30, -3, 16, 40, 22, 5}) {
                if (!index) break;
                codes.push_back(CodeOf([&] { ValueOf(*index, key); }));
                codes.push_back(CodeOf([&] { index->Update(key, 1); }));
                codes.push_back(
                    CodeOf([&] { key % 2 ? index->Delete(key) : index->Insert(key, 1); }));
            }
            if (index)
                codes.insert(codes.end(), {CodeOf([&] { index->Check(); }), index->Flush(true)});
            for (uint32_t code : codes)
                EXPECT_TRUE(code == 0 || code == errAssert || code == errEndOfData) << what;
        },
        {1, 1, {0x01, 0x80, 0xFF}});
}

// ---- Randomized runs against a std::map ------------------------------------------------------

// Batches of 250 random inserts, updates, deletes (mostly of a present key) and finds, each
// batch followed by a check; every fourth batch flushes, and the next flushes with release
// (which leaves no node in memory) and reopens. Over the full key range (span 0) keys with the
// top bit set sort first. The last run, with the smallest cache and no explicit flush, is
// written by forced flushes alone: every node that leaves the cache was written first.
TEST(IndexModel, RandomOperationsAgreeWithAMap) {
    const struct {
        uint32_t seed, cacheNodes; // 0: the default cache
        int32_t span, batches;
        bool flushes;
    } runs[] = {{1, 0, 3000, 40, true},
                {2, 11, 3000, 40, true},
                {3, 20, 0, 30, true},
                {4, 11, 400, 40, true},
                {5, 11, 5000, 24, false}};
    for (const auto& r : runs) {
        SCOPED_TRACE(r.seed);
        std::mt19937 random(r.seed);
        LDynamicStream file;
        std::unique_ptr<TFileIndex> index;
        std::map<int32_t, uint32_t> model;
        auto reopen = [&] {
            index.reset();
            index = OpenIndex(file);
            if (r.cacheNodes) index->SetCacheSize(r.cacheNodes * TFileIndex::kBytesPerCachedNode);
        };
        auto verify = [&] {
            ASSERT_TRUE(index->Check());
            ASSERT_EQ(Walk(*index), TEntries(model.begin(), model.end()));
        };
        reopen();
        for (int step = 0; step < 250 * r.batches && !HasFatalFailure(); ++step) {
            int32_t key =
                r.span ? int32_t(random() % uint32_t(r.span)) - r.span / 2 : int32_t(random());
            const uint32_t value = uint32_t(random()), op = random() % 8;
            if (op >= 4 && op < 6 && !model.empty() && random() % 4 != 0) {
                auto victim = model.lower_bound(key);
                key = (victim == model.end() ? model.begin() : victim)->first;
            }
            auto it = model.find(key);
            const bool present = it != model.end();
            if (op < 3) {
                ASSERT_EQ(index->Insert(key, value), !present) << key;
                model.emplace(key, value); // a refused insert keeps the old value
            } else if (op == 3) {
                ASSERT_EQ(index->Update(key, value), present) << key;
                if (present) it->second = value;
            } else if (op < 6) {
                ASSERT_EQ(index->Delete(key), present) << key;
                model.erase(key);
            } else {
                ASSERT_EQ(ValueOf(*index, key), present ? std::optional(it->second) : std::nullopt);
            }
            if (step % 250 != 249 || !r.flushes) continue;
            verify();
            if (step / 250 % 4 == 1) {
                ASSERT_EQ(index->Flush(false), 0u);
            } else if (step / 250 % 4 == 2) {
                const bool dirty = index->IsDirty();
                ASSERT_EQ(index->Flush(true), 0u);
                EXPECT_TRUE(!dirty || index->GetCachedNodeCount() == 0);
                reopen();
                verify();
            }
        }
        EXPECT_GT(file.GetSize(), 0);
        const uint32_t cached = index->GetCachedNodeCount();
        EXPECT_TRUE(!r.cacheNodes || cached <= r.cacheNodes + r.cacheNodes / 10 + 10) << cached;
        ASSERT_EQ(index->Flush(true), 0u);
        reopen();
        verify();
    }
}

// A bulk-built index holds the same entries as single inserts give (the first of repeated keys
// wins), passes the check at every size around the node limits (21 keys, 21^2, 21^3), and
// takes further changes.
TEST(IndexBuilder, BuildsTheTreeThatSingleInsertsDescribe) {
    std::mt19937 random(14);
    for (int32_t size : {0, 1, 20, 21, 22, 230, 440, 441, 442, 9261, 20000}) {
        SCOPED_TRACE(size);
        std::vector<TIndexPair> pairs;
        for (int32_t key = -size / 2; key < size - size / 2; ++key)
            pairs.push_back({key, uint32_t(key) * 10});
        std::shuffle(pairs.begin(), pairs.end(), random);
        for (int32_t i = 0; i < size; i += 3)
            pairs.push_back({pairs[size_t(i)].key, 7});
        LDynamicStream inserted;
        auto model = OpenIndex(inserted);
        for (const TIndexPair& pair : pairs)
            model->Insert(pair.key, pair.value); // refuses a repeat: the first stays
        TTempDirectory dir;
        const TFilePath path(dir / "x.ind");
        WriteIndexFile(path, pairs);
        TFileIndex built(path, false);
        EXPECT_TRUE(built.Check());
        EXPECT_EQ(Walk(built), Walk(*model));
        EXPECT_TRUE(built.Insert(INT32_MAX, 1) && built.Delete(INT32_MAX));
        EXPECT_TRUE(built.Check());
    }
}
