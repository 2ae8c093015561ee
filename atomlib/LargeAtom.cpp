#include "LargeAtom.h"

#include "KelCodes.h"
#include "ReservedAtoms.h"

#include <utility>

using namespace ReservedAtoms;

bool ZLargeAtom::IsPiece(const ZStreamAtom& atom) {
    return atom.protocol == kControlProtocol && atom.atom >= kLargeStart && atom.atom <= kLargeEnd;
}

int32_t ZLargeAtom::Take(const ZStreamAtom& piece, const ZAtomHandler& handler) {
    if (piece.atom == kLargeStart) {
        if (piece.length < 2) return kelBadFormat;
        protocol = piece.data[0];
        atom = piece.data[1];
        return kelSuccess;
    }
    bytes.Append(piece.data, piece.length);
    if (piece.atom != kLargeEnd) return kelSuccess;
    // The joined atom leaves the collection, which is then empty (protocol and atom 0 too)
    // before the atom is handed on: a nested stream inside it may start a large atom of its
    // own, and a state record written after the end must show nothing pending.
    ZBuffer joined = std::move(bytes);
    ZStreamAtom whole{protocol, atom, joined.Data(), uint32_t(joined.Length())};
    protocol = 0;
    atom = 0;
    return handler(whole);
}
