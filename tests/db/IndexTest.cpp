// The index file and its B-tree: layout, the documented edge cases, damaged files.

#include "IndexTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace WVEK;
using WVEK::IndexFormat::kNodeSize;
using WVEK::IndexFormat::kNone;

namespace {

std::vector<uint8_t> Header(const char* version, uint32_t root) {
    std::vector<uint8_t> header(16, 0);
    std::memcpy(header.data(), "VEKINDEX", 9);
    std::memcpy(header.data() + 9, version, std::min<size_t>(std::strlen(version), 3));
    for (int i = 0; i < 4; ++i)
        header[size_t(12 + i)] = uint8_t(root >> (8 * i));
    return header;
}

// The node image stored at node `number` of a memory file.
TNodeView NodeAt(std::vector<uint8_t>& bytes, uint32_t number) {
    return TNodeView(bytes.data() + IndexFormat::NodeOffset(number));
}

// A flushed file holding keys 1..21: root (node 2) [11] over node 0 [1..10] and node 1
// [12..21]; then `extra` is inserted and flushed.
void BuildTwoLeaves(LDynamicStream& file, const std::vector<int32_t>& extra = {}) {
    auto index = OpenIndex(file);
    InsertAll(*index, Range(1, 21));
    InsertAll(*index, extra);
    ASSERT_EQ(index->Flush(false), 0u);
}

} // namespace

TEST(FileIndex, NewIndexStaysEmptyUntilItsFirstFlush) {
    LDynamicStream file;
    auto index = OpenIndex(file);
    EXPECT_EQ(index->GetVersion(), 1);
    EXPECT_FALSE(index->IsDirty());
    EXPECT_EQ(index->Flush(false), 0u);
    EXPECT_EQ(file.GetSize(), 0);
    EXPECT_TRUE(index->Insert(7, 70));
    EXPECT_EQ(file.GetSize(), 0);
    EXPECT_TRUE(index->IsDirty());
    EXPECT_EQ(index->Flush(false), 0u);
    EXPECT_FALSE(index->IsDirty());

    std::vector<uint8_t> expected = Header("1", 0);
    expected.resize(16 + kNodeSize, 0xFF);
    TNodeView node = NodeAt(expected, 0);
    node.SetCount(1);
    node.SetKey(0, 7);
    node.SetValue(0, 70);
    EXPECT_EQ(BytesOf(file), expected);
}

TEST(FileIndex, TwentyOneKeysGiveARootOverTwoLeaves) {
    LDynamicStream file;
    BuildTwoLeaves(file);
    std::vector<uint8_t> bytes = BytesOf(file);
    ASSERT_EQ(bytes.size(), 16 + 3 * kNodeSize);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 16), Header("1", 2));

    TNodeView left = NodeAt(bytes, 0), right = NodeAt(bytes, 1), root = NodeAt(bytes, 2);
    ASSERT_EQ(root.Count(), 1u);
    EXPECT_EQ(root.Key(0), 11);
    EXPECT_EQ(root.Value(0), 110u);
    EXPECT_EQ(root.Child(0), 0u);
    EXPECT_EQ(root.Child(1), 1u);
    ASSERT_EQ(left.Count(), 10u);
    ASSERT_EQ(right.Count(), 10u);
    for (uint32_t i = 0; i < 20; ++i) {
        // The left leaf keeps its old slots 10 to 19 (keys 11 to 20) as leftovers.
        EXPECT_EQ(left.Key(i), int32_t(i + 1));
        EXPECT_EQ(left.Value(i), (i + 1) * 10);
        EXPECT_EQ(right.Key(i), i < 10 ? int32_t(i + 12) : -1);
    }
    for (uint32_t i = 0; i < 21; ++i)
        EXPECT_EQ(left.Child(i) & right.Child(i), kNone);
}

