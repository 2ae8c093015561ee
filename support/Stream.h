#pragma once
// LStream: the byte-stream interface every file and memory stream implements.
//
// Position and size are signed 32-bit. Read and Write report a u32 error code (0 = success)
// and never throw; the *OrThrow helpers turn codes into TTolvExceptions. For Read and Write the
// count goes in as the number of bytes asked for and comes out as the number moved.

#include <cstdint>

// Seek origins are 1-based.
enum : uint32_t { seekBegin = 1, seekEnd = 2, seekCurrent = 3 };

class LStream {
public:
    LStream() = default;
    LStream(const LStream&) = delete;
    LStream& operator=(const LStream&) = delete;
    virtual ~LStream();

    // Base behaviour: seekEnd counts the offset back from the end; the target is clamped to
    // [0, GetSize()]; an unknown origin keeps the current position.
    virtual void Seek(int32_t offset, uint32_t origin);
    virtual int32_t GetPosition();
    // Stores the size; a shrink clamps the position through Seek.
    virtual void SetSize(int32_t size);
    virtual int32_t GetSize();
    virtual void Flush();
    // Makes the stream at least `size` bytes long with room really there for them, so that no
    // write below that size can fail for want of space. Here: SetSize when it is shorter.
    virtual void Reserve(int32_t size);
    virtual uint32_t Write(const void* data, uint32_t& count) = 0;
    virtual uint32_t Read(void* data, uint32_t& count) = 0;
    // Reads what it can and returns the number of bytes read; the error code is dropped.
    virtual uint32_t ReadSome(void* data, uint32_t count);

    // Write/Read, throwing a TTolvException with any non-zero code.
    void WriteOrThrow(const void* data, uint32_t count);
    void ReadOrThrow(void* data, uint32_t count);
    // Reads without moving the position; returns the number of bytes read.
    uint32_t Peek(void* data, uint32_t count);

protected:
    int32_t fPosition = 0;
    int32_t fSize = 0;
};

// Copies `source` from its position to its end into `dest` in chunks of `chunk` bytes (4096
// when chunk <= 0). Stops at the first read that yields nothing; a write error is thrown.
void CopyStream(LStream& source, LStream& dest, int32_t chunk);
