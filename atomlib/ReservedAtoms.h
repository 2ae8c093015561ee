#pragma once
// Atoms the library itself interprets, whatever the table calls them, and the number that
// the text-type atoms carry. See docs/atom-stream-format.md.

#include <cstddef>
#include <cstdint>

namespace ReservedAtoms {

// Protocol 0: the pieces of a large atom (start, segment, end) and the text-type switches.
constexpr uint16_t kControlProtocol = 0;
constexpr uint16_t kLargeStart = 4;     // argument: protocol and atom of the large atom
constexpr uint16_t kLargeSegment = 5;   // argument: a piece of its argument
constexpr uint16_t kLargeEnd = 6;       // argument: the last piece
constexpr uint16_t kTextTypeOnce = 22;  // text type for the next atom only
constexpr uint16_t kTextTypeSet = 23;   // text type until further notice
constexpr uint16_t kTextTypeReset = 24; // text type back to 0

// Protocol 51 atom 36: one source comment line, without its leading ";".
constexpr uint16_t kCommentProtocol = 51;
constexpr uint16_t kCommentAtom = 36;

// Text types with a fixed meaning: plain text, and the two that flags 0x100 and 0x200 select.
constexpr uint16_t kTextTypePlain = 0;
constexpr uint16_t kTextType260 = 260;
constexpr uint16_t kTextType4107 = 4107;

} // namespace ReservedAtoms

// The first four bytes at most of an argument as a big-endian unsigned number (0 for none).
// The text-type atoms and the number formats read their arguments this way.
inline uint32_t ReadArgumentNumber(const uint8_t* data, size_t length) {
    uint32_t value = 0;
    for (size_t i = 0; i < length && i < 4; ++i)
        value = (value << 8) | data[i];
    return value;
}
