#pragma once
// TCache: a write-back cache of one file; TCacheSync: commits several caches in two phases.
//
// Phase 1 (Prepare) reserves every dirty cache's file to its final length, the step that can
// fail for want of disk space; only when all succeeded does phase 2 (Write) write their
// contents, in registration order. A phase-1 failure cuts every file already resized back, so
// no file is touched. With a journal, every region a flush will overwrite is saved in it and
// made durable before phase 1. The sync remembers that a flush failed, also one that a cache
// forced on its own, so that the owner can stop using the files (and roll them back).
// The virtual operations are declared in their table order.

#include "KeyedList.h"

#include <cstdint>
#include <string>

namespace WVEK {

class TCacheSync;
class TJournal;

// Whether a commit ends by making what it wrote durable (the streams' Flush: a sync for files).
// Flushes forced by the cache limits skip it; a cache that skipped it stays dirty until a
// durable commit has synced its file, so that the final flush of a command always syncs.
enum class TDurability : uint8_t { kSkipSync, kSync };

class TCache {
public:
    TCache() = default;
    TCache(const TCache&) = delete;
    TCache& operator=(const TCache&) = delete;

    // A durable commit: Commit(release, TDurability::kSync).
    virtual uint32_t Flush(bool release);
    // The size is the subclass's unit (bytes for records, nodes for the index).
    virtual void SetCacheSize(uint32_t size) = 0;
    virtual uint32_t GetCacheSize() = 0;
    // Tells the cache that one of its items became dirty (true) or clean (false).
    virtual void MarkDirty(bool dirty) = 0;
    virtual bool IsDirty() = 0;
    virtual std::string GetName() = 0;
    // Leaves the current sync, if any, and joins `sync` (not owned) unless it is null; throws
    // when it cannot join.
    virtual void SetSync(TCacheSync* sync);
    virtual ~TCache();
    // Phase 1: size the file for the coming write (abort = false), or undo that (abort =
    // true). Returns 0 or an error code; never throws.
    virtual uint32_t Prepare(bool abort) = 0;
    // Phase 2: write what is dirty, then sync when `durability` asks for it; release asks to
    // drop memory afterwards. 0 or a code.
    virtual uint32_t Write(bool release, TDurability durability) = 0;
    // Saves in `journal` every region of the cache's file that the coming Write overwrites.
    // Throws on failure.
    virtual void JournalOverwrites(TJournal& journal) = 0;

    // Commits through the sync when there is one; alone: nothing when clean, else Prepare
    // then Write. Returns 0 or an error code.
    uint32_t Commit(bool release, TDurability durability);

private:
    TCacheSync* fSync = nullptr;
};

class TCacheSync {
public:
    TCacheSync() = default;
    TCacheSync(const TCacheSync&) = delete;
    TCacheSync& operator=(const TCacheSync&) = delete;
    // Every registered cache leaves (SetSync(null)); the caches are not destroyed.
    virtual ~TCacheSync();

    // Appends the cache (not owned); a failure is thrown, so that no cache is silently left
    // out of the flushes. Unregister removes every entry for it and never throws.
    void Register(TCache* cache);
    void Unregister(TCache* cache);

    // Journals the coming overwrites of every flush in `journal` (not owned; null: none).
    void SetJournal(TJournal* journal) { fJournal = journal; }

    // The two-phase flush of every dirty cache; returns 0 or the first error code.
    uint32_t FlushAll(bool release, TDurability durability = TDurability::kSync);
    // The code of the last flush that failed, or 0 when none has.
    uint32_t Failure() const { return fFailure; }

private:
    uint32_t Flush(bool release, TDurability durability);

    TKeyedList fCaches; // TCache* values in registration order, key 0
    TJournal* fJournal = nullptr;
    uint32_t fFailure = 0;
};

} // namespace WVEK
