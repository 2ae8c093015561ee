#include "NodeCache.h"

namespace WVEK {

void TIndexNode::SetDirty(bool dirty) {
    if (dirty == fDirty) return;
    fDirty = dirty;
    fOwner->MarkDirty(dirty);
}

TNodeRef::TNodeRef(TNodeCache& cache, uint32_t number) : fNode(cache.GetNode(number)) {}

TNodeRef::~TNodeRef() {
    if (fNode) fNode->Release();
}

} // namespace WVEK
