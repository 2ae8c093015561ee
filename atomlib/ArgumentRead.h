#pragma once
// One argument of an atom, read from text: format sniffing, then the read routine of the
// format (docs/atom-text-read.md).

#include "Assembler.h"
#include "AtomTable.h"
#include "ZBuffer.h"

#include <cstddef>
#include <cstdint>

// The format an argument declared as `format` is read in, after a look at the text: a lone
// quoted string is read as a string, the hex form as raw bytes, a "-" among the second to
// fourth characters as a global id, digits before ">" as a number. Multi, byte, word and
// dword arguments are never sniffed, nor a nested stream that opens with a comment.
uint16_t SniffFormat(const ZTokenReader& tokens, uint16_t format);

// Reads the argument of `atom` at index `k` (0: its own format; k >= 1: multi component k)
// after sniffing, appending its bytes to `out`. Returns 0 or the first error.
int32_t ReadArgument(ZAssembler& assembler, const ZAtom& atom, size_t k, ZBuffer& out);
