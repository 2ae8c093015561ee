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
#include <cstdlib>
#include <cstring>
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
    const uint8_t* Data() const { return block_ ? block_.get() + start_ : kEmptyContent; }
    const char* Text() const { return reinterpret_cast<const char*>(Data()); }
    size_t Length() const { return length_; }
    bool Empty() const { return length_ == 0; }
    // Bytes the block can hold in all (content, skipped front and terminator included).
    size_t Capacity() const { return capacity_; }

    // 1-based; any position outside 1..Length() yields NUL, which no reader of the library
    // takes for a character of its syntax.
    char At(size_t position) const {
        return position - 1 < length_ ? char(block_[start_ + position - 1]) : '\0';
    }

    // The common case, an append that fits behind the content, is inline; memmove, because
    // `data` may lie inside this buffer (nothing moves when the bytes fit).
    void Append(const void* data, size_t count) {
        if (count == 0) return;
        if (Fits(count)) {
            std::memmove(block_.get() + start_ + length_, data, count);
            SetLength(length_ + count);
        } else {
            AppendGrowing(data, count);
        }
    }
    void AppendByte(uint8_t byte) {
        if (Fits(1)) {
            block_[start_ + length_] = byte;
            SetLength(length_ + 1);
        } else {
            AppendGrowing(&byte, 1);
        }
    }
    // Inserts `count` bytes before the content's byte at 0-based `offset` (at most Length()).
    void Insert(size_t offset, const void* data, size_t count);
    // Overwrites the content's byte at 0-based `offset` (below Length()).
    void Put(size_t offset, uint8_t byte) { block_[start_ + offset] = byte; }
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
    void SetLength(size_t length) {
        length_ = length;
        block_[start_ + length_] = 0;
    }

private:
    static const uint8_t kEmptyContent[1];

    // True when `count` more bytes and the terminator fit behind the content (never without
    // a block: its capacity is 0).
    bool Fits(size_t count) const { return start_ + length_ + count < capacity_; }
    // Append for bytes that do not fit: the block moves or grows first.
    void AppendGrowing(const void* data, size_t count);
    // Resizes the block to `capacity` bytes, keeping its bytes (std::bad_alloc when memory
    // runs out; the buffer is then unchanged).
    void ResizeBlock(size_t capacity);
    void Swap(ZBuffer& other) noexcept;
    bool InsideBlock(const void* data) const;

    // The block comes from malloc, so that growing is a realloc: the C library may extend a
    // block in place, or remap the pages of a large one instead of copying them into fresh
    // memory, which for a text of megabytes is most of the cost of growing.
    struct FreeBlock {
        void operator()(uint8_t* block) const { std::free(block); }
    };
    std::unique_ptr<uint8_t[], FreeBlock> block_;
    size_t start_ = 0;
    size_t length_ = 0;
    size_t capacity_ = 0;
};