TEST(FileIndex, FindInsertAndUpdate) {
    LDynamicStream file;
    auto index = OpenIndex(file);
    uint32_t value = 0;
    EXPECT_FALSE(index->Find(1, value));
    EXPECT_FALSE(index->Update(1, 5));
    EXPECT_FALSE(index->Delete(1));
    InsertAll(*index, Range(1, 100));
    EXPECT_FALSE(index->Insert(50, 1)); // present: refused, value kept
    ASSERT_TRUE(index->Find(50, value));
    EXPECT_EQ(value, 500u);
    EXPECT_FALSE(index->Update(101, 5));
    ASSERT_EQ(index->Flush(false), 0u);

    EXPECT_TRUE(index->Update(50, 500)); // the same value leaves the node clean
    EXPECT_FALSE(index->IsDirty());
    EXPECT_TRUE(index->Update(50, 7));
    EXPECT_TRUE(index->IsDirty());
    ASSERT_EQ(index->Flush(false), 0u);
    index = OpenIndex(file);
    ASSERT_TRUE(index->Find(50, value));
    EXPECT_EQ(value, 7u);
    EXPECT_TRUE(index->Check());
}

TEST(FileIndex, KeysSortAsSignedNumbers) {
    LDynamicStream file;
    auto index = OpenIndex(file);
    const std::vector<int32_t> keys = {5, int32_t(0x80000000), -1,
                                       0, INT32_MAX,           int32_t(0xF0000000)};
    for (int round = 0; round < 6; ++round) // enough keys for several nodes
        for (int32_t key : keys)
            index->Insert(key - round * 7 * (key < 0 ? -1 : 1), 1);
    TEntries walked = Walk(*index);
    ASSERT_FALSE(walked.empty());
    EXPECT_EQ(walked.front().first, INT32_MIN);
    EXPECT_EQ(walked.back().first, INT32_MAX);
    for (size_t i = 1; i < walked.size(); ++i)
        EXPECT_LT(walked[i - 1].first, walked[i].first);
    EXPECT_TRUE(index->Check());
}

TEST(FileIndex, DeletingFromAMinimalLeafBorrowsFromItsLeftSibling) {
    LDynamicStream file;
    BuildTwoLeaves(file, {0}); // left leaf [0..10], right leaf [12..21]
    auto index = OpenIndex(file);
    ASSERT_TRUE(index->Delete(15));
    EXPECT_EQ(KeysOf(*index, 2), std::vector<int32_t>{10});
    EXPECT_EQ(KeysOf(*index, 0), Range(0, 9));
    EXPECT_EQ(KeysOf(*index, 1), (std::vector<int32_t>{11, 12, 13, 14, 16, 17, 18, 19, 20, 21}));
    uint32_t value;
    ASSERT_TRUE(index->Find(10, value));
    EXPECT_EQ(value, 100u);
    EXPECT_TRUE(index->Check());
}

