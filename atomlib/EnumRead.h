#pragma once
// The read side of the two formats that follow the atom's table entry: multi (18), whose
// components are the atom's ZMulti list, and enumeration (19), whose names are its ZEnum
// items (docs/atom-text-read.md).

#include "Assembler.h"
#include "AtomTable.h"
#include "ZBuffer.h"

#include <cstddef>
#include <cstdint>

// Format 18: the components of `atom` in order, up to the first of format 0; from the second
// on, ">" ends the argument early and "," is skipped. Deeper than kMaxNesting gives 11.
int32_t ReadMulti(ZAssembler& assembler, const ZAtom& atom, ZBuffer& out);
// Format 19: names or numbers joined by "|", resolved in the enumeration of `atom` at index
// `k` (23 when there is none) and written with its value size.
int32_t ReadEnumeration(ZAssembler& assembler, const ZAtom& atom, size_t k, ZBuffer& out);
