#include "Journal.h"

#include "BlockReadStream.h"
#include "ByteOrder.h"
#include "Checksum.h"
#include "DatabaseFile.h"
#include "Exception.h"
#include "File.h"
#include "Platform.h"
#include "SupportFiles.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace WVEK {

namespace {

// The header: magic, version, state, the two original lengths, CRC-32 of the 24 bytes before
// it.
constexpr char kMagic[8] = {'V', 'E', 'K', 'J', 'R', 'N', 'L', 0};
constexpr uint32_t kVersion = 1;
constexpr uint32_t kActive = 0;    // the change it describes may be half done: undo it
constexpr uint32_t kCommitted = 1; // the change is complete: only files to delete remain
constexpr uint32_t kHeaderSize = 28;
constexpr uint32_t kStateOffset = 12;
constexpr uint32_t kCrcOffset = 24;
// A record: kind, file, 2 reserved bytes, offset, length n, CRC-32 of the 12 bytes before it
// and the n bytes that follow.
constexpr uint32_t kEntryHeaderSize = 16;
constexpr uint8_t kRegionRecord = 'R';
constexpr uint8_t kTemporaryFileRecord = 'T';
constexpr uint8_t kBackupRecord = 'B'; // the backup name, a 0 byte, the target name

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

void DeleteIfExists(const TFilePath& path) {
    if (path.Exists()) path.Delete();
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

// What a journal file holds, as far as it is whole.
struct TJournalContents {
    bool whole = false; // the header is whole (its fields mean nothing when it is not)
    uint32_t state = kActive;
    uint32_t lengths[2] = {};
    struct TRegion {
        uint8_t file;
        uint32_t offset;
        std::vector<uint8_t> bytes;
    };
    std::vector<TRegion> regions;
    std::vector<std::string> temporaries;
    std::vector<std::pair<std::string, std::string>> backups; // backup, target
};

// Reads the journal at `path` up to its first torn record.
TJournalContents ReadJournal(const TFilePath& path) {
    TJournalContents contents;
    TFile file(path);
    TBlockReadStream in(std::unique_ptr<LStream>(file.OpenStream(openRead)));
    uint8_t header[kHeaderSize];
    if (in.ReadSome(header, kHeaderSize) != kHeaderSize) return contents;
    contents.whole = std::memcmp(header, kMagic, sizeof kMagic) == 0 &&
                     LoadLE32(header + 8) == kVersion &&
                     LoadLE32(header + kCrcOffset) == Checksum::Crc32(header, kCrcOffset);
    contents.state = LoadLE32(header + kStateOffset);
    contents.lengths[0] = LoadLE32(header + 16);
    contents.lengths[1] = LoadLE32(header + 20);
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
        const std::string text(bytes.begin(), bytes.end());
        if (record[0] == kRegionRecord && record[1] < 2)
            contents.regions.push_back({record[1], LoadLE32(record + 4), bytes});
        else if (record[0] == kTemporaryFileRecord)
            contents.temporaries.push_back(text);
        else if (record[0] == kBackupRecord && text.find('\0') != std::string::npos)
            contents.backups.emplace_back(text.substr(0, text.find('\0')),
                                          text.substr(text.find('\0') + 1));
    }
    return contents;
}

// Undoes an in-place change: the saved regions go back and both files are cut to their
// lengths, then synced.
void RestoreRegions(const TJournalContents& contents, const TFilePath& databasePath,
                    const TFilePath& indexPath) {
    if (contents.regions.empty() && contents.lengths[0] == TJournal::kNoLength &&
        contents.lengths[1] == TJournal::kNoLength)
        return; // a replacement's journal: neither file is touched
    TRecoveredFile files[2] = {TRecoveredFile(databasePath), TRecoveredFile(indexPath)};
    for (const TJournalContents::TRegion& region : contents.regions)
        files[region.file].Write(region.offset, region.bytes.data(), uint32_t(region.bytes.size()));
    files[0].CutAndSync(contents.lengths[0]);
    files[1].CutAndSync(contents.lengths[1]);
}

// Undoes a replacement: every old file goes back under its name (a target without a backup
// had no old file, so what stands there goes). Only the database's own names are targets, so
// that a damaged journal cannot rename anything else.
void RestoreBackups(const TJournalContents& contents, const TFilePath& databasePath,
                    const TFilePath& indexPath) {
    const std::string directory = databasePath.GetDirectory();
    const std::string targets[] = {
        databasePath.GetFileName(), indexPath.GetFileName(),
        GetSupportFileName(databasePath, TSupportFile::kAge).GetFileName()};
    for (const auto& [backup, target] : contents.backups) {
        if (std::find(std::begin(targets), std::end(targets), target) == std::end(targets)) continue;
        const TFilePath from(directory + backup), to(directory + target);
        if (backup.empty()) {
            DeleteIfExists(to);
        } else if (IsTemporaryName(backup) && from.Exists()) {
            ThrowUnless(Platform::RenameFile(from.GetFullPath(), to.GetFullPath()));
            DeleteIfExists(from); // a rename between two names of one file changes nothing
        }
    }
}

} // namespace

