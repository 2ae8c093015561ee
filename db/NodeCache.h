#pragma once
// TIndexNode: the in-memory holder of one cached B-tree node; TNodeCache: the cache of index
// nodes, a TCache whose four operations of its own hand nodes to the B-tree code.
//
// A holder is borrowed through GetNode (use count raised) and given back with Release; only a
// holder with use count 0 that is clean may leave the cache. Its dirty flag reports every
// change to its owner, which keeps the count of dirty nodes.

#include "Cache.h"
#include "IndexFormat.h"
#include "NodeView.h"

#include <array>
#include <cstdint>

namespace WVEK {

class TNodeCache;

class TIndexNode {
public:
    explicit TIndexNode(TNodeCache& owner) : fOwner(&owner) {}
    TIndexNode(const TIndexNode&) = delete;
    TIndexNode& operator=(const TIndexNode&) = delete;

    int32_t UseCount() const { return fUseCount; }
    void SetUseCount(int32_t count) { fUseCount = count; }
    void Borrow() { ++fUseCount; }
    void Release() { --fUseCount; }

    bool IsDirty() const { return fDirty; }
    // Tells the owner (MarkDirty) when the flag changes.
    void SetDirty(bool dirty);

    uint8_t* Block() { return fNode.data(); }
    TNodeView View() { return TNodeView(fNode.data()); }

private:
    int32_t fUseCount = 0;
    bool fDirty = false;
    std::array<uint8_t, IndexFormat::kNodeSize> fNode{};
    TNodeCache* fOwner;
};

class TNodeCache : public TCache {
public:
    // The node with that number, its use count already raised; null for kNone. Throws
    // errAssert for a number beyond the file or a damaged node.
    virtual TIndexNode* GetNode(uint32_t number) = 0;
    // Gives a node number up (merged away); its place in the file stays unused.
    virtual void FreeNode(uint32_t number) = 0;
    // A new, empty, dirty node under the next free number (written to `number`); use count 0.
    virtual TIndexNode* NewNode(uint32_t& number) = 0;
    // A new dirty root holding one entry between the children left and right; its number.
    virtual uint32_t NewRoot(int32_t key, uint32_t value, uint32_t left, uint32_t right) = 0;
};

// Borrows a node for one scope: releases it (use count - 1) when the scope ends.
class TNodeRef {
public:
    TNodeRef(TNodeCache& cache, uint32_t number);
    TNodeRef(const TNodeRef&) = delete;
    TNodeRef& operator=(const TNodeRef&) = delete;
    TNodeRef(TNodeRef&& other) noexcept : fNode(other.fNode) { other.fNode = nullptr; }
    ~TNodeRef();

    // The node, or null for kNone.
    TIndexNode* Get() const { return fNode; }
    TNodeView View() const { return fNode->View(); }

private:
    TIndexNode* fNode;
};

} // namespace WVEK
