#pragma once
// TBufferedWriteStream: an output stream that gathers writes in a buffer and hands them to the
// stream below in pieces of its capacity, so that many small writes (a dump's lines, a
// listing's records) cost few system calls. Only sequential writing is supported: reads and
// seeks are refused.
//
// Flush writes what is buffered and flushes the stream below; the destructor writes nothing (it
// could not report a failure), so Flush must end every use.

#include "Stream.h"

#include <cstdint>
#include <memory>
#include <string>

class TBufferedWriteStream : public LStream {
public:
    static constexpr uint32_t kDefaultCapacity = 256u << 10;

    // Owns `below`.
    explicit TBufferedWriteStream(std::unique_ptr<LStream> below,
                                  uint32_t capacity = kDefaultCapacity);

    // Writes the buffered bytes, then flushes the stream below; throws the stream's code.
    void Flush() override;
    // Writes the buffered bytes to the stream below without flushing it; throws its code.
    void WriteBuffered();
    // Buffers the bytes, writing the buffer out first when they would overflow it; returns the
    // code of a failed write (count then 0).
    uint32_t Write(const void* data, uint32_t& count) override;
    // Refused: errEndOfData.
    uint32_t Read(void* data, uint32_t& count) override;

private:
    uint32_t Drain();

    std::unique_ptr<LStream> fBelow;
    std::string fBuffer;
    uint32_t fCapacity;
};
