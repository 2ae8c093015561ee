#include "StateRecord.h"

#include "KelCodes.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

// The record is packed, in field order, with an 8-byte pointer; callers rely on the layout.
static_assert(sizeof(KelDisassemblyState) == 42);
static_assert(offsetof(KelDisassemblyState, indent) == 0);
static_assert(offsetof(KelDisassemblyState, textType) == 4);
static_assert(offsetof(KelDisassemblyState, savedTextType) == 6);
static_assert(offsetof(KelDisassemblyState, restorePending) == 8);
static_assert(offsetof(KelDisassemblyState, currentProtocol) == 12);
static_assert(offsetof(KelDisassemblyState, protocolOffset) == 14);
static_assert(offsetof(KelDisassemblyState, atomOffset) == 16);
static_assert(offsetof(KelDisassemblyState, prefixSticky) == 18);
static_assert(offsetof(KelDisassemblyState, prefixActive) == 22);
static_assert(offsetof(KelDisassemblyState, largeProtocol) == 26);
static_assert(offsetof(KelDisassemblyState, largeAtom) == 28);
static_assert(offsetof(KelDisassemblyState, largeLength) == 30);
static_assert(offsetof(KelDisassemblyState, largeBlock) == 34);
static_assert(sizeof(KelAtomInfo) == 14);
static_assert(offsetof(KelAtomInfo, name) == 6);

void LoadStateRecord(const KelDisassemblyState& record, ZDisassemblyState& state) {
    state.indent = record.indent;
    state.textType = record.textType;
    state.savedTextType = record.savedTextType;
    state.restorePending = record.restorePending != 0;
    state.decoder.currentProtocol = record.currentProtocol;
    state.decoder.protocolOffset = record.protocolOffset;
    state.decoder.atomOffset = record.atomOffset;
    state.decoder.prefixSticky = record.prefixSticky != 0;
    state.decoder.prefixActive = record.prefixActive != 0;
    // Protocol and atom come over also without a block: a large atom whose start ended the
    // last call has collected no bytes yet.
    state.large.protocol = record.largeProtocol;
    state.large.atom = record.largeAtom;
    state.large.bytes.Clear();
    if (record.largeBlock && record.largeLength > 0)
        state.large.bytes.Append(record.largeBlock, record.largeLength);
}

int32_t StoreStateRecord(const ZDisassemblyState& state, KelDisassemblyState& record) {
    size_t pending = state.large.bytes.Length();
    uint8_t* block = nullptr;
    if (pending > 0) {
        block = static_cast<uint8_t*>(std::malloc(pending));
        if (!block) return kelOutOfMemory;
        std::memcpy(block, state.large.bytes.Data(), pending);
    }
    std::free(record.largeBlock);
    record.indent = state.indent;
    record.textType = state.textType;
    record.savedTextType = state.savedTextType;
    record.restorePending = state.restorePending ? 1 : 0;
    record.currentProtocol = state.decoder.currentProtocol;
    record.protocolOffset = state.decoder.protocolOffset;
    record.atomOffset = state.decoder.atomOffset;
    record.prefixSticky = state.decoder.prefixSticky ? 1 : 0;
    record.prefixActive = state.decoder.prefixActive ? 1 : 0;
    record.largeProtocol = state.large.protocol;
    record.largeAtom = state.large.atom;
    record.largeLength = uint32_t(pending);
    record.largeBlock = block;
    return kelSuccess;
}

void FreeStateRecord(KelDisassemblyState& record) {
    uint8_t* block = record.largeBlock;
    std::memset(&record, 0, offsetof(KelDisassemblyState, largeBlock));
    record.largeBlock = nullptr;
    std::free(block);
}
