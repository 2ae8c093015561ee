// The index file and its B-tree: layout and the documented edge cases.

#include "IndexTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace WVEK;
using WVEK::IndexFormat::kNodeSize;
using WVEK::IndexFormat::kNone;

TEST(FileIndex, ANewIndexStaysEmptyUntilItsFirstFlush) {
    LDynamicStream file;
    auto index = OpenIndex(file);
    EXPECT_EQ(index->GetVersion(), 1);
    EXPECT_EQ(index->Flush(false), 0u);
    EXPECT_TRUE(index->Insert(7, 70));
    EXPECT_EQ(file.GetSize(), 0);
    EXPECT_EQ(index->Flush(false), 0u);
    EXPECT_FALSE(index->IsDirty());
    Bytes expected = IndexHeader("1", 0);
    AppendNode(expected, 1, {7});
    EXPECT_EQ(BytesOf(file), expected);
}

// The 21st key arrives at slot 20 of a full leaf, so old slot 10 (key 11) is promoted; the
// left leaf keeps its old slots 10 to 19 as leftovers.
TEST(FileIndex, TwentyOneKeysGiveARootOverTwoLeaves) {
    Bytes expected = IndexHeader("1", 2);
    AppendNode(expected, 10, Range(1, 20));
    AppendNode(expected, 10, Range(12, 21));
    AppendNode(expected, 1, {11}, {0, 1});
    EXPECT_EQ(TwoLeavesImage(), expected);
}

// Deletes from root [11] over two leaves of 10 keys, one of them made 11 by `extra`: a leaf
// left with 9 borrows from a sibling of 11, else merges into the right one of the pair, which
// collapses the root (node 2) into node 1 and abandons node 0.
TEST(FileIndex, DeletesBorrowMergeOrTakeThePredecessor) {
    const struct {
        const char* what;
        TKeys extra;
        int32_t key;
        uint32_t root;
        std::map<uint32_t, TKeys> nodes;
    } cases[] = {
        {"borrow, left", {0}, 15, 2, {{2, {10}}, {0, Range(0, 9)}, {1, Range(11, 21, 15)}}},
        {"borrow, right", {22}, 3, 2, {{2, {12}}, {0, Range(1, 11, 3)}, {1, Range(13, 22)}}},
        {"merge into the right leaf", {}, 15, 1, {{1, Range(1, 21, 15)}}},
        {"the leftmost leaf merges", {}, 5, 1, {{1, Range(1, 21, 5)}}},
        {"a key of an inner node", {0}, 11, 2, {{2, {10}}, {0, Range(0, 9)}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LDynamicStream file;
        SetBytes(file, TwoLeavesImage(c.extra));
        auto index = OpenIndex(file);
        ASSERT_TRUE(index->Delete(c.key));
        EXPECT_EQ(index->GetRoot(), c.root);
        for (const auto& [number, keys] : c.nodes)
            EXPECT_EQ(KeysOf(*index, number), keys) << number;
        TKeys keys = Range(1, 21, c.key);
        keys.insert(keys.end(), c.extra.begin(), c.extra.end());
        std::sort(keys.begin(), keys.end());
        TEntries expected;
        for (int32_t key : keys)
            expected.emplace_back(key, uint32_t(key) * 10);
        EXPECT_EQ(Walk(*index), expected);
        EXPECT_TRUE(index->Check());
    }
}

// The merge that collapses the root rewrites the header, with the version that was read.
TEST(FileIndex, ACollapsedRootIsWrittenBackAtVersionZero) {
    Bytes bytes = TwoLeavesImage();
    bytes[9] = '0';
    LDynamicStream file;
    SetBytes(file, bytes);
    auto index = OpenIndex(file);
    EXPECT_EQ(index->GetVersion(), 0);
    ASSERT_TRUE(index->Delete(15));
    ASSERT_EQ(index->Flush(false), 0u);
    bytes = BytesOf(file);
    EXPECT_EQ(bytes.size(), 16 + 3 * kNodeSize); // node numbers are not reused
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 16), IndexHeader("0", 1));
    index = OpenIndex(file);
    EXPECT_EQ(index->GetVersion(), 0);
    EXPECT_EQ(Walk(*index).size(), 20u);
}

TEST(FileIndex, AnEmptiedLeafRootStays) {
    LDynamicStream file;
    auto index = OpenIndex(file);
    InsertAll(*index, Range(1, 3));
    for (int32_t key = 1; key <= 3; ++key)
        ASSERT_TRUE(index->Delete(key));
    EXPECT_EQ(index->GetRoot(), 0u);
    EXPECT_TRUE(Walk(*index).empty());
    EXPECT_TRUE(index->Check());
    EXPECT_TRUE(index->Insert(9, 90));
    EXPECT_EQ(index->GetRoot(), 0u);
}

TEST(FileIndex, ATwentyByteFileHoldsNoNodes) {
    Bytes bytes = IndexHeader("1", kNone);
    bytes.resize(20, 0xAB);
    LDynamicStream file;
    SetBytes(file, bytes);
    auto index = OpenIndex(file);
    EXPECT_EQ(index->GetNodeCount(), 0u);
    EXPECT_EQ(ValueOf(*index, 1), std::nullopt);
    EXPECT_TRUE(index->Insert(1, 10));
    ASSERT_EQ(index->Flush(false), 0u);
    EXPECT_EQ(file.GetSize(), int32_t(16 + kNodeSize));
}
