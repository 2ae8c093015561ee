#pragma once
// No exception crosses the library's C boundary: the internals throw only when memory runs
// out, which the exports report as 5 ("Out of Memory"). Exceptions thrown by a caller's own
// callback pass through unchanged.

#include "KelCodes.h"

#include <new>
#include <stdexcept>

// Runs `body` (returning an int32_t code) and maps exhausted memory to 5.
template <class Body> int32_t GuardedCall(Body&& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return kelOutOfMemory;
    } catch (const std::length_error&) {
        return kelOutOfMemory;
    }
}
