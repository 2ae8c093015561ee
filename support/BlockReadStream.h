#pragma once
// TBlockReadStream: a read-only stream over another stream (a file), which it reads in large
// blocks, so that walking a file header by header costs one system call per block instead of
// one per read.
//
// Its size is taken once, when it is made: the file must not change while it is read (a
// database holds its lock for that). Positions follow the file stream's rules: seekEnd adds the
// offset to the size, a position beyond the end reads nothing. Reads larger than half a block
// go straight to the stream below.

#include "Stream.h"

#include <cstdint>
#include <memory>
#include <vector>

class TBlockReadStream : public LStream {
public:
    static constexpr uint32_t kDefaultBlockSize = 1u << 20;

    // Owns `source`; throws what the source's GetSize throws.
    explicit TBlockReadStream(std::unique_ptr<LStream> source,
                              uint32_t blockSize = kDefaultBlockSize);

    // Throws errAssert for a target below 0 or beyond 2 GiB, which the position keeps out of.
    void Seek(int32_t offset, uint32_t origin) override;
    int32_t GetPosition() override { return fPosition; }
    // Refused: errReadOnly.
    void SetSize(int32_t size) override;
    int32_t GetSize() override { return fSize; }
    uint32_t Write(const void* data, uint32_t& count) override;
    // As a file stream: errEndOfData only when no byte can be read; a read of 0 bytes succeeds.
    uint32_t Read(void* data, uint32_t& count) override;

private:
    // Reads the block that starts at `position`; false when the source yields nothing there.
    bool Fill(int32_t position);
    // Reads `count` bytes at `position` from the source into `data`; the number read.
    uint32_t ReadSource(int32_t position, uint8_t* data, uint32_t count);

    std::unique_ptr<LStream> fSource;
    std::vector<uint8_t> fBlock; // the bytes at fBlockStart, as many as the source gave
    int32_t fBlockStart = 0;
    uint32_t fBlockSize;
};
