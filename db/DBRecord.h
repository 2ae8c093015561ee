#pragma once
// TDBRecord: one record version in memory, its 26-byte header exactly as stored plus,
// optionally, its data bytes.
//
// The data block is owned and comes from malloc, because data copies handed to callers
// (CopyData) are freed with free(); the header lives inside the object. The accessors read and
// write the header fields in place, so reserved bytes read from a file are kept when the header
// is written back.

#include "ByteOrder.h"
#include "DatabaseFile.h"
#include "Stream.h"
#include "WriteBuffer.h"

#include <array>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace WVEK {

class TDBRecord {
public:
    // A new header: zeros, the magic and type 'b'; no data.
    TDBRecord();
    // Loads the header stored at `position`, leaving the stream right after it; no data.
    // Throws errAssert when the magic or the position field is wrong or the data would reach
    // past the end of the stream, errEndOfData when the header itself is cut short.
    TDBRecord(LStream& stream, uint32_t position);
    TDBRecord(const TDBRecord&) = delete;
    TDBRecord& operator=(const TDBRecord&) = delete;

    uint32_t GetId() const { return LoadLE32(Header() + kRecordIdOffset); }
    void SetId(uint32_t id) { StoreLE32(Header() + kRecordIdOffset, id); }
    uint32_t GetLength() const { return LoadLE32(Header() + kRecordLengthOffset); }
    // The type byte read as a signed character: codes above 127 come back negative.
    int GetType() const { return int(int8_t(Header()[kRecordTypeOffset])); }
    void SetType(uint8_t type) { Header()[kRecordTypeOffset] = type; }
    bool TestFlag(uint8_t bit) const { return (Header()[kRecordFlagsOffset] & bit) != 0; }
    void SetFlag(uint8_t bit, bool on);
    // The file offset of this header.
    uint32_t GetPosition() const { return LoadLE32(Header() + kRecordPositionOffset); }
    void SetPosition(uint32_t position) { StoreLE32(Header() + kRecordPositionOffset, position); }

    // The bytes the record counts for in the cache: data, header and 8 bytes of bookkeeping.
    uint64_t CacheSize() const { return uint64_t(GetLength()) + kRecordHeaderSize + 8; }

    // Replaces the data: frees what was loaded and sets the length; copies `length` bytes from
    // `bytes` unless length is 0 or bytes is null (then only the length changes). Throws
    // errNilPointer, with the record unchanged, when the copy cannot be allocated.
    void SetData(const void* bytes, uint32_t length);
    // Frees what was loaded and reads GetLength() bytes at the stream's position (just after
    // the header). Throws errEndOfData, before allocating, when the stream holds fewer.
    void LoadData(LStream& stream);
    // A new malloc'ed copy of the data that the caller frees with free(); *length (when not
    // null) receives its length. Taken from memory when loaded, otherwise read from the
    // stream after the header. A length of 0 gives an empty, non-null block without reading.
    uint8_t* CopyData(LStream& stream, uint32_t* length) const;
    // Writes the header at its position and, when withData is set and data is loaded, the
    // data right behind it. Throws the stream's code on a failed write.
    void WriteTo(LStream& stream, bool withData) const;
    // The same with data, through a write buffer.
    void WriteTo(TWriteBuffer& out) const;
    // The bytes WriteTo with data writes: the header, and the data when it is loaded.
    uint32_t WrittenSize() const {
        return uint32_t(kRecordHeaderSize) + (fData ? GetLength() : 0);
    }

private:
    struct FreeBlock {
        void operator()(uint8_t* block) const { std::free(block); }
    };
    using Block = std::unique_ptr<uint8_t, FreeBlock>;

    uint8_t* Header() { return fHeader.data(); }
    const uint8_t* Header() const { return fHeader.data(); }
    // A block of `count` bytes (at least 1, so that it is never null); errNilPointer on failure.
    static Block Allocate(uint32_t count);
    // Reads `count` bytes at the stream's position into a new block; errEndOfData when the
    // stream holds fewer.
    static Block ReadBlock(LStream& stream, uint32_t count);

    Block fData;
    std::array<uint8_t, kRecordHeaderSize> fHeader{};
};

} // namespace WVEK
