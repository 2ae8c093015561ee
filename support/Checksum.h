#pragma once
// CRC-32 (the reflected polynomial 0xEDB88320, initial and final value 0xFFFFFFFF), which
// protects the records of a database's journal against torn and partial writes.

#include <array>
#include <cstddef>
#include <cstdint>

namespace Checksum {

inline constexpr std::array<uint32_t, 256> kCrcTable = [] {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}();

// Continues `crc` (the result of an earlier call, or 0 to start) over `count` bytes.
inline uint32_t Crc32(const void* data, size_t count, uint32_t crc = 0) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    crc = ~crc;
    for (size_t i = 0; i < count; ++i)
        crc = kCrcTable[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

} // namespace Checksum
