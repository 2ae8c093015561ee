#pragma once
// The flags word that every conversion of the library takes. The exports set 0x02, 0x04,
// 0x08 and 0x20 themselves; callers choose the others.

#include "ReservedAtoms.h"

#include <cstdint>

enum KelFlag : uint32_t {
    kelFlagShortRawDump = 0x01,     // disassembly: a raw dump shows at most 8 bytes, then "..."
    kelFlagFragment = 0x02,         // assembly: "%" is a placeholder
    kelFlagNormalize = 0x04,        // write every atom in Full form instead of printing
    kelFlagCallbacks = 0x08,        // hand every atom to the caller's callback
    kelFlagDecodingComments = 0x10, // disassembly: a ";Style P:.. A:.. L:.." line per atom
    kelFlagSingleAtom = 0x20,       // no line break after the atom; large-atom pieces ignored
    kelFlagAlternateSyntax = 0x40,  // disassembly: "atom$" names, fewer brackets, wrapped lines
    kelFlagTextTypeToHook = 0x80,   // assembly: CText2HText gets the current text type
    kelFlagTextType260 = 0x100,     // the text type starts as 260
    kelFlagTextType4107 = 0x200,    // the text type starts as 4107 (wins over 0x100)
};

// The text type a conversion starts with: 4107 or 260 when the flags ask for it, else
// `current` (0 for a fresh conversion, the caller's saved value for the state variants).
inline uint16_t StartTextType(uint32_t flags, uint16_t current) {
    if (flags & kelFlagTextType4107) return ReservedAtoms::kTextType4107;
    if (flags & kelFlagTextType260) return ReservedAtoms::kTextType260;
    return current;
}
