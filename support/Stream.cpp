#include "Stream.h"

#include "Exception.h"

#include <cstddef>
#include <vector>

LStream::~LStream() = default;

void LStream::Seek(int32_t offset, uint32_t origin) {
    int64_t target;
    switch (origin) {
    case seekBegin:
        target = offset;
        break;
    case seekEnd:
        target = int64_t(GetSize()) - offset;
        break;
    case seekCurrent:
        target = int64_t(fPosition) + offset;
        break;
    default:
        target = fPosition;
        break;
    }
    int64_t size = GetSize();
    if (target > size) target = size;
    if (target < 0) target = 0;
    fPosition = int32_t(target);
}

int32_t LStream::GetPosition() {
    return fPosition;
}

void LStream::SetSize(int32_t size) {
    int32_t oldSize = GetSize();
    fSize = size;
    if (oldSize > size) Seek(GetPosition(), seekBegin);
}

int32_t LStream::GetSize() {
    return fSize;
}

void LStream::Flush() {}

void LStream::Reserve(int32_t size) {
    if (GetSize() < size) SetSize(size);
}

uint32_t LStream::ReadSome(void* data, uint32_t count) {
    Read(data, count);
    return count;
}

void LStream::WriteOrThrow(const void* data, uint32_t count) {
    if (uint32_t code = Write(data, count)) throw TTolvException(code);
}

void LStream::ReadOrThrow(void* data, uint32_t count) {
    if (uint32_t code = Read(data, count)) throw TTolvException(code);
}

uint32_t LStream::Peek(void* data, uint32_t count) {
    int32_t remembered = GetPosition();
    Read(data, count);
    Seek(remembered, seekBegin);
    return count;
}

void CopyStream(LStream& source, LStream& dest, int32_t chunk) {
    if (chunk <= 0) chunk = 4096;
    std::vector<uint8_t> block(static_cast<size_t>(chunk));
    for (;;) {
        uint32_t count = uint32_t(chunk);
        source.Read(block.data(), count);
        if (count == 0) break;
        dest.WriteOrThrow(block.data(), count);
    }
}
