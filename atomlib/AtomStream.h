#pragma once
// The walk over a binary atom stream in its eight encoding styles (see
// docs/atom-stream-format.md): it decodes each atom with the decoder state and hands it to a
// per-atom handler, which prints, normalises or calls back.

#include "ZString.h"

#include <cstddef>
#include <cstdint>
#include <functional>

// The decoder's state between atoms; all zero at the start of a stream. Nested stream
// arguments are walked from a fresh state.
struct ZDecoderState {
    uint16_t currentProtocol = 0;
    uint16_t protocolOffset = 0; // PO: 0, 32, 64 or 96 while a prefix is active
    uint16_t atomOffset = 0;     // AO: 0, 32, 64 or 96 while a prefix is active
    bool prefixSticky = false;
    bool prefixActive = false;
};

// One decoded atom. `data` points into the walked stream (or at a byte of the walker for the
// Data, Zero and One styles) and is valid only during the handler call.
struct ZStreamAtom {
    uint16_t protocol = 0;
    uint16_t atom = 0;
    const uint8_t* data = nullptr;
    uint32_t length = 0;
};

// Returns 0 to go on; anything else ends the walk with that result.
using ZAtomHandler = std::function<int32_t(const ZStreamAtom&)>;

// The style in bits 7-5 of an atom's first byte.
enum class ZAtomStyle : uint8_t { Full, Length, Data, Atom, Current, Zero, One, Prefix };

// Walks `length` bytes from `state` (updated as it goes), handing each atom to `handler`.
// When `decodingComments` is not null, one ";Style P:.. A:.. L:..\r\n" line per atom and
// prefix is appended to it before the atom is handed on. Returns 0 at the end of the stream,
// the handler's first nonzero result, or 11 ("Bad Format") when an atom's header or argument
// reaches past the end; the atoms before it have been handed on, and `state` is then not
// meaningful.
int32_t WalkAtomStream(const uint8_t* data, size_t length, ZDecoderState& state,
                       ZString* decodingComments, const ZAtomHandler& handler);
