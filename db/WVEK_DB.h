#pragma once
// TWVEK_DB: a record database, the database file with its index beside it, and the record
// operations the commands use.
//
// Ownership: the database owns its file stream, its index, its record cache and the
// TCacheSync that commits both (record cache first). Changes live in the caches until Flush;
// destroying the database closes it without flushing. Record data handed out by Get is a
// malloc'ed copy that the caller frees with free().

#include "File.h"
#include "FilePath.h"
#include "RecordIterator.h"

#include <cstdint>
#include <memory>

namespace WVEK {

class TCache;
class TCacheSync;
class TDBRecord;
class TFileIndex;
class TWVEKCache;

class TWVEK_DB : public TFile {
public:
    using Iterator = TRecordIterator;

    // Opens the database at `path` with its index at `indexPath` (writable: the file is created
    // when missing, and an empty file gets its header). Throws the errno value when the file
    // cannot be opened, errAssert for a wrong magic or a damaged index header, errRebuildFailed
    // when a missing or empty index cannot be rebuilt.
    TWVEK_DB(const TFilePath& path, const TFilePath& indexPath, bool readOnly);
    // Close(): unflushed changes are lost.
    ~TWVEK_DB() override;

    // Commits records and index together, syncing both files. errReadOnly when read-only;
    // otherwise 0 or the code of the failed phase (the files then stay as they were).
    uint32_t Flush(bool release);

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
    // Deletes a live record; a permanent one only with `force`. False when read-only, when
    // there is none, when refused, or on failure.
    bool Delete(uint32_t id, bool force);

    // Commits pending changes (without a sync) so that the iterator, which reads the file,
    // sees them; then a new iterator over the live records of type `typeFilter` (0: all).
    std::unique_ptr<Iterator> CreateIterator(uint32_t typeFilter);

    // Rewrites the file with only its live records, in file order, and rebuilds the index.
    // Returns 0, errReadOnly, or errCompactFailed with the old database restored under its
    // name (left closed only when even the restored file cannot be opened again).
    uint32_t Compact();

    bool IsReadOnly() const { return fReadOnly; }
    // Whether an index entry proves a live record (index version 1 or more).
    bool IsIndexTrusted() const { return fIndexTrusted; }

private:
    void Open(bool forceRebuild);
    void Close();
    void OpenIndex(bool forceRebuild);
    uint32_t RebuildIndex();
    void RegisterCache(TCache* cache);
    // Throws errNilPointer when the database is closed (a reopening after Compact failed).
    void RequireOpen() const;

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

    // How far a compaction got: which file stands under which name (DBCompact.cpp).
    enum class TCompactStage { kStarted, kWriting, kClosed, kMovedAside, kReplaced };
    // Writes the live records, in file order, behind a fresh header into a new file at `path`,
    // sized to fit and synced.
    void WriteCompacted(const TFilePath& path);
    // Puts the old file back under the database's name and reopens it; the new file at
    // `newPath` (or already under the database's name) is deleted.
    void RestoreAfterFailedCompact(TCompactStage stage, const TFilePath& newPath,
                                   const TFilePath& oldPath);

    std::unique_ptr<TFileIndex> fIndex;
    std::unique_ptr<TWinFileStream> fStream;
    std::unique_ptr<TWVEKCache> fCache;
    std::unique_ptr<TCacheSync> fSync;
    TFilePath fIndexPath;
    bool fReadOnly;
    bool fIndexTrusted = false;
};

} // namespace WVEK
