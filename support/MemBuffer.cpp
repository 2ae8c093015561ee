#include "MemBuffer.h"

#include "Exception.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

TBuffer::~TBuffer() = default;

uint32_t TBuffer::Read(void* dest, uint32_t count) {
    uint32_t copied = CopyOut(dest, count);
    Advance(copied);
    return copied;
}

TMemBuffer::TMemBuffer(const void* source, uint32_t count) {
    if (count == 0) return;
    Reserve(count);
    if (source)
        std::memcpy(fData, source, count);
    else
        std::memset(fData, 0, count);
    fLength = count;
}

TMemBuffer::~TMemBuffer() {
    std::free(fData);
}

void TMemBuffer::Reserve(uint64_t need) {
    if (fGranularity != 0) need = (need / fGranularity + 1) * fGranularity;
    if (need > UINT32_MAX) throw TTolvException(errNilPointer);
    if (fData == nullptr) {
        fData = static_cast<uint8_t*>(std::malloc(size_t(need)));
        if (fData == nullptr) throw TTolvException(errNilPointer);
        fCapacity = uint32_t(need);
    } else if (need > fCapacity) {
        // At least doubling, so that a buffer filled by many small appends costs linear time.
        uint64_t grown = std::clamp<uint64_t>(uint64_t(fCapacity) * 2, need, UINT32_MAX);
        auto* block = static_cast<uint8_t*>(std::realloc(fData, size_t(grown)));
        if (block == nullptr) throw TTolvException(errNilPointer);
        fData = block;
        fCapacity = uint32_t(grown);
    }
}

uint32_t TMemBuffer::CopyOut(void* dest, uint32_t count) {
    uint32_t n = std::min(count, fLength - fCursor);
    if (n > 0) std::memcpy(dest, fData + fCursor, n);
    return n;
}

bool TMemBuffer::DiscardHead(uint32_t count) {
    if (count == 0) return true;
    count = std::min(count, fLength);
    try {
        std::memmove(fData, fData + count, fLength - count);
        fCursor = fCursor < count ? 0 : fCursor - count;
        fLength -= count;
        Reserve(fLength);
    } catch (const TTolvException&) {
        return false;
    }
    return true;
}

void TMemBuffer::SetPosition(uint32_t pos) {
    fCursor = std::min(pos, fLength);
}

void TMemBuffer::Advance(uint32_t count) {
    fCursor = uint32_t(std::min<uint64_t>(uint64_t(fCursor) + count, fLength));
}

void TMemBuffer::Clear() {
    fLength = 0;
    fCursor = 0;
    Reserve(0);
}

uint8_t* TMemBuffer::Lock(uint32_t) {
    return fData ? fData + fCursor : nullptr;
}

void TMemBuffer::Unlock(uint8_t*) {}

uint8_t* TMemBuffer::Detach() {
    uint8_t* block = fData;
    fData = nullptr;
    fLength = 0;
    fCursor = 0;
    fCapacity = 0;
    return block;
}

uint8_t* TMemBuffer::LockWrite(uint32_t count) {
    return Lock(count);
}

void TMemBuffer::UnlockWrite(uint8_t* pointer) {
    Unlock(pointer);
}

void TMemBuffer::Delete(uint32_t count) {
    if (count == 0) return;
    if (uint64_t(fCursor) + count >= fLength) {
        fLength = fCursor;
    } else {
        std::memmove(fData + fCursor, fData + fCursor + count, fLength - fCursor - count);
        fLength -= count;
    }
    Reserve(fLength);
}

bool TMemBuffer::Insert(const void* source, uint32_t count) {
    if (count == 0) return true;
    if (source == nullptr) return false;
    try {
        Reserve(uint64_t(fLength) + count);
    } catch (const TTolvException&) {
        return false;
    }
    std::memmove(fData + fCursor + count, fData + fCursor, fLength - fCursor);
    std::memcpy(fData + fCursor, source, count);
    fLength += count;
    return true;
}

bool TMemBuffer::Write(const void* source, uint32_t count) {
    if (count == 0) return true;
    uint64_t end = uint64_t(fCursor) + count;
    if (end > fLength) {
        try {
            Reserve(end);
        } catch (const TTolvException&) {
            return false;
        }
        fLength = uint32_t(end);
    }
    if (source)
        std::memcpy(fData + fCursor, source, count);
    else
        std::memset(fData + fCursor, 0, count);
    fCursor += count;
    return true;
}

bool TMemBuffer::Append(const void* source, uint32_t count) {
    if (count == 0) return true;
    uint32_t saved = fCursor;
    fCursor = fLength;
    bool written = Write(source, count);
    fCursor = saved;
    return written;
}

bool TMemBuffer::AppendByte(uint8_t value) {
    try {
        Reserve(uint64_t(fLength) + 1);
    } catch (const TTolvException&) {
        return false;
    }
    fData[fLength++] = value;
    return true;
}

bool TMemBuffer::AppendBuffer(TBuffer& other) {
    if (&other == this) { // the block may move while it grows: copy the bytes first
        TMemBuffer copy(fData ? fData + fCursor : nullptr, fLength - fCursor);
        return AppendBuffer(copy);
    }
    TBufferLock lock(other, 0);
    if (lock.pointer == nullptr) return true;
    return Append(lock.pointer, lock.count);
}

TMemBuffer& TMemBuffer::operator+=(TBuffer& other) {
    AppendBuffer(other);
    return *this;
}

TBufferLock::TBufferLock(TBuffer& b, uint32_t n)
    : pointer(nullptr), count(n ? n : b.GetLength() - b.GetPosition()), buffer(b) {
    pointer = buffer.Lock(count);
}

TBufferLock::~TBufferLock() {
    if (pointer) buffer.Unlock(pointer);
}
