#pragma once
// TWriteBuffer: writes pieces (a position and bytes) to a stream, joining pieces that follow
// one another into single writes of up to its capacity. A piece that does not continue the
// buffered bytes, or one that would overflow them, sends what is buffered first; pieces larger
// than the capacity go straight through.
//
// Nothing is written by the destructor (it could not report a failure): Flush sends the rest.

#include "Stream.h"

#include <cstdint>
#include <vector>

class TWriteBuffer {
public:
    static constexpr uint32_t kDefaultCapacity = 1u << 20;

    explicit TWriteBuffer(LStream& stream, uint32_t capacity = kDefaultCapacity);
    TWriteBuffer(const TWriteBuffer&) = delete;
    TWriteBuffer& operator=(const TWriteBuffer&) = delete;

    // Throws the stream's code when a write it triggers fails.
    void Write(uint32_t position, const void* data, uint32_t count);
    // Writes what is buffered; throws the stream's code on failure.
    void Flush();
    // The position just past the last byte handed in.
    uint32_t End() const { return fStart + uint32_t(fBytes.size()); }

private:
    LStream& fStream;
    uint32_t fCapacity;
    uint32_t fStart = 0; // the stream position of fBytes[0]
    std::vector<uint8_t> fBytes;
};
