#include "NodeView.h"

#include "ByteOrder.h"
#include "Exception.h"

#include <algorithm>
#include <cstring>

namespace WVEK {

using namespace IndexFormat;

namespace {

// Throws errAssert unless n slots starting at `first` lie within `limit` slots.
void CheckRange(uint32_t first, uint32_t n, uint32_t limit) {
    ThrowUnless(first <= limit && n <= limit - first);
}

} // namespace

void TNodeView::Reset() {
    std::memset(fBlock, 0xFF, kNodeSize);
    SetCount(0);
}

uint32_t TNodeView::Count() const {
    return uint32_t(fBlock[kCountOffset]) | uint32_t(fBlock[kCountOffset + 1]) << 8;
}

void TNodeView::SetCount(uint32_t count) {
    ThrowUnless(count <= kMaxKeys);
    fBlock[kCountOffset] = uint8_t(count);
    fBlock[kCountOffset + 1] = uint8_t(count >> 8);
}

uint32_t TNodeView::Load(uint32_t base, uint32_t slot) const {
    return LoadLE32(fBlock + base + 4 * slot);
}

void TNodeView::Store(uint32_t base, uint32_t slot, uint32_t word) {
    StoreLE32(fBlock + base + 4 * slot, word);
}

// Binary: the keys in use are strictly increasing, so the first slot not below the key is the
// one a scan from slot 0 would stop at.
uint32_t TNodeView::Search(int32_t key, bool& present) const {
    const uint32_t count = std::min(Count(), kMaxKeys);
    uint32_t low = 0, high = count;
    while (low < high) {
        const uint32_t middle = (low + high) / 2;
        if (Key(middle) < key)
            low = middle + 1;
        else
            high = middle;
    }
    present = low < count && Key(low) == key;
    return low;
}

void TNodeView::MoveEntries(uint32_t from, uint32_t to, uint32_t n) {
    CheckRange(from, n, kMaxKeys);
    CheckRange(to, n, kMaxKeys);
    std::memmove(fBlock + kKeysOffset + 4 * to, fBlock + kKeysOffset + 4 * from, 4 * n);
    std::memmove(fBlock + kValuesOffset + 4 * to, fBlock + kValuesOffset + 4 * from, 4 * n);
}

void TNodeView::MoveChildren(uint32_t from, uint32_t to, uint32_t n) {
    CheckRange(from, n, kMaxChildren);
    CheckRange(to, n, kMaxChildren);
    std::memmove(fBlock + kChildrenOffset + 4 * to, fBlock + kChildrenOffset + 4 * from, 4 * n);
}

void TNodeView::CopyEntries(uint32_t to, TNodeView source, uint32_t from, uint32_t n) {
    CheckRange(from, n, kMaxKeys);
    CheckRange(to, n, kMaxKeys);
    std::memmove(fBlock + kKeysOffset + 4 * to, source.fBlock + kKeysOffset + 4 * from, 4 * n);
    std::memmove(fBlock + kValuesOffset + 4 * to, source.fBlock + kValuesOffset + 4 * from, 4 * n);
}

void TNodeView::CopyChildren(uint32_t to, TNodeView source, uint32_t from, uint32_t n) {
    CheckRange(from, n, kMaxChildren);
    CheckRange(to, n, kMaxChildren);
    std::memmove(fBlock + kChildrenOffset + 4 * to, source.fBlock + kChildrenOffset + 4 * from,
                 4 * n);
}

void TNodeView::SetEntry(uint32_t slot, const TNodeEntry& entry) {
    SetKey(slot, entry.key);
    SetValue(slot, entry.value);
}

void TNodeView::InsertEntry(uint32_t slot, const TNodeEntry& entry) {
    uint32_t count = Count();
    ThrowUnless(count < kMaxKeys && slot <= count);
    MoveEntries(slot, slot + 1, count - slot);
    MoveChildren(slot + 1, slot + 2, count - slot);
    SetEntry(slot, entry);
    SetChild(slot + 1, entry.right);
    SetCount(count + 1);
}

void TNodeView::RemoveEntry(uint32_t slot) {
    uint32_t count = Count();
    ThrowUnless(slot < count);
    MoveEntries(slot + 1, slot, count - slot - 1);
    MoveChildren(slot + 1, slot, count - slot);
    SetCount(count - 1);
}

// The three cases keep 10 entries on each side and promote the 21st:
//  slot < 10: old slot 9 goes up; old 10..19 move right; the entry joins the left node;
//  slot = 10: the entry itself goes up; its right child becomes the new node's child 0;
//  slot > 10: old slot 10 goes up; old 11..19 move right; the entry joins the right node.
TNodeEntry TNodeView::Split(uint32_t slot, const TNodeEntry& entry, TNodeView fresh,
                            uint32_t freshNumber) {
    ThrowUnless(Count() == kMaxKeys && slot <= kMaxKeys && fresh.Count() == 0);
    const uint32_t half = kMinKeys;
    if (slot < half) {
        TNodeEntry up{Key(half - 1), Value(half - 1), freshNumber};
        fresh.CopyEntries(0, *this, half, half);
        fresh.CopyChildren(0, *this, half, half + 1);
        fresh.SetCount(half);
        SetCount(half - 1);
        InsertEntry(slot, entry);
        return up;
    }
    if (slot == half) {
        fresh.CopyEntries(0, *this, half, half);
        fresh.CopyChildren(0, *this, half, half + 1);
        fresh.SetChild(0, entry.right);
        fresh.SetCount(half);
        SetCount(half);
        return {entry.key, entry.value, freshNumber};
    }
    TNodeEntry up{Key(half), Value(half), freshNumber};
    fresh.CopyEntries(0, *this, half + 1, half - 1);
    fresh.CopyChildren(0, *this, half + 1, half);
    fresh.SetCount(half - 1);
    SetCount(half);
    fresh.InsertEntry(slot - half - 1, entry);
    return up;
}

void TNodeView::Merge(TNodeView left, const TNodeEntry& separator, TNodeView right) {
    uint32_t leftCount = left.Count();
    uint32_t rightCount = right.Count();
    ThrowUnless(left.fBlock != right.fBlock && leftCount + 1 + rightCount <= kMaxKeys);
    right.MoveEntries(0, leftCount + 1, rightCount);
    right.MoveChildren(0, leftCount + 1, rightCount + 1);
    right.CopyEntries(0, left, 0, leftCount);
    right.CopyChildren(0, left, 0, leftCount + 1);
    right.SetEntry(leftCount, separator);
    right.SetCount(leftCount + 1 + rightCount);
}

// m = (larger count - 9) / 2 entries change sides: the separator and m - 1 neighbours go
// across, and the m-th entry becomes the new separator. The children of the moved entries
// move with them.
TNodeEntry TNodeView::Borrow(TNodeView left, const TNodeEntry& separator, TNodeView right) {
    uint32_t leftCount = left.Count();
    uint32_t rightCount = right.Count();
    uint32_t larger = leftCount > rightCount ? leftCount : rightCount;
    ThrowUnless(left.fBlock != right.fBlock && larger > kMinKeys);
    uint32_t m = (larger - (kMinKeys - 1)) / 2;
    if (leftCount <= rightCount) {
        ThrowUnless(leftCount + m <= kMaxKeys);
        left.SetEntry(leftCount, separator);
        left.CopyEntries(leftCount + 1, right, 0, m - 1);
        left.CopyChildren(leftCount + 1, right, 0, m);
        TNodeEntry newSeparator = right.Entry(m - 1);
        right.MoveEntries(m, 0, rightCount - m);
        right.MoveChildren(m, 0, rightCount - m + 1);
        right.SetCount(rightCount - m);
        left.SetCount(leftCount + m);
        return newSeparator;
    }
    ThrowUnless(rightCount + m <= kMaxKeys);
    right.MoveEntries(0, m, rightCount);
    right.MoveChildren(0, m, rightCount + 1);
    right.SetEntry(m - 1, separator);
    right.CopyEntries(0, left, leftCount - m + 1, m - 1);
    right.CopyChildren(0, left, leftCount - m + 1, m);
    TNodeEntry newSeparator = left.Entry(leftCount - m);
    left.SetCount(leftCount - m);
    right.SetCount(rightCount + m);
    return newSeparator;
}

} // namespace WVEK
