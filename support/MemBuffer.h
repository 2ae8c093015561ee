#pragma once
// TBuffer: a byte buffer with a cursor; TMemBuffer: its growable heap implementation;
// TBufferLock: a scoped view of a buffer's bytes.
//
// TMemBuffer invariant: cursor <= length <= capacity. Its first block is the next multiple of
// 256 strictly above the length needed; a block that must grow at least doubles (to that
// multiple when more is needed), and never shrinks. It is allocated with malloc, so a
// detached block is freed with free().

#include <cstdint>

class TBuffer {
public:
    virtual ~TBuffer();
    // CopyOut, then Advance by the number copied; returns that number.
    virtual uint32_t Read(void* dest, uint32_t count);
    virtual uint32_t CopyOut(void* dest, uint32_t count) = 0;
    virtual bool DiscardHead(uint32_t count) = 0;
    virtual uint32_t GetLength() = 0;
    virtual uint32_t GetPosition() = 0;
    virtual void SetPosition(uint32_t pos) = 0;
    virtual void Advance(uint32_t count) = 0;
    virtual void Clear() = 0;
    // Pointer to the bytes at the cursor, valid until the buffer next changes its length.
    virtual uint8_t* Lock(uint32_t count) = 0;
    virtual void Unlock(uint8_t* pointer) = 0;
};

class TMemBuffer : public TBuffer {
public:
    TMemBuffer() = default;
    // A buffer of `count` bytes copied from `source`, or zeros when source is null; cursor 0.
    TMemBuffer(const void* source, uint32_t count);
    TMemBuffer(const TMemBuffer&) = delete;
    TMemBuffer& operator=(const TMemBuffer&) = delete;
    ~TMemBuffer() override;

    uint32_t CopyOut(void* dest, uint32_t count) override;
    // Removes the first `count` bytes (all of them when count exceeds the length); false when
    // the block could not be reserved.
    bool DiscardHead(uint32_t count) override;
    uint32_t GetLength() override { return fLength; }
    uint32_t GetPosition() override { return fCursor; }
    void SetPosition(uint32_t pos) override;
    void Advance(uint32_t count) override;
    // Empties the buffer and keeps (or first allocates) a block.
    void Clear() override;
    // data + cursor, or null while there is no block; count is not looked at.
    uint8_t* Lock(uint32_t count) override;
    void Unlock(uint8_t* pointer) override;

    // Hands the block to the caller (who frees it with free) and empties the buffer.
    virtual uint8_t* Detach();
    virtual uint8_t* LockWrite(uint32_t count);
    virtual void UnlockWrite(uint8_t* pointer);
    // Removes `count` bytes at the cursor (cuts the buffer there when they reach its end).
    virtual void Delete(uint32_t count);
    // Inserts at the cursor, which does not move; false for a null source or no memory.
    virtual bool Insert(const void* source, uint32_t count);
    // Writes at the cursor (zeros for a null source), extending the length, and moves the
    // cursor past the bytes; false when the block cannot grow.
    virtual bool Write(const void* source, uint32_t count);
    // Writes at the end; the cursor stays where it was.
    virtual bool Append(const void* source, uint32_t count);
    virtual bool AppendByte(uint8_t value);

    // Appends everything from other's cursor to its end.
    bool AppendBuffer(TBuffer& other);
    TMemBuffer& operator+=(TBuffer& other);

    // The whole content (not only from the cursor); null while there is no block.
    const uint8_t* Data() const { return fData; }
    // Bytes in the block (0 while there is none).
    uint32_t GetCapacity() const { return fCapacity; }

private:
    // Makes room for `need` bytes (grown as above); throws errNilPointer on failure.
    void Reserve(uint64_t need);

    uint8_t* fData = nullptr;
    uint32_t fCursor = 0;
    uint32_t fLength = 0;
    uint32_t fGranularity = 256;
    uint32_t fCapacity = 0;
};

class TBufferLock {
public:
    // A count of 0 means everything from the buffer's cursor to its end.
    TBufferLock(TBuffer& buffer, uint32_t count);
    TBufferLock(const TBufferLock&) = delete;
    TBufferLock& operator=(const TBufferLock&) = delete;
    ~TBufferLock();

    uint8_t* pointer;
    uint32_t count;
    TBuffer& buffer;
};
