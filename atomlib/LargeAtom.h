#pragma once
// ZLargeAtom: the collection that joins the pieces of a large atom (protocol 0 atoms 4, 5
// and 6) into one atom. It belongs to a whole conversion, nested stream walks included, and
// may outlive a stream (the disassembler saves it between calls).

#include "AtomStream.h"
#include "ZBuffer.h"

#include <cstdint>

class ZLargeAtom {
public:
    uint16_t protocol = 0; // recorded from the start atom
    uint16_t atom = 0;
    ZBuffer bytes; // the pieces collected so far

    // True for protocol 0 atoms 4, 5 and 6.
    static bool IsPiece(const ZStreamAtom& atom);

    // Takes one piece. The start records protocol and atom (11, "Bad Format", when it has
    // fewer than two bytes); a segment appends; the end appends, empties the collection
    // (bytes, protocol and atom) and hands the joined atom to `handler`, whose result it
    // returns.
    int32_t Take(const ZStreamAtom& piece, const ZAtomHandler& handler);

    // Takes `atom` when it is a piece, else hands it to `handler` as it is.
    int32_t Pass(const ZStreamAtom& atom, const ZAtomHandler& handler) {
        return IsPiece(atom) ? Take(atom, handler) : handler(atom);
    }
};
