#include "BufferedWriteStream.h"

#include "Exception.h"

TBufferedWriteStream::TBufferedWriteStream(std::unique_ptr<LStream> below, uint32_t capacity)
    : fBelow(std::move(below)), fCapacity(capacity) {
    ThrowUnless(fBelow != nullptr, errNilPointer);
}

uint32_t TBufferedWriteStream::Drain() {
    if (fBuffer.empty()) return 0;
    uint32_t count = uint32_t(fBuffer.size());
    const uint32_t code = fBelow->Write(fBuffer.data(), count);
    fBuffer.clear();
    return code;
}

void TBufferedWriteStream::WriteBuffered() {
    if (uint32_t code = Drain()) throw TTolvException(code);
}

void TBufferedWriteStream::Flush() {
    WriteBuffered();
    fBelow->Flush();
}

uint32_t TBufferedWriteStream::Write(const void* data, uint32_t& count) {
    if (fBuffer.size() + count > fCapacity) {
        if (uint32_t code = Drain()) {
            count = 0;
            return code;
        }
    }
    if (count >= fCapacity) return fBelow->Write(data, count);
    fBuffer.append(static_cast<const char*>(data), count);
    return 0;
}

uint32_t TBufferedWriteStream::Read(void*, uint32_t& count) {
    count = 0;
    return errEndOfData;
}
