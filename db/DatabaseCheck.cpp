#include "DatabaseCheck.h"

#include "BlockReadStream.h"
#include "ByteOrder.h"
#include "DatabaseFile.h"
#include "Exception.h"
#include "File.h"
#include "FileIndex.h"
#include "FileLock.h"
#include "IndexFormat.h"
#include "NodeCache.h"
#include "SupportFiles.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

namespace WVEK {

namespace {

// Enough node cache for the whole index of some four million records, so that the walk of the
// entries after Check reads no node a second time; bounded, so that a huge index cannot take
// all memory (beyond it nodes are only read again).
constexpr uint32_t kNodeCacheBytes = 64u << 20;

// A record header found by the walk, or an index entry. Ids are kept signed, as the index
// orders them.
struct TPlace {
    int32_t id;
    uint32_t position;
};

bool ByIdThenPosition(const TPlace& a, const TPlace& b) {
    return a.id != b.id ? a.id < b.id : a.position < b.position;
}

// The entries of a checked tree in key order (Check bounds its depth and rules out cycles).
void CollectEntries(TFileIndex& index, uint32_t number, std::vector<TPlace>& entries) {
    if (number == IndexFormat::kNone) return;
    const TNodeRef ref(index, number);
    const TNodeView node = ref.View();
    for (uint32_t slot = 0; slot <= node.Count(); ++slot) {
        if (!node.IsLeaf()) CollectEntries(index, node.Child(slot), entries);
        if (slot < node.Count()) entries.push_back({node.Key(slot), node.Value(slot)});
    }
}

class TDatabaseChecker {
public:
    explicit TDatabaseChecker(const TFilePath& path) : fPath(path) {}
    TDatabaseCheck Run();

private:
    void Add(TFindingKind kind, uint32_t id = 0, uint32_t offset = 0, uint32_t value = 0) {
        fResult.findings.push_back({kind, id, offset, value});
    }
    void WalkFile();
    // Checks the record header at `offset` and moves past its data; false (with a finding)
    // when the walk cannot go on.
    bool StepOver(LStream& stream, int64_t& offset);
    void FindLiveTwice();
    void CheckIndex();
    // Whether the header of the index is sound, with a finding when it is not.
    bool CheckIndexHeader(const TFilePath& indexPath);
    void CompareWithIndex(const std::vector<TPlace>& entries, bool deadVersionsAreDamage);
    // An entry for `entry.id`, whose live versions are fLive[first, end) (none when equal).
    void JudgeEntry(const TPlace& entry, size_t first, size_t end, bool deadVersionsAreDamage);

