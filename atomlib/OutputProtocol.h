#pragma once
// The three ways an export hands a result to a caller's buffer. The capacity comes in
// through *size and the result size goes back in it; a null `out` counts as capacity 0 and a
// null `size` gives 4 ("Buffer Too Small") with nothing copied.

#include "ZBuffer.h"
#include "ZString.h"

#include <cstdint>

// Byte results: *size = n; 4 when the capacity is below n, else the n bytes are copied
// (no terminator) and 0 is returned. 24 when n does not fit in 32 bits.
int32_t PutBytes(const ZBuffer& result, uint8_t* out, uint32_t* size);

// Text results: n + 1 bytes are needed. A smaller capacity gives 4 and *size = n + 1;
// else a non-empty text is copied with its terminator and *size = n + 1, while an empty one
// sets out[0] = 0 (capacity above 0) and *size = 0. 27 when n + 1 does not fit in 32 bits.
// For a text that is never empty this is also the lookup protocol (*size = n + 1, then the
// capacity check).
int32_t PutText(const ZString& result, char* out, uint32_t* size);
