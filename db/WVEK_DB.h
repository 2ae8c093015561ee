#pragma once
// TWVEK_DB: a record database, the database file with its index beside it, and the record
// operations the commands use.
//
// Ownership: the database owns its file stream, its index, its record cache and the
// TCacheSync that commits both (record cache first), its lock and its journal. Changes live in
// the caches until Flush; destroying the database closes it without flushing.
// Record data handed out by Get is a malloc'ed copy that the caller frees with free().
//
// Safety (docs/JournalFormat.md): a database is locked for the whole life of the object,
// shared when read-only, exclusive when writable. Everything a writable database writes into
// its existing files is first saved in its journal, so Flush commits all changes since the
// previous Flush as one unit, however many forced flushes the caches made on the way: a crash,
// a failed write or a database destroyed without Flush leaves both files as they were before.
// A journal left by a crashed process is applied when the database is next opened. A failed
// flush rolls the files back at once, and every later change or flush fails with its code.

#include "File.h"
#include "FileLock.h"
#include "FilePath.h"
#include "IdFilter.h"
#include "RecordIterator.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace WVEK {

class TCache;
class TCacheSync;
class TDBRecord;
class TFileIndex;
class TJournal;
class TWVEKCache;

class TWVEK_DB : public TFile {
public:
    using Iterator = TRecordIterator;

    // Opens the database at `path` with its index at `indexPath` (writable: the file is created
    // when missing, and an empty file gets its header). Throws errDatabaseInUse when another
    // process holds a lock that conflicts, the errno value when the file cannot be opened,
    // errAssert for a wrong magic or a damaged index header, errRebuildFailed when a missing or
    // empty index cannot be rebuilt.
    TWVEK_DB(const TFilePath& path, const TFilePath& indexPath, bool readOnly);
    // A new, empty, writable database built under temporary names beside `target`, which
    // Install later puts in the target's place; until then the target (locked, when it exists)
    // stays as it was. Destroyed without Install, it deletes its files.
    static std::unique_ptr<TWVEK_DB> CreateReplacement(const TFilePath& target);
    // Close(); a journal not committed rolls the files back; an uninstalled replacement
    // deletes its files.
    ~TWVEK_DB() override;

    // Commits records and index together, syncing both files. errReadOnly when read-only;
    // otherwise 0 or the code of the failure (the files are then as before the first change
    // since the last Flush).
    uint32_t Flush(bool release);
    // Puts a replacement (flushed) in its target's place: its files take the target's names
    // (the old index goes first, so that every instant leaves a database whose index is right
    // or missing) and the target's ".age" file goes. Throws on failure.
    void Install();

    // Whether a live record `id` exists. Throws on a damaged index or file.
    bool Exists(uint32_t id);
    using TFile::Exists; // Exists(): whether the database file exists
    // A copy of the live record's data (non-null also for 0 bytes), its length, type and, when
    // asked, its public flag word (as GetFlags); null when there is none or on any failure.
    uint8_t* Get(uint32_t id, uint32_t* length, int* type, uint32_t* flags = nullptr);
    // Adds record `id` (type `type`, flags 0) or replaces the data of the existing one, whose
    // type and flags stay. False when read-only; throws on failure.
    bool Put(uint32_t id, const void* data, uint32_t length, uint8_t type);
    // The public flag word (0x1 compressed, 0x2 encrypted, 0x4 permanent); 0 when there is no
    // live record or on any failure.
    uint32_t GetFlags(uint32_t id);
    // Sets the three public flags of a live record (in memory only when read-only); nothing
    // for a missing one. Throws on failure.
    void SetFlags(uint32_t id, uint32_t flags);
    // Deletes a live record; a permanent one only with `force`. An index entry that leads to a
    // dead version is dropped (true). False when read-only, when there is none, when refused,
    // or on a damaged file; a failed forced flush is thrown.
    bool Delete(uint32_t id, bool force);