TJournal::TJournal(TFilePath path, uint32_t databaseLength, uint32_t indexLength)
    : fPath(std::move(path)), fDatabaseLength(databaseLength), fIndexLength(indexLength) {}

TJournal::~TJournal() {
    Close();
}

void TJournal::Close() {
    fStream.reset(); // before the file it was opened on
    fFile.reset();
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
    fFilesToDelete.push_back(name);
}

void TJournal::AddBackup(const std::string& backup, const std::string& target) {
    ThrowUnless((backup.empty() || IsTemporaryName(backup)) && !target.empty() &&
                target.find('/') == std::string::npos);
    const std::string text = backup + '\0' + target;
    AddRecord(kBackupRecord, 0, 0, reinterpret_cast<const uint8_t*>(text.data()),
              uint32_t(text.size()));
    if (!backup.empty()) fFilesToDelete.push_back(backup);
}

void TJournal::WriteHeader(uint32_t state) {
    uint8_t header[kHeaderSize];
    std::memcpy(header, kMagic, sizeof kMagic);
    StoreLE32(header + 8, kVersion);
    StoreLE32(header + kStateOffset, state);
    StoreLE32(header + 16, fDatabaseLength);
    StoreLE32(header + 20, fIndexLength);
    StoreLE32(header + kCrcOffset, Checksum::Crc32(header, kCrcOffset));
    fStream->Seek(0, seekBegin);
    fStream->WriteOrThrow(header, kHeaderSize);
}

void TJournal::Sync() {
    const bool first = fStream == nullptr;
    if (!first && fPending.empty()) return;
    if (first) {
        fFile = std::make_unique<TFile>(fPath);
        fStream.reset(fFile->OpenStream(openWrite));
        WriteHeader(kActive);
        fEnd = kHeaderSize;
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
    try {
        WriteHeader(kCommitted);
        fStream->Flush();
    } catch (...) {
        try { // the commit did not happen: the journal must say so, for the rollback
            WriteHeader(kActive);
            fStream->Flush();
        } catch (...) {
        }
        throw;
    }
    Close();
    // A file that cannot be deleted now keeps the committed journal, which names it for the
    // next opening to delete.
    const std::string directory = fPath.GetDirectory();
    bool deleted = true;
    for (const std::string& name : fFilesToDelete) {
        const TFilePath file(directory + name);
        if (file.Exists() && !file.Delete()) deleted = false;
    }
    if (deleted) fPath.Delete();
}

void TJournal::RollBack(const TFilePath& databasePath, const TFilePath& indexPath) {
    if (!fStream) return;
    Close();
    try {
        Recover(fPath, databasePath, indexPath);
    } catch (...) {
        // The journal stays; the next opening applies it.
    }
}

// A header that is not whole was torn while it was written: at the creation of the journal,
// before anything it describes had happened, or at the commit, after all of it had. Either
// way nothing is undone; the files it names that exist are what a commit leaves to delete.
void TJournal::Recover(const TFilePath& path, const TFilePath& databasePath,
                       const TFilePath& indexPath) {
    if (!path.Exists()) return;
    const TJournalContents contents = ReadJournal(path);
    if (contents.whole && contents.state != kCommitted) {
        RestoreRegions(contents, databasePath, indexPath);
        RestoreBackups(contents, databasePath, indexPath);
    }
    const std::string directory = path.GetDirectory();
    for (const std::string& name : contents.temporaries)
        if (IsTemporaryName(name)) DeleteIfExists(TFilePath(directory + name));
    for (const auto& [backup, target] : contents.backups) // left only after a commit
        if (IsTemporaryName(backup)) DeleteIfExists(TFilePath(directory + backup));
    ThrowUnless(path.Delete(), errWriteFailed);
    ThrowIfError(Platform::SyncDirectory(path.GetDirectory()));
}

} // namespace WVEK
