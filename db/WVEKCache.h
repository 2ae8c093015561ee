#pragma once
// TWVEKCache: the database's record cache. New and changed record versions wait here, and so
// do the positions of dead versions, until the two-phase flush writes them.
//
// Held records are owned by an open-addressing table by id and written in file order. Places for new versions are handed out at the end of the file
// (Allocate) and never overlap. Every held record sits either at its old place (same length
// as on disk) or at a place from Allocate.

#include "Cache.h"
#include "DBRecord.h"
#include "HeldRecords.h"
#include "Stream.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace WVEK {

class TWVEKCache : public TCache {
public:
    // The held-bytes limit at construction (100 KiB).
    static constexpr uint32_t kDefaultLimit = 102400;

    // `stream` is the database file's stream (not owned); `name` its full path. Throws
    // errNilPointer for a null stream.
    TWVEKCache(std::string name, LStream* stream);
    // Frees every held record without writing anything; leaves the sync.
    ~TWVEKCache() override;

    bool Contains(uint32_t id) const { return fHeld.Find(id) != nullptr; }
    // The held record for id (owned by the cache), or null.
    TDBRecord* Lookup(uint32_t id) const;
    // Takes ownership of `record` and holds it under its id, counting its bytes; false (the
    // caller keeps the record) when a record is held for that id already.
    bool Hold(TDBRecord* record);
    // Frees the held record for id and marks its place obsolete; false when none is held.
    bool Drop(uint32_t id);
    // Marks the version at position (of `length` data bytes) dead at the next write.
    void MarkObsolete(uint32_t position, uint32_t length);
    // A place for a new version of `length` data bytes at the end of the file. Throws
    // errCannotGrow when the file would pass 2 GiB.
    uint32_t Allocate(uint32_t length);
    void AddHeldBytes(int32_t delta) { fHeldBytes += delta; }
    int64_t GetHeldBytes() const { return fHeldBytes; }
    // Commits without a sync (through the sync object, so the index too) when dirty and over
    // the limit; returns that commit's code (0 when none was needed).
    uint32_t Trim();

    void SetCacheSize(uint32_t bytes) override;
    uint32_t GetCacheSize() override { return fLimit; }
    void MarkDirty(bool) override {}
    // Also true while a write that skipped its sync waits for a durable commit.
    bool IsDirty() override { return !fObsolete.empty() || fHeld.Count() != 0 || fSyncPending; }
    std::string GetName() override { return fName; }
    // Reserves the file up to the append position (abort: cuts it back to the committed size);
    // returns the code of a failure (errDiskFull when the space is not there).
    uint32_t Prepare(bool abort) override;
    // Marks obsolete versions dead, writes the held records in file order (joining neighbours
    // into large writes), syncs when asked, then forgets both. On failure the file is cut
    // back, everything stays, and the code returns.
    uint32_t Write(bool release, TDurability durability) override;
    // The headers of obsolete versions in the file and the places of held records.
    void JournalOverwrites(TJournal& journal) override;

private:
    void WriteObsolete(uint32_t position, uint32_t length);
    // The held records ordered by position.
    std::vector<const TDBRecord*> HeldInFileOrder() const;
    void FreeHeld();

    std::map<uint32_t, uint32_t> fObsolete; // position -> data length, ascending
    THeldRecords fHeld;
    LStream* fStream;
    std::string fName;
    uint32_t fAppendPosition;
    uint32_t fCommittedSize;
    uint32_t fLimit = kDefaultLimit;
    int64_t fHeldBytes = 0;    // an estimate; 64 bits so that no sum of records overflows it
    bool fSyncPending = false; // written without a sync since the last durable write
};

} // namespace WVEK
