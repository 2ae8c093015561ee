#pragma once
// The caller-held KelDisassemblyState record (kelvane.h) and the disassembler's
// ZDisassemblyState. The record's pending block is the library's: allocated here with
// malloc, released here with free.

#include "Disassembler.h"
#include "kelvane.h"

#include <cstdint>

// Loads `record` into `state`: indent, text types, restore flag, decoder state, and the
// pending large atom (its protocol and atom, and the bytes of its block). The record itself
// is not changed, so that a call that fails leaves it as it was.
void LoadStateRecord(const KelDisassemblyState& record, ZDisassemblyState& state);

// Writes `state` into `record`: the record's old block is released and the pending bytes
// are handed out in a new block of exactly their length (null when there are none).
// Returns 0, or 5 with the record unchanged when the block cannot be allocated.
int32_t StoreStateRecord(const ZDisassemblyState& state, KelDisassemblyState& record);

// KelFreeState: zeroes every field before the block pointer, then releases the block and
// clears the pointer.
void FreeStateRecord(KelDisassemblyState& record);
