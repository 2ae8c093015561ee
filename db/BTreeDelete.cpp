// TFileIndex: deletion from the B-tree.
//
// A deletion first walks down and collects the fix-ups it needs, deepest first: the removal
// of an entry from a leaf, then for every level that falls below 10 keys a borrow from or a
// merge with a sibling. Only then are they carried out, in that order. Every node the fix-ups
// touch is fetched and pinned during the walk, so a damaged tree fails before any change.

#include "FileIndex.h"

#include "Exception.h"

#include <algorithm>

namespace WVEK {

using namespace IndexFormat;

struct TFileIndex::TDeletePath {
    enum class TKind { kRemove, kMerge, kBorrow };
    struct TFixup {
        TKind kind;
        TIndexNode* node; // kRemove: the node losing an entry; else the parent
        uint32_t slot;    // kRemove: the entry's slot; else the separator's slot
        TIndexNode* left;
        TIndexNode* right;
        uint32_t leftNumber; // a merge abandons the left node
    };

    // Fetches a node for the rest of the deletion; errAssert for kNone or a node reached twice.
    TIndexNode* Pin(TNodeCache& cache, uint32_t number) {
        ThrowUnless(number != kNone && std::find(seen.begin(), seen.end(), number) == seen.end());
        pins.emplace_back(cache, number);
        seen.push_back(number);
        return pins.back().Get();
    }

    std::vector<TFixup> fixups;
    std::vector<TNodeRef> pins;
    std::vector<uint32_t> seen;
};

bool TFileIndex::Delete(int32_t key) {
    if (fReadOnly || fRoot.number == kNone) return false;
    TDeletePath path;
    bool underflow = false;
    if (!Collect(path.Pin(*this, fRoot.number), key, false, 0, path, underflow)) return false;
    const TDeletePath::TFixup found = path.fixups.front();
    if (!found.node->View().IsLeaf()) {
        // The key sits in an inner node: its in-order predecessor, the greatest key below it,
        // which is in a leaf, takes its place and is removed from that leaf instead.
        ThrowUnless(key != INT32_MIN);
        TDeletePath predecessor;
        ThrowUnless(Collect(predecessor.Pin(*this, fRoot.number), key - 1, true, 0, predecessor,
                            underflow));
        const TDeletePath::TFixup& leaf = predecessor.fixups.front();
        TNodeView source = leaf.node->View();
        ThrowUnless(source.IsLeaf());
        found.node->View().SetKey(found.slot, source.Key(leaf.slot));
        found.node->View().SetValue(found.slot, source.Value(leaf.slot));
        found.node->SetDirty(true);
        CarryOut(predecessor, underflow);
    } else {
        CarryOut(path, underflow);
    }
    return true;
}

// Records the fix-ups for deleting key below `holder` (pinned). Returns whether the key was
// found; `underflow` tells the caller that this node will fall below 10 keys. In predecessor
// mode a leaf that lacks the key gives up its last entry below the key instead.
bool TFileIndex::Collect(TIndexNode* holder, int32_t key, bool predecessor, uint32_t depth,
                         TDeletePath& path, bool& underflow) {
    ThrowUnless(depth < kMaxDepth);
    TNodeView node = holder->View();
    bool present;
    uint32_t slot = node.Search(key, present);
    const uint32_t count = node.Count();
    if (present || (predecessor && node.IsLeaf())) {
        if (!present) {
            ThrowUnless(slot > 0);
            --slot;
        }
        path.fixups.push_back({TDeletePath::TKind::kRemove, holder, slot, nullptr, nullptr, 0});
        underflow = node.IsLeaf() && count <= kMinKeys;
        return true;
    }
    if (node.IsLeaf()) return false;
    TIndexNode* child = path.Pin(*this, node.Child(slot));
    if (!Collect(child, key, predecessor, depth + 1, path, underflow)) return false;
    if (underflow) underflow = AddSiblingFixup(holder, slot, child, path) && count <= kMinKeys;
    return true;
}

// Child `slot` of `parent` falls below 10 keys: borrow from the left sibling when it holds more
// than 10, else from the right one; else merge with the left sibling, else with the right one.
// Returns true for a merge (the parent loses an entry).
bool TFileIndex::AddSiblingFixup(TIndexNode* parent, uint32_t slot, TIndexNode* child,
                                 TDeletePath& path) {
    using TKind = TDeletePath::TKind;
    TNodeView view = parent->View();
    TIndexNode* left = slot > 0 ? path.Pin(*this, view.Child(slot - 1)) : nullptr;
    if (left && left->View().Count() > kMinKeys) {
        path.fixups.push_back({TKind::kBorrow, parent, slot - 1, left, child, 0});
        return false;
    }
    TIndexNode* right = slot < view.Count() ? path.Pin(*this, view.Child(slot + 1)) : nullptr;
    if (right && right->View().Count() > kMinKeys) {
        path.fixups.push_back({TKind::kBorrow, parent, slot, child, right, 0});
        return false;
    }
    if (left) {
        path.fixups.push_back({TKind::kMerge, parent, slot - 1, left, child, view.Child(slot - 1)});
    } else {
        ThrowUnless(right != nullptr);
        path.fixups.push_back({TKind::kMerge, parent, slot, child, right, view.Child(slot)});
    }
    return true;
}

void TFileIndex::CarryOut(const TDeletePath& path, bool underflow) {
    using TKind = TDeletePath::TKind;
    for (const TDeletePath::TFixup& fix : path.fixups) {
        TNodeView node = fix.node->View();
        if (fix.kind == TKind::kRemove) {
            node.RemoveEntry(fix.slot);
        } else if (fix.kind == TKind::kMerge) {
            TNodeView::Merge(fix.left->View(), {node.Key(fix.slot), node.Value(fix.slot), 0},
                             fix.right->View());
            node.RemoveEntry(fix.slot);
            fix.right->SetDirty(true);
            fix.left->SetDirty(false);
            FreeNode(fix.leftNumber);
        } else {
            TNodeEntry separator = TNodeView::Borrow(
                fix.left->View(), {node.Key(fix.slot), node.Value(fix.slot), 0}, fix.right->View());
            node.SetKey(fix.slot, separator.key);
            node.SetValue(fix.slot, separator.value);
            fix.left->SetDirty(true);
            fix.right->SetDirty(true);
        }
        fix.node->SetDirty(true);
    }
    // A root left without keys by a merge hands its place to the merged node, now its child
    // at the separator's slot. An emptied leaf root stays.
    TNodeView root = path.pins.front().View();
    if (underflow && root.Count() == 0 && !root.IsLeaf()) {
        path.pins.front().Get()->SetDirty(false);
        FreeNode(fRoot.number);
        fRoot = {true, root.Child(path.fixups.back().slot)};
    }
}

} // namespace WVEK
