#pragma once
// The database file: constants of its byte layout, the check that a file is a database, and
// the fresh file header. The format is described in docs/DatabaseFile.md.
//
// Layout: a 25-byte file header, then records back to back, each a 26-byte record header and
// its data bytes. Integers are little-endian and unaligned; offsets fit in signed 32 bits.

#include "FilePath.h"
#include "Stream.h"

#include <cstddef>
#include <cstdint>

namespace WVEK {

// ---- File header ----
constexpr size_t kFileHeaderSize = 25;
constexpr char kFileMagic[] = "VEKDB-25"; // stored with its terminating 0 (9 bytes)
constexpr size_t kFileMagicSize = sizeof kFileMagic;
static_assert(kFileMagicSize == 9 && kFileMagicSize + 4 * 4 == kFileHeaderSize);

// ---- Record header (offsets within the 26 bytes) ----
constexpr size_t kRecordHeaderSize = 26;
constexpr size_t kRecordMagicOffset = 0;
constexpr size_t kRecordIdOffset = 4;
constexpr size_t kRecordLengthOffset = 8;
constexpr size_t kRecordTypeOffset = 12;
constexpr size_t kRecordFlagsOffset = 13;
constexpr size_t kRecordReservedOffset = 14; // 8 bytes, 0 when created, kept when rewritten
constexpr size_t kRecordPositionOffset = 22;
static_assert(kRecordPositionOffset + 4 == kRecordHeaderSize);
static_assert(kRecordReservedOffset + 8 == kRecordPositionOffset);

// "R2D2" read as a little-endian 32-bit word.
constexpr uint32_t kRecordMagic = 0x32443252;

// Record type codes.
constexpr uint8_t kTypeNone = 0;
constexpr uint8_t kTypeQdf = 'a';
constexpr uint8_t kTypeBinary = 'b';
constexpr uint8_t kTypeList = 'l';
constexpr uint8_t kTypePicture = 'p';
constexpr uint8_t kTypeText = 't';

// Bits of the stored flags byte; 0x08, 0x10, 0x40 and 0x80 are unused and kept as found.
constexpr uint8_t kFlagCompressed = 0x01;
constexpr uint8_t kFlagEncrypted = 0x02;
constexpr uint8_t kFlagDeleted = 0x04; // this version is dead; every reader skips it
constexpr uint8_t kFlagPermanent = 0x20;

// The id of no record (the iterator's current id before the first and after the last).
constexpr uint32_t kNoRecordId = 0xFFFFFFFF;

// What a file is to the format check: a file of 0 bytes counts as an empty database; a
// database proper starts with the magic and its terminating 0; anything else (a missing file,
// one that cannot be read) is not a database. Never throws.
enum class TFileKind : uint8_t { kNotDatabase, kEmpty, kDatabase };
TFileKind CheckDatabaseFile(const TFilePath& path);

// True for an empty file or a database (CheckDatabaseFile). Never throws.
inline bool IsDatabaseFile(const TFilePath& path) {
    return CheckDatabaseFile(path) != TFileKind::kNotDatabase;
}

// Writes the 25-byte file header at the stream's current position (callers seek to 0 first).
// Throws the stream's code on a failed write.
void WriteFileHeader(LStream& stream);

// Reads exactly `count` bytes, looping over short reads; throws the stream's code, or
// errEndOfData when the data ends first.
void ReadExactly(LStream& stream, void* data, uint32_t count);

} // namespace WVEK
