#include "IdFilter.h"

namespace WVEK {

void TIdFilter::BitsOf(uint32_t id, uint32_t (&bits)[3]) {
    // A multiply and a xor-shift spread ids that differ in any bit over all 64 bits.
    uint64_t mix = (uint64_t(id) + 1) * 0x9E3779B97F4A7C15ull;
    mix ^= mix >> 29;
    mix *= 0xBF58476D1CE4E5B9ull;
    constexpr uint64_t kMask = kBits - 1;
    bits[0] = uint32_t(mix & kMask);
    bits[1] = uint32_t((mix >> 21) & kMask);
    bits[2] = uint32_t((mix >> 41) & kMask);
}

void TIdFilter::Add(uint32_t id) {
    uint32_t bits[3];
    BitsOf(id, bits);
    for (uint32_t bit : bits)
        fWords[bit / 64] |= uint64_t(1) << (bit % 64);
}

bool TIdFilter::MayHold(uint32_t id) const {
    uint32_t bits[3];
    BitsOf(id, bits);
    for (uint32_t bit : bits)
        if ((fWords[bit / 64] & (uint64_t(1) << (bit % 64))) == 0) return false;
    return true;
}

} // namespace WVEK
