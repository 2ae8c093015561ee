#include "StdioStream.h"

#include "Exception.h"

#include <cstdint>

namespace {

// An ftell result as a stream position: -1 stays -1, values beyond 32 bits saturate.
int32_t ToPosition(long offset) {
    return offset > INT32_MAX ? INT32_MAX : int32_t(offset);
}

} // namespace

TSTDIOStream::~TSTDIOStream() {
    std::fflush(fFile);
}

void TSTDIOStream::Seek(int32_t offset, uint32_t origin) {
    const int whence = origin == seekBegin ? SEEK_SET : origin == seekEnd ? SEEK_END : SEEK_CUR;
    std::fseek(fFile, offset, whence);
}

int32_t TSTDIOStream::GetPosition() {
    return ToPosition(std::ftell(fFile));
}

void TSTDIOStream::SetSize(int32_t) {}

int32_t TSTDIOStream::GetSize() {
    const long remembered = std::ftell(fFile);
    if (remembered < 0 || std::fseek(fFile, 0, SEEK_END) != 0) return -1;
    const long size = std::ftell(fFile);
    std::fseek(fFile, remembered, SEEK_SET);
    return ToPosition(size);
}

void TSTDIOStream::Flush() {
    std::fflush(fFile);
}

uint32_t TSTDIOStream::Write(const void* data, uint32_t& count) {
    const uint32_t asked = count;
    count = asked == 0 ? 0 : uint32_t(std::fwrite(data, 1, asked, fFile));
    return count == asked ? 0 : errWriteFailed;
}

uint32_t TSTDIOStream::Read(void* data, uint32_t& count) {
    const uint32_t asked = count;
    count = asked == 0 ? 0 : uint32_t(std::fread(data, 1, asked, fFile));
    return asked != 0 && count == 0 ? errEndOfData : 0;
}
