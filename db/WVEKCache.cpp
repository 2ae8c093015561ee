#include "WVEKCache.h"

#include "DatabaseFile.h"
#include "Exception.h"
#include "Journal.h"
#include "WriteBuffer.h"

#include <algorithm>

namespace WVEK {

namespace {

// The bytes a held record counts for: its cache size and 4 bytes of list entry.
int64_t HeldSize(const TDBRecord& record) {
    return int64_t(record.CacheSize()) + 4;
}

} // namespace

TWVEKCache::TWVEKCache(std::string name, LStream* stream)
    : fStream(stream), fName(std::move(name)) {
    ThrowUnless(fStream != nullptr, errNilPointer);
    fAppendPosition = fCommittedSize = uint32_t(fStream->GetSize());
}

TWVEKCache::~TWVEKCache() {
    FreeHeld();
}

void TWVEKCache::FreeHeld() {
    fHeld.Clear();
}

TDBRecord* TWVEKCache::Lookup(uint32_t id) const {
    return fHeld.Find(id);
}

bool TWVEKCache::Hold(TDBRecord* record) {
    ThrowUnless(record != nullptr, errNilPointer);
    uint32_t id = record->GetId();
    if (Contains(id)) return false;
    fHeld.MakeRoom();
    fHeldBytes += HeldSize(*record);
    fHeld.Add(std::unique_ptr<TDBRecord>(record));
    return true;
}

bool TWVEKCache::Drop(uint32_t id) {
    const std::unique_ptr<TDBRecord> record = fHeld.Take(id);
    if (!record) return false;
    fHeldBytes -= HeldSize(*record);
    MarkObsolete(record->GetPosition(), record->GetLength());
    return true;
}

void TWVEKCache::MarkObsolete(uint32_t position, uint32_t length) {
    fObsolete[position] = length;
    fHeldBytes += 8;
}

uint32_t TWVEKCache::Allocate(uint32_t length) {
    uint64_t end = uint64_t(fAppendPosition) + kRecordHeaderSize + length;
    ThrowUnless(end <= uint64_t(INT32_MAX), errCannotGrow);
    uint32_t position = fAppendPosition;
    fAppendPosition = uint32_t(end);
    return position;
}

uint32_t TWVEKCache::Trim() {
    if (!IsDirty() || fHeldBytes <= int64_t(fLimit)) return 0;
    return Commit(false, TDurability::kSkipSync);
}

void TWVEKCache::SetCacheSize(uint32_t bytes) {
    fLimit = bytes;
    Trim();
}

uint32_t TWVEKCache::Prepare(bool abort) {
    try {
        if (abort) {
            fStream->SetSize(int32_t(fCommittedSize));
        } else {
            fCommittedSize = uint32_t(fStream->GetSize());
            fStream->Reserve(int32_t(fAppendPosition));
        }
    } catch (const TTolvException& e) {
        return e.code;
    } catch (...) {
        return errWriteFailed;
    }
    return 0;
}

// Sorted on copies of the positions, so that the sort does not visit every record each time
// it compares two.
std::vector<const TDBRecord*> TWVEKCache::HeldInFileOrder() const {
    std::vector<std::pair<uint32_t, const TDBRecord*>> placed;
    placed.reserve(fHeld.Count());
    fHeld.ForEach([&](const TDBRecord& record) { placed.emplace_back(record.GetPosition(), &record); });
    std::sort(placed.begin(), placed.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<const TDBRecord*> records;
    records.reserve(placed.size());
    for (const auto& entry : placed)
        records.push_back(entry.second);
    return records;
}

void TWVEKCache::JournalOverwrites(TJournal& journal) {
    const uint32_t size = uint32_t(fStream->GetSize());
    for (const auto& [position, length] : fObsolete)
        if (position < size) journal.Protect(TJournalFile::kDatabase, *fStream, position,
                                             uint32_t(kRecordHeaderSize));
    fHeld.ForEach([&](const TDBRecord& record) {
        journal.Protect(TJournalFile::kDatabase, *fStream, record.GetPosition(),
                        record.WrittenSize());
    });
}

// A version already in the file gets the deleted bit in its own header; a place that was
// handed out but never written gets a fresh dead header (id 0, type 'b') of its length, so
// that readers step over it.
void TWVEKCache::WriteObsolete(uint32_t position, uint32_t length) {
    if (position < fCommittedSize) {
        TDBRecord record(*fStream, position);
        record.SetFlag(kFlagDeleted, true);
        record.WriteTo(*fStream, false);
    } else {
        TDBRecord record;
        record.SetPosition(position);
        record.SetData(nullptr, length);
        record.SetFlag(kFlagDeleted, true);
        record.WriteTo(*fStream, false);
    }
}

uint32_t TWVEKCache::Write(bool, TDurability durability) {
    uint32_t code = 0;
    try {
        for (const auto& [position, length] : fObsolete)
            WriteObsolete(position, length);
        TWriteBuffer out(*fStream);
        for (const TDBRecord* record : HeldInFileOrder())
            record->WriteTo(out);
        out.Flush();
        if (durability == TDurability::kSync) fStream->Flush();
    } catch (const TTolvException& e) {
        code = e.code;
    } catch (...) {
        code = errWriteFailed;
    }
    if (code != 0) {
        Prepare(true);
        return code;
    }
    fHeldBytes = 0;
    fObsolete.clear();
    FreeHeld();
    fSyncPending = durability == TDurability::kSkipSync;
    return 0;
}

} // namespace WVEK
