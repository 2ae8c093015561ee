#pragma once
// The show side of the argument formats (docs/atom-stream-text.md, "Showing"): the routine of
// an atom's format appends the text of its argument bytes to the output. No routine reads
// past the bytes it is given. Only the orientation format fails (13), and a nested stream
// with the code its walk ends with.

#include "AtomTable.h"
#include "ZString.h"

#include <cstddef>
#include <cstdint>

// Shows a nested stream argument (format 6) as lines of atoms. The disassembler implements
// it and bounds the nesting depth.
class ZNestedStreamShower {
public:
    virtual int32_t ShowNestedStream(const uint8_t* data, size_t length) = 0;

protected:
    ~ZNestedStreamShower() = default;
};

// What a show routine needs besides the bytes. The references outlive the call.
struct ZShowContext {
    ZString& out;            // the whole output so far; routines append to it
    uint32_t flags;          // 0x01 short raw dumps, 0x40 alternate syntax
    uint16_t textType;       // how quoted text is converted and stepped through
    const ZAtomTable& table; // atom references (format 12)
    const ZAtom& atom;       // its multi components and enumerations
    ZNestedStreamShower& nested;
    size_t index = 0; // 0: the atom's own enumeration; i: that of multi component i
};

// Appends the text of `length` bytes in `format`. In the alternate syntax format 19 shows as
// a number and 18, 20, 21, 22 and every code above as raw bytes. Returns 0, 13 for an
// orientation that cannot be shown, or the code that ended a nested stream.
int32_t ShowArgument(const ZShowContext& context, uint16_t format, const uint8_t* data,
                     size_t length);

// The raw byte list: "1fx" per byte, ", " (or " " in the alternate syntax) between them; at
// most 32000 bytes, or 8 with flag 0x01, and "..." when there are more.
void ShowRawBytes(ZString& out, uint32_t flags, const uint8_t* data, size_t length);
