#pragma once
// The conversions from atom streams that the library exports: disassembly of a stream, of
// one atom and of one argument, the callback walk and normalisation. Each builds its own
// ZDisassembler and takes the table it reads (the loaded one, or one built by a test).
//
// Text results: `out` is emptied first and receives everything shown, also when an error
// ends the walk (the text up to the error stays).

#include "Disassembler.h"
#include "ZBuffer.h"
#include "ZString.h"

#include <cstddef>
#include <cstdint>

// Disassembles a whole stream, starting from `*state` (the initial state when null); in the
// alternate syntax long lines are wrapped. On success `*state` holds the state after the
// stream; on an error it keeps its value. Returns 0 or the first error.
int32_t DisassembleStream(const ZAtomTable& table, const uint8_t* data, size_t length,
                          uint32_t flags, ZDisassemblyState* state, ZString& out);

// Disassembles one atom with flag 0x20 added (no line break after it; large-atom pieces show
// nothing). `state` carries the indent level and text types; it is updated on success only.
int32_t DisassembleAtom(const ZAtomTable& table, uint16_t protocol, uint16_t atom,
                        const uint8_t* data, size_t length, uint32_t flags,
                        ZDisassemblyState& state, ZString& out);

// Shows `length` bytes as one argument of `format`. Formats 18 and 19 need an atom's table
// entries; without one they give 11 ("Bad Format") and 23 ("Unrecognized Enum"), except in
// the alternate syntax, which shows them as raw bytes and as a number.
int32_t DisassembleArgument(const ZAtomTable& table, uint16_t format, const uint8_t* data,
                            size_t length, uint32_t flags, ZString& out);

// Hands every atom of the stream, large atoms joined, to `callback` in stream order (flag
// 0x08 added, 0x04 removed). Returns 0 when every atom was visited, else the first nonzero
// result (a callback's own, 11 for a damaged stream, 24 for an atom longer than 65535
// bytes). A null callback visits nothing and returns 0.
int32_t DoAtomCallbacks(ZAtomCallback callback, uint32_t user, const uint8_t* data, size_t length,
                        uint32_t flags);

// Rewrites a whole stream with every atom in Full form, large atoms joined (only flag 0x04 in
// force); `out` is replaced. Returns 0, or the first error of the walk or the writer; `out`
// then holds the atoms written before it.
int32_t NormalizeAtomStream(const uint8_t* data, size_t length, ZBuffer& out);
