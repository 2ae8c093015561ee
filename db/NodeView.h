#pragma once
// TNodeView: reads and rearranges one 246-byte B-tree node in place, in its on-disk layout.
//
// The view does not own the block. Slots at and beyond the count keep whatever they held
// ("leftovers"); every operation moves exactly the bytes the B-tree algorithm moves, so that
// the node images written to disk do not depend on anything but the sequence of operations.
// Every operation checks its slot ranges and throws errAssert rather than leave the block.

#include "IndexFormat.h"

#include <cstdint>

namespace WVEK {

// One key/value entry and the child to the right of it (kNone in a leaf).
struct TNodeEntry {
    int32_t key;
    uint32_t value;
    uint32_t right;
};

class TNodeView {
public:
    explicit TNodeView(uint8_t* block) : fBlock(block) {}

    // A fresh node: every byte 0xFF, then count 0.
    void Reset();

    uint32_t Count() const;
    void SetCount(uint32_t count);
    int32_t Key(uint32_t slot) const { return int32_t(Load(IndexFormat::kKeysOffset, slot)); }
    uint32_t Value(uint32_t slot) const { return Load(IndexFormat::kValuesOffset, slot); }
    uint32_t Child(uint32_t slot) const { return Load(IndexFormat::kChildrenOffset, slot); }
    void SetKey(uint32_t slot, int32_t key) {
        Store(IndexFormat::kKeysOffset, slot, uint32_t(key));
    }
    void SetValue(uint32_t slot, uint32_t value) { Store(IndexFormat::kValuesOffset, slot, value); }
    void SetChild(uint32_t slot, uint32_t child) {
        Store(IndexFormat::kChildrenOffset, slot, child);
    }
    bool IsLeaf() const { return Child(0) == IndexFormat::kNone; }

    // The first slot whose key is >= key (signed), or Count(); `present` tells whether that
    // slot holds the key itself. Binary, relying on the keys in use being strictly increasing
    // (a damaged node may give any slot in range, never one outside).
    uint32_t Search(int32_t key, bool& present) const;

    // Puts the entry at `slot` and its right child at child slot+1, shifting the slots above
    // up by one. Requires Count() < 20 and slot <= Count().
    void InsertEntry(uint32_t slot, const TNodeEntry& entry);
    // Deletes slot `slot` with the child to its right: higher keys and children move down by
    // one, so child slot is replaced by child slot+1.
    void RemoveEntry(uint32_t slot);

    // Divides this full node plus `entry` (bound for `slot`) between this node and the empty
    // node `fresh`, numbered freshNumber; returns the entry promoted to the parent, whose
    // right child is freshNumber.
    TNodeEntry Split(uint32_t slot, const TNodeEntry& entry, TNodeView fresh, uint32_t freshNumber);
    // Merges left, the separator and right into right (left's entries first).
    static void Merge(TNodeView left, const TNodeEntry& separator, TNodeView right);
    // Moves entries across the separator from the fuller node to the other one; returns the
    // new separator (its right child is not used).
    static TNodeEntry Borrow(TNodeView left, const TNodeEntry& separator, TNodeView right);

private:
    uint32_t Load(uint32_t base, uint32_t slot) const;
    void Store(uint32_t base, uint32_t slot, uint32_t word);
    // Moves n keys and values (MoveEntries) or n children (MoveChildren) within the node.
    void MoveEntries(uint32_t from, uint32_t to, uint32_t n);
    void MoveChildren(uint32_t from, uint32_t to, uint32_t n);
    // Copies n entries or children from `source` into this node.
    void CopyEntries(uint32_t to, TNodeView source, uint32_t from, uint32_t n);
    void CopyChildren(uint32_t to, TNodeView source, uint32_t from, uint32_t n);
    void SetEntry(uint32_t slot, const TNodeEntry& entry);
    TNodeEntry Entry(uint32_t slot) const { return {Key(slot), Value(slot), 0}; }

    uint8_t* fBlock;
};

} // namespace WVEK
