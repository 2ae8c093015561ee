#include "ZBuffer.h"

#include <cstring>
#include <functional>
#include <new>
#include <utility>

const uint8_t ZBuffer::kEmptyContent[1] = {0};

ZBuffer& ZBuffer::operator=(const ZBuffer& other) {
    if (this != &other) Assign(other.Data(), other.Length());
    return *this;
}

ZBuffer& ZBuffer::operator=(ZBuffer&& other) noexcept {
    ZBuffer taken;
    taken.Swap(other);
    Swap(taken);
    return *this;
}

void ZBuffer::Swap(ZBuffer& other) noexcept {
    std::swap(block_, other.block_);
    std::swap(start_, other.start_);
    std::swap(length_, other.length_);
    std::swap(capacity_, other.capacity_);
}

uint8_t* ZBuffer::Reserve(size_t count) {
    size_t need = length_ + count + 1;
    if (!block_) {
        ResizeBlock(need < 17 ? 16 : need + 16);
    } else if (start_ + need > capacity_) {
        if (start_ > 0) std::memmove(block_.get(), block_.get() + start_, length_ + 1);
        start_ = 0;
        if (need > capacity_) ResizeBlock(need + need / 2);
    }
    return block_.get() + start_ + length_;
}

void ZBuffer::ResizeBlock(size_t capacity) {
    void* resized = std::realloc(block_.get(), capacity);
    if (!resized) throw std::bad_alloc();
    (void)block_.release(); // realloc has taken the old block over
    block_.reset(static_cast<uint8_t*>(resized));
    capacity_ = capacity;
}

bool ZBuffer::InsideBlock(const void* data) const {
    auto* p = static_cast<const uint8_t*>(data);
    std::less<const uint8_t*> before;
    return block_ && !before(p, block_.get()) && before(p, block_.get() + capacity_);
}

void ZBuffer::AppendGrowing(const void* data, size_t count) {
    if (InsideBlock(data)) { // the block may move or grow below: copy the bytes out first
        ZBuffer copy(data, count);
        Append(copy.Data(), count);
        return;
    }
    std::memcpy(Reserve(count), data, count);
    SetLength(length_ + count);
}

void ZBuffer::Insert(size_t offset, const void* data, size_t count) {
    if (count == 0) return;
    if (InsideBlock(data)) {
        ZBuffer copy(data, count);
        Insert(offset, copy.Data(), count);
        return;
    }
    uint8_t* end = Reserve(count);
    uint8_t* at = end - (length_ - offset);
    std::memmove(at + count, at, length_ - offset);
    std::memcpy(at, data, count);
    SetLength(length_ + count);
}

void ZBuffer::RemoveFront(size_t count) {
    if (count >= length_) {
        start_ = 0;
        length_ = 0;
        if (block_) block_[0] = 0;
        return;
    }
    start_ += count;
    length_ -= count;
}

void ZBuffer::Truncate(size_t length) {
    if (length < length_) SetLength(length);
}

void ZBuffer::Assign(const void* data, size_t count) {
    if (InsideBlock(data)) {
        ZBuffer copy(data, count);
        Assign(copy.Data(), count);
        return;
    }
    RemoveFront(length_);
    Append(data, count);
}
