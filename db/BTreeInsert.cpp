// TFileIndex: insertion into the B-tree.

#include "FileIndex.h"

#include "Exception.h"

namespace WVEK {

using namespace IndexFormat;

bool TFileIndex::Insert(int32_t key, uint32_t value) {
    if (fReadOnly) return false;
    // Room for one new node per level and a new root, checked before anything changes.
    ThrowUnless(NodeOffset(fNodeCount + kMaxDepth + 1) <= INT32_MAX, errCannotGrow);
    if (fRoot.number == kNone) {
        fRoot = {true, NewRoot(key, value, kNone, kNone)};
    } else {
        TNodeEntry promoted{};
        TInsertResult result = InsertInto(fRoot.number, key, value, 0, promoted);
        if (result == TInsertResult::kPresent) return false;
        if (result == TInsertResult::kPromoted)
            fRoot = {true, NewRoot(promoted.key, promoted.value, fRoot.number, promoted.right)};
    }
    Trim(true);
    return true;
}

// Descends to the leaf where the key belongs; on the way back each level places the entry
// promoted from below, splitting a full node and promoting in turn. All nodes are fetched on
// the way down, before the first change, so a damaged tree fails with nothing changed.
TFileIndex::TInsertResult TFileIndex::InsertInto(uint32_t number, int32_t key, uint32_t value,
                                                 uint32_t depth, TNodeEntry& promoted) {
    ThrowUnless(depth < kMaxDepth);
    TNodeRef ref(*this, number);
    ThrowUnless(ref.Get() != nullptr);
    TNodeView node = ref.View();
    bool present;
    uint32_t slot = node.Search(key, present);
    if (present) return TInsertResult::kPresent;
    TNodeEntry entry{key, value, kNone};
    if (!node.IsLeaf()) {
        TInsertResult below = InsertInto(node.Child(slot), key, value, depth + 1, entry);
        if (below != TInsertResult::kPromoted) return below;
    }
    if (node.Count() < kMaxKeys) {
        node.InsertEntry(slot, entry);
        ref.Get()->SetDirty(true);
        return TInsertResult::kInserted;
    }
    uint32_t freshNumber;
    TIndexNode* fresh = NewNode(freshNumber); // dirty, so no trim evicts it
    promoted = node.Split(slot, entry, fresh->View(), freshNumber);
    ref.Get()->SetDirty(true);
    return TInsertResult::kPromoted;
}

} // namespace WVEK
