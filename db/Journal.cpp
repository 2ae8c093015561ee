#include "Journal.h"

#include "BlockReadStream.h"
#include "ByteOrder.h"
#include "Checksum.h"
#include "DatabaseFile.h"
#include "Exception.h"
#include "File.h"
#include "Platform.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace WVEK {

namespace {

// The header: magic, version, the two original lengths, CRC-32 of the 20 bytes before it.
constexpr char kMagic[8] = {'V', 'E', 'K', 'J', 'R', 'N', 'L', 0};
constexpr uint32_t kVersion = 1;
constexpr uint32_t kHeaderSize = 24;
// A record: kind, file, 2 reserved bytes, offset, length n, CRC-32 of the 12 bytes before it
// and the n bytes that follow.
constexpr uint32_t kEntryHeaderSize = 16;
constexpr uint8_t kRegionRecord = 'R';
constexpr uint8_t kTemporaryFileRecord = 'T';

void ThrowIfError(int error) {
    if (error != 0) throw TTolvException(uint32_t(error));
}

// Adds [start, end) to `regions`, joining it with the ranges it overlaps or touches.
void MergeRegion(std::map<uint32_t, uint32_t>& regions, uint32_t start, uint32_t end) {
    auto it = regions.upper_bound(start);
    if (it != regions.begin() && std::prev(it)->second >= start) --it;
    while (it != regions.end() && it->first <= end) {
        start = std::min(start, it->first);
        end = std::max(end, it->second);
        it = regions.erase(it);
    }
    regions.emplace(start, end);
}

// The parts of [start, end) that no range of `regions` covers, in order.
std::vector<std::pair<uint32_t, uint32_t>> Gaps(const std::map<uint32_t, uint32_t>& regions,
                                                uint32_t start, uint32_t end) {
    std::vector<std::pair<uint32_t, uint32_t>> gaps;
    auto it = regions.upper_bound(start);
    uint32_t cursor = start;
    if (it != regions.begin()) cursor = std::max(cursor, std::prev(it)->second);
    for (; cursor < end && it != regions.end() && it->first < end; ++it) {
        if (it->first > cursor) gaps.emplace_back(cursor, it->first);
        cursor = std::max(cursor, it->second);
    }
    if (cursor < end) gaps.emplace_back(cursor, end);
    return gaps;
}

// A temporary file the journal may delete: a bare name of the numbered kind that compaction
// and create make ("name#3.ext"), so that a damaged journal cannot name any other file.
bool IsTemporaryName(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos &&
           name.find('#') != std::string::npos;
}

// An open file of the database for Recover, or null when it does not exist.
struct TRecoveredFile {
    std::unique_ptr<TFile> file;
    std::unique_ptr<LStream> stream;

    explicit TRecoveredFile(const TFilePath& path) {
        if (!path.Exists()) return;
        file = std::make_unique<TFile>(path);
        stream.reset(file->OpenStream(openReadWrite));
    }
    void Write(uint32_t offset, const uint8_t* bytes, uint32_t length) {
        if (!stream) return;
        stream->Seek(int32_t(offset), seekBegin);
        stream->WriteOrThrow(bytes, length);
    }
    void CutAndSync(uint32_t length) {
        if (!stream) return;
        if (length != TJournal::kNoLength && uint32_t(stream->GetSize()) > length)
            stream->SetSize(int32_t(length));
        stream->Flush();
    }
};

} // namespace

TJournal::TJournal(TFilePath path, uint32_t databaseLength, uint32_t indexLength)
    : fPath(std::move(path)), fDatabaseLength(databaseLength), fIndexLength(indexLength) {}

TJournal::~TJournal() {
    fStream.reset(); // before the file it was opened on
}

uint32_t TJournal::OriginalLength(TJournalFile file) const {
    const uint32_t length = file == TJournalFile::kDatabase ? fDatabaseLength : fIndexLength;
    return length == kNoLength ? 0 : length;
}

void TJournal::AddRecord(uint8_t kind, uint8_t file, uint32_t offset, const uint8_t* bytes,
                         uint32_t length) {
    uint8_t header[kEntryHeaderSize] = {kind, file};
    StoreLE32(header + 4, offset);
    StoreLE32(header + 8, length);
    StoreLE32(header + 12, Checksum::Crc32(bytes, length, Checksum::Crc32(header, 12)));
    fPending.insert(fPending.end(), header, header + kEntryHeaderSize);
    fPending.insert(fPending.end(), bytes, bytes + length);
}

