#include "DBRecord.h"

#include "Exception.h"

#include <cstring>

namespace WVEK {

namespace {

// A file offset as a stream position; streams address signed 32 bits.
int32_t StreamOffset(int64_t offset) {
    ThrowUnless(offset >= 0 && offset <= INT32_MAX);
    return int32_t(offset);
}

} // namespace

TDBRecord::TDBRecord() {
    StoreLE32(Header() + kRecordMagicOffset, kRecordMagic);
    SetType(kTypeBinary);
}

TDBRecord::TDBRecord(LStream& stream, uint32_t position) {
    stream.Seek(StreamOffset(position), seekBegin);
    ReadExactly(stream, Header(), kRecordHeaderSize);
    ThrowUnless(LoadLE32(Header() + kRecordMagicOffset) == kRecordMagic);
    ThrowUnless(GetPosition() == position);
    // A length reaching past the end is damage: it must not lead to a huge allocation later.
    ThrowUnless(int64_t(position) + int64_t(kRecordHeaderSize) + GetLength() <=
                int64_t(stream.GetSize()));
}

void TDBRecord::SetFlag(uint8_t bit, bool on) {
    uint8_t& flags = Header()[kRecordFlagsOffset];
    flags = on ? uint8_t(flags | bit) : uint8_t(flags & ~bit);
}

TDBRecord::Block TDBRecord::Allocate(uint32_t count) {
    Block block(static_cast<uint8_t*>(std::malloc(count == 0 ? 1 : count)));
    ThrowUnless(block != nullptr, errNilPointer);
    return block;
}

TDBRecord::Block TDBRecord::ReadBlock(LStream& stream, uint32_t count) {
    // The count is the length of a header checked against the file when it was loaded, or
    // one the caller set: it never comes unchecked from a damaged file.
    Block block = Allocate(count);
    ReadExactly(stream, block.get(), count);
    return block;
}

// The copy is made before anything changes, so a failed allocation leaves the record as it was.
void TDBRecord::SetData(const void* bytes, uint32_t length) {
    Block copy;
    if (length > 0 && bytes != nullptr) {
        copy = Allocate(length);
        std::memcpy(copy.get(), bytes, length);
    }
    fData = std::move(copy);
    StoreLE32(Header() + kRecordLengthOffset, length);
}

void TDBRecord::LoadData(LStream& stream) {
    fData.reset();
    fData = ReadBlock(stream, GetLength());
}

uint8_t* TDBRecord::CopyData(LStream& stream, uint32_t* length) const {
    const uint32_t count = GetLength();
    Block copy;
    if (fData || count == 0) {
        // No data is read for an empty record: its place may not be in the file yet.
        copy = Allocate(count);
        if (count > 0) std::memcpy(copy.get(), fData.get(), count);
    } else {
        stream.Seek(StreamOffset(int64_t(GetPosition()) + int64_t(kRecordHeaderSize)), seekBegin);
        copy = ReadBlock(stream, count);
    }
    if (length) *length = count;
    return copy.release();
}

void TDBRecord::WriteTo(LStream& stream, bool withData) const {
    stream.Seek(StreamOffset(GetPosition()), seekBegin);
    if (!withData || !fData || GetLength() == 0) {
        stream.WriteOrThrow(Header(), kRecordHeaderSize);
        return;
    }
    TWriteBuffer out(stream, WrittenSize());
    WriteTo(out);
    out.Flush();
}

void TDBRecord::WriteTo(TWriteBuffer& out) const {
    out.Write(GetPosition(), Header(), uint32_t(kRecordHeaderSize));
    if (fData && GetLength() > 0)
        out.Write(GetPosition() + uint32_t(kRecordHeaderSize), fData.get(), GetLength());
}

} // namespace WVEK
