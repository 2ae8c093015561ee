#pragma once
// Builds database file images byte by byte, independently of the engine's own writer, so the
// tests pin the format rather than restate the code.

#include <cstdint>
#include <cstring>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct TTestRecord {
    uint32_t id;
    uint8_t type;
    uint8_t flags;
    Bytes data;
};

inline void AppendLE32(Bytes& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(uint8_t(value >> shift));
}

inline void PutLE32(Bytes& image, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        image[at + size_t(i)] = uint8_t(value >> (8 * i));
}

// The 25-byte file header: "VEKDB-25", its terminating 0 and 16 zero bytes.
inline Bytes FileHeaderImage() {
    Bytes out(25, 0);
    std::memcpy(out.data(), "VEKDB-25", 8);
    return out;
}

// Appends one record (26-byte header, then data) at the end of `image`.
inline void AppendRecord(Bytes& image, const TTestRecord& record) {
    const uint32_t position = uint32_t(image.size());
    for (char c : {'R', '2', 'D', '2'})
        image.push_back(uint8_t(c));
    AppendLE32(image, record.id);
    AppendLE32(image, uint32_t(record.data.size()));
    image.push_back(record.type);
    image.push_back(record.flags);
    image.insert(image.end(), 8, 0);
    AppendLE32(image, position);
    image.insert(image.end(), record.data.begin(), record.data.end());
}

inline Bytes DatabaseImage(const std::vector<TTestRecord>& records) {
    Bytes image = FileHeaderImage();
    for (const TTestRecord& record : records)
        AppendRecord(image, record);
    return image;
}
