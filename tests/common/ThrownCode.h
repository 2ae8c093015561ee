#pragma once
// The code of the TTolvException that `f` throws, or 0 when it returns normally.

#include "Exception.h"

#include <cstdint>

template <typename F> uint32_t CodeOf(F&& f) {
    try {
        f();
    } catch (const TTolvException& e) {
        return e.code;
    }
    return 0;
}