    // Commits pending changes (without a sync) so that the iterator, which reads the file,
    // sees them; then a new iterator over the live records of type `typeFilter` (0: all).
    std::unique_ptr<Iterator> CreateIterator(uint32_t typeFilter);

    // Rewrites the file with only its live records, in file order, into a new file with a new
    // index, which replace the old ones only when complete and synced. Returns 0, errReadOnly,
    // or errCompactFailed with the old database left under its name.
    uint32_t Compact();

    bool IsReadOnly() const { return fReadOnly; }
    // The code of the flush that failed (the files were then rolled back), or 0.
    uint32_t Failure() const { return fFailure; }
    // Whether an index entry proves a live record (index version 1 or more).
    bool IsIndexTrusted() const { return fIndexTrusted; }

private:
    // Where a replacement goes (CreateReplacement): the target's paths and lock, and the
    // journal that lists the replacement's files until Install.
    struct TTarget;

    TWVEK_DB(const TFilePath& path, const TFilePath& indexPath, std::unique_ptr<TTarget> target);
    void Open(bool forceRebuild);
    void Close();
    // Takes the lock (unless held), then applies a journal a crashed process left.
    void LockAndRecover();
    void OpenIndex(bool forceRebuild);
    uint32_t RebuildIndex();
    void RegisterCache(TCache* cache);
    // A journal for the next unit of changes, taking the files' lengths now; none for a
    // read-only database or a replacement (whose files are not in use under their names).
    void StartJournal();
    // Throws errNilPointer when the database is closed (a reopening after Compact failed), and
    // the failure's code when a flush has failed.
    void RequireOpen() const;
    // After an operation: when a forced flush failed on the way, rolls the files back and
    // throws its code.
    void CheckFailure();
    // Applies the uncommitted journal, if any, so that the files are as at its start.
    void RollBack();

    // True when the database started empty and id was certainly never put (fNewIds).
    bool NeverPut(uint32_t id) const;
    // Whether a live record id exists, by the record cache and the index (not fNewIds).
    bool IsStored(uint32_t id);
    // The header of the version the index names for id, loaded without data; null when the
    // index has no entry. Throws errAssert when the header there belongs to another id.
    std::unique_ptr<TDBRecord> LoadIndexed(uint32_t id);
    // The held record for id; else the live version the index names, loaded into `loaded`;
    // null when there is neither. Throws on damage.
    TDBRecord* FindRecord(uint32_t id, std::unique_ptr<TDBRecord>& loaded);
    // FindRecord, holding a loaded version in the cache so that it can be changed.
    TDBRecord* FindForChange(uint32_t id);
    void PutNew(uint32_t id, const void* data, uint32_t length, uint8_t type);
    void Replace(TDBRecord& record, const void* data, uint32_t length);
    // Delete's work; false when nothing was deleted.
    bool DeleteRecord(uint32_t id, bool force);

    // Writes the live records, in file order, behind a fresh header into a new file at `path`
    // and its index at `indexPath`, both synced (DBCompact.cpp).
    void WriteCompacted(const TFilePath& path, const TFilePath& indexPath);

    std::unique_ptr<TFileLock> fLock;
    std::unique_ptr<TFileIndex> fIndex;
    std::unique_ptr<LStream> fStream;
    std::unique_ptr<TWVEKCache> fCache;
    std::unique_ptr<TCacheSync> fSync;
    std::unique_ptr<TJournal> fJournal;
    std::unique_ptr<TTarget> fTarget;
    TFilePath fIndexPath;
    bool fReadOnly;
    bool fIndexTrusted = false;
    // The ids put since the file was created empty; none for a database that was not.
    std::unique_ptr<TIdFilter> fNewIds;
    // The id that Exists last found missing: a Put of it right after (how a compiler asks and
    // then stores) need not search again. Only Put adds records, and it clears this.
    std::optional<uint32_t> fKnownMissing;
    uint32_t fFailure = 0; // the code of a failed flush, after which the files were rolled back
};

} // namespace WVEK