    TFilePath fPath;
    TDatabaseCheck fResult;
    std::vector<TPlace> fLive; // live headers, sorted by id after the walk
    std::vector<TPlace> fDead; // deleted headers, in file order
    // Where a stopped walk stopped: index entries at or beyond it cannot be judged.
    int64_t fUnwalked = std::numeric_limits<int64_t>::max();
};

TDatabaseCheck TDatabaseChecker::Run() {
    const std::unique_ptr<TFileLock> lock = TFileLock::Acquire(fPath, TFileLock::TMode::kShared);
    if (GetSupportFileName(fPath, TSupportFile::kJournal).Exists()) Add(TFindingKind::kJournal);
    WalkFile();
    fResult.liveRecords = uint32_t(fLive.size());
    std::sort(fLive.begin(), fLive.end(), ByIdThenPosition);
    FindLiveTwice();
    CheckIndex();
    return std::move(fResult);
}

// The file is read once, front to back, in large blocks; data bytes are skipped, not read.
void TDatabaseChecker::WalkFile() {
    TFile file(fPath);
    TBlockReadStream stream{std::unique_ptr<LStream>(file.OpenStream(openRead))};
    const int64_t size = stream.GetSize();
    fResult.fileSize = uint32_t(size);
    if (size == 0) return; // an empty database
    uint8_t header[kFileHeaderSize] = {};
    uint32_t count = kFileHeaderSize;
    if (stream.Read(header, count) != 0 || count < kFileHeaderSize ||
        std::memcmp(header, kFileMagic, kFileMagicSize) != 0) {
        Add(TFindingKind::kFileHeader);
        fUnwalked = 0;
        return;
    }
    for (int64_t offset = kFileHeaderSize; offset < size;) {
        if (!StepOver(stream, offset)) {
            fUnwalked = offset;
            return;
        }
    }
}

bool TDatabaseChecker::StepOver(LStream& stream, int64_t& offset) {
    const uint32_t at = uint32_t(offset);
    if (offset + int64_t(kRecordHeaderSize) > stream.GetSize()) {
        Add(TFindingKind::kHeaderCutShort, 0, at);
        return false;
    }
    uint8_t header[kRecordHeaderSize];
    stream.Seek(int32_t(at), seekBegin);
    ReadExactly(stream, header, kRecordHeaderSize);
    if (LoadLE32(header + kRecordMagicOffset) != kRecordMagic) {
        Add(TFindingKind::kRecordMagic, 0, at);
        return false;
    }
    const uint32_t position = LoadLE32(header + kRecordPositionOffset);
    if (position != at) {
        Add(TFindingKind::kRecordPosition, 0, at, position);
        return false;
    }
    const uint32_t id = LoadLE32(header + kRecordIdOffset);
    const uint32_t length = LoadLE32(header + kRecordLengthOffset);
    const int64_t end = offset + int64_t(kRecordHeaderSize) + length;
    if (end > stream.GetSize()) {
        Add(TFindingKind::kDataPastEnd, id, at, length);
        return false;
    }
    const bool deleted = (header[kRecordFlagsOffset] & kFlagDeleted) != 0;
    (deleted ? fDead : fLive).push_back({int32_t(id), at});
    offset = end;
    return true;
}

void TDatabaseChecker::FindLiveTwice() {
    for (size_t i = 1; i < fLive.size(); ++i)
        if (fLive[i].id == fLive[i - 1].id)
            Add(TFindingKind::kLiveTwice, uint32_t(fLive[i].id), fLive[i - 1].position,
                fLive[i].position);
}

// A missing or empty index is what the engine rebuilds on opening; an index whose header or
// tree is damaged is an error there, so its entries are not judged.
void TDatabaseChecker::CheckIndex() {
    const TFilePath indexPath = GetSupportFileName(fPath, TSupportFile::kIndex);
    if (!CheckIndexHeader(indexPath)) return;
    TFileIndex index(indexPath, true);
    index.SetCacheSize(uint32_t(std::min<uint64_t>(
        uint64_t(index.GetNodeCount()) * TFileIndex::kBytesPerCachedNode, kNodeCacheBytes)));
    bool sound = false;
    try {
        sound = index.Check();
    } catch (const TTolvException& failure) {
        if (failure.code != errAssert) throw; // a child number beyond the file, a bad count
    }
    if (!sound) {
        Add(TFindingKind::kIndexTree);
        return;
    }
    std::vector<TPlace> entries;
    CollectEntries(index, index.GetRoot(), entries);
    CompareWithIndex(entries, index.GetVersion() >= IndexFormat::kCurrentVersion);
}

bool TDatabaseChecker::CheckIndexHeader(const TFilePath& indexPath) {
    if (!indexPath.Exists()) {
        Add(TFindingKind::kIndexMissing);
        return false;
    }
    TFile file(indexPath);
    const std::unique_ptr<LStream> stream(file.OpenStream(openRead));
    if (stream->GetSize() == 0) { // a new, empty index: sound while no record is live
        if (!fLive.empty()) Add(TFindingKind::kIndexEmpty);
        return false;
    }
    uint8_t header[IndexFormat::kHeaderSize] = {};
    uint32_t count = IndexFormat::kHeaderSize;
    if (stream->Read(header, count) != 0 || count < IndexFormat::kHeaderSize ||
        std::memcmp(header, IndexFormat::kMagic, IndexFormat::kMagicSize) != 0) {
        Add(TFindingKind::kIndexHeader);
        return false;
    }
    int32_t version = 0;
    uint32_t root = 0;
    stream->Seek(0, seekBegin);
    if (!ReadIndexHeader(*stream, version, root)) {
        Add(TFindingKind::kIndexVersion);
        return false;
    }
    return true;
}

// Both lists are sorted by id; the entries hold each id once (the tree was checked).
void TDatabaseChecker::CompareWithIndex(const std::vector<TPlace>& entries,
                                        bool deadVersionsAreDamage) {
    size_t e = 0;
    for (size_t first = 0; first < fLive.size();) {
        const int32_t id = fLive[first].id;
        size_t end = first;
        while (end < fLive.size() && fLive[end].id == id)
            ++end;
        for (; e < entries.size() && entries[e].id < id; ++e)
            JudgeEntry(entries[e], first, first, deadVersionsAreDamage);
        if (e < entries.size() && entries[e].id == id)
            JudgeEntry(entries[e++], first, end, deadVersionsAreDamage);
        else
            Add(TFindingKind::kNotIndexed, uint32_t(id), fLive[first].position);
        first = end;
    }
    for (; e < entries.size(); ++e)
        JudgeEntry(entries[e], fLive.size(), fLive.size(), deadVersionsAreDamage);
}

// An index of version 0 may name a deleted version of a record that has none live: the engine
// checks the deleted bit before it believes such an index.
void TDatabaseChecker::JudgeEntry(const TPlace& entry, size_t first, size_t end,
                                  bool deadVersionsAreDamage) {
    if (entry.position >= fUnwalked) return;
    const uint32_t id = uint32_t(entry.id);
    for (size_t i = first; i < end; ++i)
        if (fLive[i].position == entry.position) return;
    if (first < end) {
        Add(TFindingKind::kIndexMoved, id, entry.position, fLive[first].position);
        return;
    }
    const auto dead = std::lower_bound(
        fDead.begin(), fDead.end(), entry.position,
        [](const TPlace& place, uint32_t position) { return place.position < position; });
    if (dead == fDead.end() || dead->position != entry.position || dead->id != entry.id)
        Add(TFindingKind::kIndexNoHeader, id, entry.position);
    else if (deadVersionsAreDamage)
        Add(TFindingKind::kIndexDeadVersion, id, entry.position);
}

} // namespace

TDatabaseCheck CheckDatabase(const TFilePath& path) {
    return TDatabaseChecker(path).Run();
}

} // namespace WVEK
