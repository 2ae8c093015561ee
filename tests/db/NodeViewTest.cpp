// Byte-level tests of the node operations: every slot of the 246-byte image, leftovers
// included, must come out as the B-tree algorithm moves them.

#include "NodeView.h"

#include "Exception.h"
#include "TestStream.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace WVEK;
using WVEK::IndexFormat::kNone;

namespace {

using TBlock = std::array<uint8_t, IndexFormat::kNodeSize>;

// Keys >= 0 are test keys; -1 is an untouched 0xFF slot, whose value is 0xFFFFFFFF too.
uint32_t ValueFor(int32_t key) {
    return key == -1 ? kNone : uint32_t(key) * 3 + 7;
}

// A node image: `count`, then every key slot (values follow from the keys) and every child
// slot; slots not given stay 0xFF.
TBlock Image(uint32_t count, const std::vector<int32_t>& keys,
             const std::vector<uint32_t>& children) {
    TBlock block;
    TNodeView node(block.data());
    node.Reset();
    for (uint32_t i = 0; i < keys.size(); ++i) {
        node.SetKey(i, keys[i]);
        node.SetValue(i, ValueFor(keys[i]));
    }
    for (uint32_t i = 0; i < children.size(); ++i)
        node.SetChild(i, children[i]);
    node.SetCount(count);
    return block;
}

std::vector<int32_t> Seq(int32_t first, int32_t step, int n) {
    std::vector<int32_t> out;
    for (int i = 0; i < n; ++i)
        out.push_back(first + step * i);
    return out;
}

std::vector<uint32_t> Children(uint32_t first, int n) {
    std::vector<uint32_t> out;
    for (int i = 0; i < n; ++i)
        out.push_back(first + uint32_t(i));
    return out;
}

template <typename T> std::vector<T> Cat(std::vector<T> a, const std::vector<T>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TNodeEntry EntryFor(int32_t key, uint32_t right) {
    return {key, ValueFor(key), right};
}

// A full inner node: keys 0, 2, ..., 38 and children 100 to 120.
TBlock FullInner() {
    return Image(20, Seq(0, 2, 20), Children(100, 21));
}

} // namespace

TEST(NodeView, FreshNodeIsAllOnesWithCountZero) {
    TBlock block;
    block.fill(0);
    TNodeView node(block.data());
    node.Reset();
    EXPECT_EQ(block[0], 0);
    EXPECT_EQ(block[1], 0);
    for (size_t i = 2; i < block.size(); ++i)
        ASSERT_EQ(block[i], 0xFF) << i;
    EXPECT_TRUE(node.IsLeaf());
}

TEST(NodeView, SearchIsSignedAndFindsTheFirstSlotNotBelow) {
    TBlock block = Image(4, {INT32_MIN, -5, 0, 7}, {});
    TNodeView node(block.data());
    bool present;
    EXPECT_EQ(node.Search(INT32_MIN, present), 0u);
    EXPECT_TRUE(present);
    EXPECT_EQ(node.Search(-6, present), 1u);
    EXPECT_FALSE(present);
    EXPECT_EQ(node.Search(7, present), 3u);
    EXPECT_TRUE(present);
    EXPECT_EQ(node.Search(INT32_MAX, present), 4u);
    EXPECT_FALSE(present);
}

TEST(NodeView, SplitBelowTheMiddlePromotesSlotNine) {
    TBlock old = FullInner();
    TBlock fresh = Image(0, {}, {});
    TNodeEntry up = TNodeView(old.data()).Split(3, EntryFor(5, 500), TNodeView(fresh.data()), 77);
    EXPECT_EQ(up.key, 18);
    EXPECT_EQ(up.value, ValueFor(18));
    EXPECT_EQ(up.right, 77u);
    EXPECT_EQ(old, Image(10, Cat({0, 2, 4, 5, 6, 8, 10, 12, 14, 16}, Seq(20, 2, 10)),
                         Cat({100, 101, 102, 103, 500, 104, 105, 106, 107, 108, 109},
                             Children(111, 10))));
    EXPECT_EQ(fresh, Image(10, Seq(20, 2, 10), Children(110, 11)));
}

TEST(NodeView, SplitAtTheMiddlePromotesTheNewEntry) {
    TBlock old = FullInner();
    TBlock fresh = Image(0, {}, {});
    TNodeEntry up = TNodeView(old.data()).Split(10, EntryFor(19, 500), TNodeView(fresh.data()), 77);
    EXPECT_EQ(up.key, 19);
    EXPECT_EQ(up.right, 77u);
    EXPECT_EQ(old, Image(10, Seq(0, 2, 20), Children(100, 21)));
    EXPECT_EQ(fresh, Image(10, Seq(20, 2, 10), Cat({500}, Children(111, 10))));
}

TEST(NodeView, SplitAboveTheMiddlePromotesSlotTen) {
    TBlock old = FullInner();
    TBlock fresh = Image(0, {}, {});
    TNodeEntry up = TNodeView(old.data()).Split(13, EntryFor(25, 500), TNodeView(fresh.data()), 77);
    EXPECT_EQ(up.key, 20);
    EXPECT_EQ(old, Image(10, Seq(0, 2, 20), Children(100, 21)));
    EXPECT_EQ(fresh, Image(10, {22, 24, 25, 26, 28, 30, 32, 34, 36, 38},
                           {111, 112, 113, 500, 114, 115, 116, 117, 118, 119, 120}));
}

TEST(NodeView, RemoveShiftsKeysAndTheChildrenRightOfThem) {
    TBlock block = Image(5, {10, 11, 12, 13, 14}, Children(200, 6));
    TNodeView(block.data()).RemoveEntry(2);
    EXPECT_EQ(block, Image(4, {10, 11, 13, 14, 14}, {200, 201, 203, 204, 205, 205}));
}

TEST(NodeView, MergePutsLeftAndSeparatorInFrontOfRight) {
    TBlock left = Image(9, Seq(0, 1, 9), Children(300, 10));
    TBlock right = Image(10, Seq(20, 1, 10), Children(400, 11));
    TNodeView::Merge(TNodeView(left.data()), EntryFor(15, 0), TNodeView(right.data()));
    EXPECT_EQ(right, Image(20, Cat(Cat(Seq(0, 1, 9), {15}), Seq(20, 1, 10)),
                           Cat(Children(300, 10), Children(400, 11))));
}

TEST(NodeView, BorrowOneEntryFromTheLeft) {
    TBlock left = Image(11, Seq(0, 1, 11), Children(300, 12));
    TBlock right = Image(9, Seq(20, 1, 9), Children(400, 10));
    TNodeEntry sep =
        TNodeView::Borrow(TNodeView(left.data()), EntryFor(15, 0), TNodeView(right.data()));
    EXPECT_EQ(sep.key, 10);
    EXPECT_EQ(sep.value, ValueFor(10));
    EXPECT_EQ(left, Image(10, Seq(0, 1, 11), Children(300, 12)));
    EXPECT_EQ(right, Image(10, Cat({15}, Seq(20, 1, 9)), Cat({311}, Children(400, 10))));
}

// With 20 keys on the fuller side, m = (20 - 9) / 2 = 5 entries change sides, each with the
// child to its left.
TEST(NodeView, BorrowFiveEntriesFromTheRight) {
    TBlock left = Image(9, Seq(0, 1, 9), Children(300, 10));
    TBlock right = Image(20, Seq(20, 1, 20), Children(400, 21));
    TNodeEntry sep =
        TNodeView::Borrow(TNodeView(left.data()), EntryFor(15, 0), TNodeView(right.data()));
    EXPECT_EQ(sep.key, 24);
    EXPECT_EQ(left, Image(14, Cat(Cat(Seq(0, 1, 9), {15}), Seq(20, 1, 4)),
                          Cat(Children(300, 10), Children(400, 5))));
    EXPECT_EQ(right, Image(15, Cat(Seq(25, 1, 15), Seq(35, 1, 5)),
                           Cat(Children(405, 16), Children(416, 5))));
}

TEST(NodeView, BorrowFiveEntriesFromTheLeft) {
    TBlock left = Image(20, Seq(0, 1, 20), Children(300, 21));
    TBlock right = Image(9, Seq(40, 1, 9), Children(400, 10));
    TNodeEntry sep =
        TNodeView::Borrow(TNodeView(left.data()), EntryFor(30, 0), TNodeView(right.data()));
    EXPECT_EQ(sep.key, 15);
    EXPECT_EQ(left, Image(15, Seq(0, 1, 20), Children(300, 21)));
    EXPECT_EQ(right, Image(14, Cat(Cat(Seq(16, 1, 4), {30}), Seq(40, 1, 9)),
                           Cat(Children(316, 5), Children(400, 10))));
}

TEST(NodeView, OperationsRefuseToLeaveTheBlock) {
    TBlock full = FullInner();
    TBlock other = Image(11, Seq(0, 1, 11), {});
    EXPECT_EQ(CodeOf([&] { TNodeView(full.data()).InsertEntry(0, EntryFor(1, kNone)); }),
              errAssert);
    EXPECT_EQ(CodeOf([&] { TNodeView(other.data()).RemoveEntry(11); }), errAssert);
    // A merge that would exceed 20 keys, and nodes merged or balanced with themselves.
    EXPECT_EQ(CodeOf([&] {
                  TNodeView::Merge(TNodeView(other.data()), EntryFor(50, 0),
                                   TNodeView(full.data()));
              }),
              errAssert);
    EXPECT_EQ(CodeOf([&] {
                  TNodeView::Merge(TNodeView(other.data()), EntryFor(50, 0),
                                   TNodeView(other.data()));
              }),
              errAssert);
    TBlock small = Image(9, Seq(0, 1, 9), {});
    TBlock ten = Image(10, Seq(20, 1, 10), {});
    EXPECT_EQ(CodeOf([&] {
                  TNodeView::Borrow(TNodeView(small.data()), EntryFor(15, 0),
                                    TNodeView(ten.data()));
              }),
              errAssert);
}
