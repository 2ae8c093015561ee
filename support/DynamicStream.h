#pragma once
// LDynamicStream: a stream whose bytes live in a TMemBuffer it owns.
//
// The stream's position and the buffer's cursor are kept equal. Read and Write never throw:
// a short read reports errEndOfData, a failed growth errCannotGrow (or the code the growth
// threw) after writing what fits, a failed buffer write errWriteFailed.

#include "MemBuffer.h"
#include "Stream.h"

class LDynamicStream : public LStream {
public:
    LDynamicStream() = default;
    ~LDynamicStream() override;

    void Seek(int32_t offset, uint32_t origin) override;
    // Grows with zero bytes at the end, or cuts the bytes from `size` on; throws errCannotGrow
    // when the buffer cannot grow.
    void SetSize(int32_t size) override;
    uint32_t Write(const void* data, uint32_t& count) override;
    uint32_t Read(void* data, uint32_t& count) override;

    // The bytes of the stream, for readers that parse straight from memory. Valid until the
    // stream next changes its size.
    const uint8_t* Data() const { return fBuffer.Data(); }
    TMemBuffer& GetBuffer() { return fBuffer; }

private:
    TMemBuffer fBuffer;
};
