#pragma once
// ZBuffer: the library's growable byte buffer.
//
// One heap block holds [skipped front bytes][content][NUL][spare]. Removing bytes from the
// front only advances the start offset; an append that does not fit behind the content first
// moves it to the front, and grows the block to 1.5 x the need only when that is not enough.
// The first block is 16 bytes when content and terminator need fewer than 17, else need + 16.
// Pointers into the content stay valid until the next call that changes the buffer.

#include <cstddef>
#include <cstdint>
#include <memory>

class ZBuffer {
public:
    ZBuffer() = default;
    ZBuffer(const void* data, size_t length) { Append(data, length); }
    ZBuffer(const ZBuffer& other) : ZBuffer(other.Data(), other.Length()) {}
    // A moved-from buffer is empty.
    ZBuffer(ZBuffer&& other) noexcept { Swap(other); }
    ZBuffer& operator=(const ZBuffer& other);
    ZBuffer& operator=(ZBuffer&& other) noexcept;
    virtual ~ZBuffer() = default;

    // The content, always followed by a NUL byte (also when empty).
    const uint8_t* Data() const;
    const char* Text() const { return reinterpret_cast<const char*>(Data()); }
    size_t Length() const { return length_; }
    bool Empty() const { return length_ == 0; }
    // Bytes the block can hold in all (content, skipped front and terminator included).
    size_t Capacity() const { return capacity_; }

    // 1-based; any position outside 1..Length() yields NUL, which no reader of the library
    // takes for a character of its syntax.
    char At(size_t position) const;

    void Append(const void* data, size_t count);
    void AppendByte(uint8_t byte) { Append(&byte, 1); }
    // Drops `count` bytes from the front (all of them when count >= Length()).
    void RemoveFront(size_t count);
    // Keeps the first `length` bytes (nothing happens when length >= Length()).
    void Truncate(size_t length);
    void Clear() { Truncate(0); }
    void Assign(const void* data, size_t count);

protected:
    // Writable view of the content, for the in-place text operations of ZString.
    uint8_t* MutableData() { return block_ ? block_.get() + start_ : nullptr; }
    // Makes room for `count` more bytes behind the content and returns where they go; the
    // length is not changed.
    uint8_t* Reserve(size_t count);
    void SetLength(size_t length);

private:
    void Swap(ZBuffer& other) noexcept;
    bool InsideBlock(const void* data) const;

    std::unique_ptr<uint8_t[]> block_;
    size_t start_ = 0;
    size_t length_ = 0;
    size_t capacity_ = 0;
};