void TJournal::Protect(TJournalFile file, LStream& stream, uint32_t offset, uint32_t length) {
    const uint64_t end = std::min<uint64_t>(uint64_t(offset) + length, OriginalLength(file));
    if (offset >= end) return;
    TRegions& saved = fSaved[size_t(file)];
    std::vector<uint8_t> bytes;
    for (const auto& [from, to] : Gaps(saved, offset, uint32_t(end))) {
        bytes.resize(to - from);
        stream.Seek(int32_t(from), seekBegin);
        ReadExactly(stream, bytes.data(), to - from);
        AddRecord(kRegionRecord, uint8_t(file), from, bytes.data(), to - from);
    }
    MergeRegion(saved, offset, uint32_t(end));
}

void TJournal::AddTemporaryFile(const std::string& name) {
    ThrowUnless(IsTemporaryName(name));
    AddRecord(kTemporaryFileRecord, 0, 0, reinterpret_cast<const uint8_t*>(name.data()),
              uint32_t(name.size()));
}

void TJournal::Sync() {
    const bool first = fStream == nullptr;
    if (!first && fPending.empty()) return;
    if (first) {
        uint8_t header[kHeaderSize];
        std::memcpy(header, kMagic, sizeof kMagic);
        StoreLE32(header + 8, kVersion);
        StoreLE32(header + 12, fDatabaseLength);
        StoreLE32(header + 16, fIndexLength);
        StoreLE32(header + 20, Checksum::Crc32(header, 20));
        fPending.insert(fPending.begin(), header, header + kHeaderSize);
        fFile = std::make_unique<TFile>(fPath);
        fStream.reset(fFile->OpenStream(openWrite));
    }
    fStream->Seek(int32_t(fEnd), seekBegin);
    fStream->WriteOrThrow(fPending.data(), uint32_t(fPending.size()));
    fEnd += uint32_t(fPending.size());
    fPending.clear();
    fStream->Flush();
    if (first) ThrowIfError(Platform::SyncDirectory(fPath.GetDirectory()));
}

void TJournal::Commit() {
    if (!fStream) return;
    fStream.reset();
    fFile.reset();
    ThrowUnless(fPath.Delete(), errWriteFailed);
    ThrowIfError(Platform::SyncDirectory(fPath.GetDirectory()));
}

void TJournal::Recover(const TFilePath& path, const TFilePath& databasePath,
                       const TFilePath& indexPath) {
    if (!path.Exists()) return;
    {
        TFile file(path);
        TBlockReadStream in(std::unique_ptr<LStream>(file.OpenStream(openRead)));
        uint8_t header[kHeaderSize];
        const bool whole = in.ReadSome(header, kHeaderSize) == kHeaderSize &&
                           std::memcmp(header, kMagic, sizeof kMagic) == 0 &&
                           LoadLE32(header + 8) == kVersion &&
                           LoadLE32(header + 20) == Checksum::Crc32(header, 20);
        if (whole) {
            TRecoveredFile files[2] = {TRecoveredFile(databasePath), TRecoveredFile(indexPath)};
            std::vector<std::string> temporaries;
            std::vector<uint8_t> bytes;
            uint8_t record[kEntryHeaderSize];
            while (in.ReadSome(record, kEntryHeaderSize) == kEntryHeaderSize) {
                const uint32_t length = LoadLE32(record + 8);
                if (length > uint32_t(in.GetSize() - in.GetPosition())) break;
                bytes.resize(length);
                if (in.ReadSome(bytes.data(), length) != length) break;
                if (LoadLE32(record + 12) !=
                    Checksum::Crc32(bytes.data(), length, Checksum::Crc32(record, 12)))
                    break; // torn: written by a Sync that never finished, so never relied on
                if (record[0] == kRegionRecord && record[1] < 2)
                    files[record[1]].Write(LoadLE32(record + 4), bytes.data(), length);
                else if (record[0] == kTemporaryFileRecord)
                    temporaries.emplace_back(bytes.begin(), bytes.end());
            }
            files[0].CutAndSync(LoadLE32(header + 12));
            files[1].CutAndSync(LoadLE32(header + 16));
            for (const std::string& name : temporaries) {
                TFilePath temporary(path.GetDirectory() + name);
                if (IsTemporaryName(name) && temporary.Exists()) temporary.Delete();
            }
        }
    }
    ThrowUnless(path.Delete(), errWriteFailed);
    ThrowIfError(Platform::SyncDirectory(path.GetDirectory()));
}

} // namespace WVEK
