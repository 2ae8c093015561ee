#include "OutputProtocol.h"

#include "KelCodes.h"

#include <cstring>
#include <limits>

namespace {

constexpr size_t kMaxSize = std::numeric_limits<uint32_t>::max();

uint32_t Capacity(const void* out, const uint32_t* size) {
    return out ? *size : 0;
}

} // namespace

int32_t PutBytes(const ZBuffer& result, uint8_t* out, uint32_t* size) {
    if (!size) return kelBufferTooSmall;
    size_t n = result.Length();
    if (n > kMaxSize) return kelValueTooLarge;
    uint32_t capacity = Capacity(out, size);
    *size = uint32_t(n);
    if (capacity < n) return kelBufferTooSmall;
    if (n > 0) std::memcpy(out, result.Data(), n);
    return kelSuccess;
}

int32_t PutText(const ZString& result, char* out, uint32_t* size) {
    if (!size) return kelBufferTooSmall;
    size_t n = result.Length();
    if (n >= kMaxSize) return kelStreamTooLarge;
    uint32_t capacity = Capacity(out, size);
    if (capacity < n + 1) {
        *size = uint32_t(n + 1);
        return kelBufferTooSmall;
    }
    if (n == 0) {
        out[0] = 0;
        *size = 0;
        return kelSuccess;
    }
    std::memcpy(out, result.Text(), n + 1); // the content is always followed by a NUL byte
    *size = uint32_t(n + 1);
    return kelSuccess;
}
