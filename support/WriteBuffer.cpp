#include "WriteBuffer.h"

TWriteBuffer::TWriteBuffer(LStream& stream, uint32_t capacity)
    : fStream(stream), fCapacity(capacity) {
}

void TWriteBuffer::Write(uint32_t position, const void* data, uint32_t count) {
    const bool continues = !fBytes.empty() && position == End();
    if (!continues || fBytes.size() + count > fCapacity) Flush();
    if (fBytes.empty()) fStart = position;
    if (count > fCapacity) {
        fStream.Seek(int32_t(position), seekBegin);
        fStream.WriteOrThrow(data, count);
        fStart = position + count;
        return;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    fBytes.insert(fBytes.end(), bytes, bytes + count);
}

void TWriteBuffer::Flush() {
    if (fBytes.empty()) return;
    fStream.Seek(int32_t(fStart), seekBegin);
    fStream.WriteOrThrow(fBytes.data(), uint32_t(fBytes.size()));
    fStart = End();
    fBytes.clear();
}