TEST(FileIndex, DeletingFromAMinimalLeafBorrowsFromItsRightSibling) {
    LDynamicStream file;
    BuildTwoLeaves(file, {22});
    auto index = OpenIndex(file);
    ASSERT_TRUE(index->Delete(3));
    EXPECT_EQ(KeysOf(*index, 2), std::vector<int32_t>{12});
    EXPECT_EQ(KeysOf(*index, 0), (std::vector<int32_t>{1, 2, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(KeysOf(*index, 1), Range(13, 22));
    EXPECT_TRUE(index->Check());
}

// Root [11] over two leaves of 10: deleting 15 merges the left leaf, the separator and the 9
// keys left into the right leaf (node 1); the root (node 2) goes, and so does node 0.
TEST(FileIndex, MergingTheLastTwoLeavesCollapsesTheRoot) {
    LDynamicStream file;
    BuildTwoLeaves(file);
    auto index = OpenIndex(file);
    ASSERT_TRUE(index->Delete(15));
    EXPECT_EQ(index->GetRoot(), 1u);
    std::vector<int32_t> merged = Range(1, 21);
    merged.erase(merged.begin() + 14);
    EXPECT_EQ(KeysOf(*index, 1), merged);
    ASSERT_EQ(index->Flush(false), 0u);
    EXPECT_EQ(file.GetSize(), int32_t(16 + 3 * kNodeSize)); // node numbers are not reused

    index = OpenIndex(file);
    EXPECT_EQ(index->GetRoot(), 1u);
    std::vector<uint8_t> bytes = BytesOf(file);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 16), Header("1", 1));
    EXPECT_TRUE(index->Check());
    EXPECT_EQ(Walk(*index).size(), 20u);
}

TEST(FileIndex, TheLeftmostLeafMergesWithItsRightSibling) {
    LDynamicStream file;
    BuildTwoLeaves(file);
    auto index = OpenIndex(file);
    ASSERT_TRUE(index->Delete(5));
    EXPECT_EQ(index->GetRoot(), 1u);
    std::vector<int32_t> merged = Range(1, 21);
    merged.erase(merged.begin() + 4);
    EXPECT_EQ(KeysOf(*index, 1), merged);
    EXPECT_TRUE(index->Check());
}

TEST(FileIndex, AKeyInAnInnerNodeIsReplacedByItsPredecessor) {
    LDynamicStream file;
    BuildTwoLeaves(file, {0});
    auto index = OpenIndex(file);
    ASSERT_TRUE(index->Delete(11));
    EXPECT_EQ(KeysOf(*index, 2), std::vector<int32_t>{10});
    EXPECT_EQ(KeysOf(*index, 0), Range(0, 9));
    uint32_t value;
    EXPECT_FALSE(index->Find(11, value));
    ASSERT_TRUE(index->Find(10, value));
    EXPECT_EQ(value, 100u);
    EXPECT_TRUE(index->Check());
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

TEST(FileIndex, AVersionZeroHeaderStaysAtZero) {
    LDynamicStream file;
    BuildTwoLeaves(file);
    std::vector<uint8_t> bytes = BytesOf(file);
    bytes[9] = '0';
    SetBytes(file, bytes);
    auto index = OpenIndex(file);
    EXPECT_EQ(index->GetVersion(), 0);
    ASSERT_TRUE(index->Delete(15)); // collapses the root: the header is rewritten
    ASSERT_EQ(index->Flush(false), 0u);
    bytes = BytesOf(file);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 16), Header("0", 1));
    EXPECT_EQ(OpenIndex(file)->GetVersion(), 0);
}

TEST(FileIndex, ATwentyByteFileHoldsNoNodes) {
    LDynamicStream file;
    std::vector<uint8_t> bytes = Header("1", kNone);
    bytes.resize(20, 0xAB);
    SetBytes(file, bytes);
    auto index = OpenIndex(file);
    EXPECT_EQ(index->GetNodeCount(), 0u);
    uint32_t value;
    EXPECT_FALSE(index->Find(1, value));
    EXPECT_TRUE(index->Insert(1, 10));
    ASSERT_EQ(index->Flush(false), 0u);
    EXPECT_EQ(file.GetSize(), int32_t(16 + kNodeSize));
    EXPECT_EQ(index->GetNodeCount(), 1u);
}

TEST(FileIndex, ReadOnlyIndexRefusesChanges) {
    LDynamicStream file;
    BuildTwoLeaves(file);
    std::vector<uint8_t> before = BytesOf(file);
    auto index = OpenIndex(file, true);
    EXPECT_FALSE(index->Insert(100, 1));
    EXPECT_FALSE(index->Update(5, 1));
    EXPECT_FALSE(index->Delete(5));
    uint32_t value;
    EXPECT_TRUE(index->Find(5, value));
    EXPECT_FALSE(index->IsDirty());
    EXPECT_EQ(index->Flush(true), 0u);
    EXPECT_EQ(BytesOf(file), before);
}
