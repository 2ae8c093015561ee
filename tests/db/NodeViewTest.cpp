// Byte-level tests of the node operations: every slot of the 246-byte image, leftovers
// included, must come out as the B-tree algorithm moves them.

#include "NodeView.h"

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

// n keys first, first + step, ...; n child numbers first, first + 1, ...
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

// FullInner after a split that keeps its first 10 keys: slots 10 and above are leftovers.
TBlock KeptTen() {
    return Image(10, Seq(0, 2, 20), Children(100, 21));
}

} // namespace

// Entry {key, right child 500} enters a full inner node at `slot`; the old node and the fresh
// one (number 77) must come out slot for slot, leftovers included.
TEST(NodeView, SplitsPromoteSlotNineTheNewEntryOrSlotTen) {
    const struct {
        uint32_t slot;
        int32_t key, promoted;
        TBlock old, fresh;
    } cases[] = {
        {3, 5, 18,
         Image(10, Cat({0, 2, 4, 5, 6, 8, 10, 12, 14, 16}, Seq(20, 2, 10)),
               Cat({100, 101, 102, 103, 500, 104, 105, 106, 107, 108, 109}, Children(111, 10))),
         Image(10, Seq(20, 2, 10), Children(110, 11))},
        {10, 19, 19, KeptTen(), Image(10, Seq(20, 2, 10), Cat({500}, Children(111, 10)))},
        {13, 25, 20, KeptTen(),
         Image(10, {22, 24, 25, 26, 28, 30, 32, 34, 36, 38},
               {111, 112, 113, 500, 114, 115, 116, 117, 118, 119, 120})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.slot);
        TBlock old = FullInner();
        TBlock fresh = Image(0, {}, {});
        TNodeEntry up =
            TNodeView(old.data()).Split(c.slot, EntryFor(c.key, 500), TNodeView(fresh.data()), 77);
        EXPECT_EQ(up.key, c.promoted);
        EXPECT_EQ(up.value, ValueFor(c.promoted));
        EXPECT_EQ(up.right, 77u);
        EXPECT_EQ(old, c.old);
        EXPECT_EQ(fresh, c.fresh);
    }
}

TEST(NodeView, RemoveAndMergeMoveKeysWithTheirChildren) {
    TBlock block = Image(5, {10, 11, 12, 13, 14}, Children(200, 6));
    TNodeView(block.data()).RemoveEntry(2);
    EXPECT_EQ(block, Image(4, {10, 11, 13, 14, 14}, {200, 201, 203, 204, 205, 205}));

    TBlock left = Image(9, Seq(0, 1, 9), Children(300, 10));
    TBlock right = Image(10, Seq(20, 1, 10), Children(400, 11));
    TNodeView::Merge(TNodeView(left.data()), EntryFor(15, 0), TNodeView(right.data()));
    EXPECT_EQ(right, Image(20, Cat(Cat(Seq(0, 1, 9), {15}), Seq(20, 1, 10)),
                           Cat(Children(300, 10), Children(400, 11))));
}

// m = (larger count - 9) / 2 entries change sides through the separator, each with the child
// to its left: one from 11 keys, five from 20.
TEST(NodeView, BorrowMovesEntriesThroughTheSeparator) {
    const struct {
        TBlock left, right;
        int32_t separator, newSeparator;
        TBlock leftAfter, rightAfter;
    } cases[] = {
        {Image(11, Seq(0, 1, 11), Children(300, 12)), Image(9, Seq(20, 1, 9), Children(400, 10)),
         15, 10, Image(10, Seq(0, 1, 11), Children(300, 12)),
         Image(10, Cat({15}, Seq(20, 1, 9)), Cat({311}, Children(400, 10)))},
        {Image(9, Seq(0, 1, 9), Children(300, 10)), Image(20, Seq(20, 1, 20), Children(400, 21)),
         15, 24,
         Image(14, Cat(Cat(Seq(0, 1, 9), {15}), Seq(20, 1, 4)),
               Cat(Children(300, 10), Children(400, 5))),
         Image(15, Cat(Seq(25, 1, 15), Seq(35, 1, 5)), Cat(Children(405, 16), Children(416, 5)))},
        {Image(20, Seq(0, 1, 20), Children(300, 21)), Image(9, Seq(40, 1, 9), Children(400, 10)),
         30, 15, Image(15, Seq(0, 1, 20), Children(300, 21)),
         Image(14, Cat(Cat(Seq(16, 1, 4), {30}), Seq(40, 1, 9)),
               Cat(Children(316, 5), Children(400, 10)))},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.separator + c.newSeparator);
        TNodeEntry sep = TNodeView::Borrow(TNodeView(c.left.data()), EntryFor(c.separator, 0),
                                           TNodeView(c.right.data()));
        EXPECT_EQ(sep.key, c.newSeparator);
        EXPECT_EQ(sep.value, ValueFor(c.newSeparator));
        EXPECT_EQ(c.left, c.leftAfter);
        EXPECT_EQ(c.right, c.rightAfter);
    }
}
