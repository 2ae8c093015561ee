#pragma once
// Character stepping in the system code page, for quoted text under a text type other than 0
// and 260. This build has no multi-byte code page: every byte is one character. Keep every
// such step going through this function, so that a code page can be added in one place.

#include <cstddef>
#include <cstdint>

// The number of bytes of the character starting at `text` (at least 1, at most `remaining`;
// 0 only when remaining is 0).
inline size_t CharacterLength(const uint8_t* text, size_t remaining) {
    (void)text;
    return remaining > 0 ? 1 : 0;
}
