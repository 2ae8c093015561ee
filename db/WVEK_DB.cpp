#include "WVEK_DB.h"

#include "BlockReadStream.h"
#include "Cache.h"
#include "DBRecord.h"
#include "DatabaseFile.h"
#include "Exception.h"
#include "FileIndex.h"
#include "IndexBuilder.h"
#include "Journal.h"
#include "Platform.h"
#include "SupportFiles.h"
#include "TemporaryFiles.h"
#include "WVEKCache.h"
#include "WVEKIterator.h"

#include <cstring>
#include <vector>

namespace WVEK {

namespace {

// The caches of a writable database: large enough that a run of puts makes one flush at the
// end, or a few, instead of thousands; bounded, so that memory does not grow with the data.
constexpr uint32_t kRecordCacheBytes = 16u << 20;
// The index cache of a writable database: some 32,000 nodes, the whole index of half a million
// records; past that, memory stays flat while the index grows (measured: no slower at a
// million records, as the nodes a run of puts needs again are the recent ones).
constexpr uint32_t kWritableIndexCacheBytes = 8u << 20;
// The index cache of a read-only database: about 128,000 nodes, the whole index of two million
// records, which the random lookups of dump and compare need at hand.
constexpr uint32_t kReadOnlyIndexCacheBytes = 32u << 20;
// The block in which a read-only database reads its file.
constexpr uint32_t kReadBlockSize = 256u << 10;

// Public flag bits and the stored bits they stand for.
constexpr struct {
    uint32_t publicBit;
    uint8_t storedBit;
} kFlagMap[] = {{0x1, kFlagCompressed}, {0x2, kFlagEncrypted}, {0x4, kFlagPermanent}};

uint32_t PublicFlags(const TDBRecord& record) {
    uint32_t flags = 0;
    for (const auto& bit : kFlagMap)
        if (record.TestFlag(bit.storedBit)) flags |= bit.publicBit;
    return flags;
}

void ThrowIfError(int error) {
    if (error != 0) throw TTolvException(uint32_t(error));
}

} // namespace

// Until Install commits its journal, destroying it rolls the replacement back: the new files
// go and the target's stay (or come back) under their names.
struct TWVEK_DB::TTarget {
    explicit TTarget(const TFilePath& path) : names(path, true) {}
    ~TTarget() {
        if (journal) journal->RollBack(names.target, names.targetIndex);
    }

    TReplacement names;
    std::unique_ptr<TFileLock> lock; // on the database being replaced, when there is one
    std::unique_ptr<TJournal> journal;
};

TWVEK_DB::TWVEK_DB(const TFilePath& path, const TFilePath& indexPath, bool readOnly)
    : TFile(path), fIndexPath(indexPath), fReadOnly(readOnly) {
    Open(false);
}

TWVEK_DB::TWVEK_DB(const TFilePath& path, const TFilePath& indexPath,
                   std::unique_ptr<TTarget> target)
    : TFile(path), fTarget(std::move(target)), fIndexPath(indexPath), fReadOnly(false) {
    Open(false);
}

// The database being replaced is locked first and a journal it was left with applied, so that
// nothing of it can later be applied to the new database.
std::unique_ptr<TWVEK_DB> TWVEK_DB::CreateReplacement(const TFilePath& target) {
    std::unique_ptr<TFileLock> lock;
    if (target.Exists()) lock = TFileLock::Acquire(target, TFileLock::TMode::kExclusive);
    TJournal::Recover(JournalPath(target), target,
                      GetSupportFileName(target, TSupportFile::kIndex));
    auto destination = std::make_unique<TTarget>(target);
    destination->lock = std::move(lock);
    destination->journal = destination->names.Journal();
    const TFilePath path = destination->names.database, indexPath = destination->names.index;
    return std::unique_ptr<TWVEK_DB>(new TWVEK_DB(path, indexPath, std::move(destination)));
}

TWVEK_DB::~TWVEK_DB() {
    RollBack();
    Close();
}

// ---- Opening and closing -------------------------------------------------------------------

void TWVEK_DB::Open(bool forceRebuild) {
    try {
        LockAndRecover();
        if (fReadOnly)
            fStream = std::make_unique<TBlockReadStream>(
                std::unique_ptr<LStream>(OpenStream(openRead)), kReadBlockSize);
        else
            fStream.reset(OpenStream(openReadWrite));
        fStream->Seek(0, seekBegin);
        const int32_t size = fStream->GetSize();
        fNewIds.reset();
        if (size == 0) {
            WriteFileHeader(*fStream); // fails (errWriteFailed) when read-only
            fStream->Flush();
            fNewIds = std::make_unique<TIdFilter>();
        } else {
            ThrowUnless(size >= int32_t(kFileHeaderSize));
            uint8_t header[kFileHeaderSize];
            ReadExactly(*fStream, header, kFileHeaderSize);
            ThrowUnless(std::memcmp(header, kFileMagic, kFileMagicSize) == 0);
        }
        OpenIndex(forceRebuild);
        fCache = std::make_unique<TWVEKCache>(GetPath().GetFullPath(), fStream.get());
        if (!fReadOnly) fCache->SetCacheSize(kRecordCacheBytes);
        RegisterCache(fCache.get()); // records are written before index nodes
        RegisterCache(fIndex.get());
        StartJournal();
    } catch (...) {
        Close();
        throw;
    }
}

// A writable database whose file is missing gets it created before the lock is taken, as the
// lock is held on the file itself.
void TWVEK_DB::LockAndRecover() {
    if (!fLock) {
        if (!fReadOnly) std::unique_ptr<TWinFileStream>(OpenStream(openReadWrite)).reset();
        fLock = TFileLock::Acquire(GetPath(), fReadOnly ? TFileLock::TMode::kShared
                                                        : TFileLock::TMode::kExclusive);
    }
    const TFilePath journal = JournalPath(GetPath());
    if (!journal.Exists()) return;
    fLock->MakeExclusive(); // a reader recovers only what no writer holds
    TJournal::Recover(journal, GetPath(), fIndexPath);
}

void TWVEK_DB::Close() {
    fJournal.reset();
    fIndex.reset();
    fStream.reset();
    fCache.reset();
    fSync.reset();
}

void TWVEK_DB::RequireOpen() const {
    ThrowUnless(fCache != nullptr, errNilPointer);
    if (fFailure != 0) throw TTolvException(fFailure);
}

void TWVEK_DB::RegisterCache(TCache* cache) {
    if (!fSync) fSync = std::make_unique<TCacheSync>();
    cache->SetSync(fSync.get());
}

void TWVEK_DB::StartJournal() {
    fJournal.reset();
    if (!fReadOnly && !fTarget)
        fJournal = std::make_unique<TJournal>(JournalPath(GetPath()), uint32_t(fStream->GetSize()),
                                              fIndex->GetCommittedSize());
    fSync->SetJournal(fJournal.get());
}

void TWVEK_DB::RollBack() {
    if (fJournal) fJournal->RollBack(GetPath(), fIndexPath);
}

void TWVEK_DB::CheckFailure() {
    if (fFailure == 0 && fSync && fSync->Failure() != 0) {
        fFailure = fSync->Failure();
        RollBack();
    }
    if (fFailure != 0) throw TTolvException(fFailure);
}

// A damaged index header is an error, not a reason to rebuild; a failed rebuild is an error
// too, so that no lookup can silently miss records that are in the file. A new database (a
// replacement, or a writable one holding no record yet) starts with a new, empty index.
void TWVEK_DB::OpenIndex(bool forceRebuild) {
    auto needRebuild = [&] {
        bool empty = true;
        if (!forceRebuild && fIndexPath.Exists()) ThrowUnless(CheckIndexFile(fIndexPath, empty));
        return empty && (fReadOnly || fStream->GetSize() > int32_t(kFileHeaderSize));
    };
    if (!fTarget && needRebuild()) {
        fLock->MakeExclusive(); // a reader rebuilds only what no writer holds
        if (needRebuild()) ThrowUnless(RebuildIndex() == 0, errRebuildFailed);
    }
    fIndex = std::make_unique<TFileIndex>(fIndexPath, fReadOnly);
    fIndex->SetCacheSize(fReadOnly ? kReadOnlyIndexCacheBytes : kWritableIndexCacheBytes);
    fIndexTrusted = fIndex->GetVersion() >= 1;
}

// Written also for a read-only database, under a temporary name that replaces the index once
// complete. The first live version of an id in file order wins.
uint32_t TWVEK_DB::RebuildIndex() {
    std::unique_ptr<TJournal> journal;
    try {
        const TFilePath temporary = TemporaryName(fIndexPath);
        journal = std::make_unique<TJournal>(JournalPath(GetPath()), TJournal::kNoLength,
                                             TJournal::kNoLength);
        journal->AddTemporaryFile(temporary.GetFileName());
        journal->Sync();
        std::vector<TIndexPair> pairs;
        TWVEKIterator records(*this, 0);
        while (records.HasMore()) {
            uint32_t position = 0;
            const uint32_t id = records.NextWithPosition(nullptr, &position);
            pairs.push_back({int32_t(id), position});
        }
        WriteIndexFile(temporary, std::move(pairs));
        ThrowUnless(Platform::RenameFile(temporary.GetFullPath(), fIndexPath.GetFullPath()));
        ThrowIfError(Platform::SyncDirectory(fIndexPath.GetDirectory()));
        journal->Commit();
        return 0;
    } catch (...) {
        if (journal) journal->RollBack(GetPath(), fIndexPath);
        return errRebuildFailed;
    }
}

uint32_t TWVEK_DB::Flush(bool release) {
    if (fReadOnly) return errReadOnly;
    if (!fCache) return errNilPointer;
    if (fFailure != 0) return fFailure;
    uint32_t code = fCache->Flush(release);
    if (code == 0 && fJournal && fJournal->IsWritten()) {
        try {
            fJournal->Commit();
            StartJournal();
        } catch (const TTolvException& e) {
            code = e.code;
        }
    }
    if (code != 0) {
        fFailure = code;
        RollBack();
    }
    return code;
}

void TWVEK_DB::Install() {
    ThrowUnless(fTarget && fCache && !fCache->IsDirty() && !fIndex->IsDirty());
    Close();
    const TReplacement& names = fTarget->names;
    names.Switch();
    fTarget->journal->Commit(); // the new database counts from here
    fTarget->journal.reset();
    SetPath(names.target);
    fIndexPath = names.targetIndex;
    fTarget.reset(); // releases the old database's lock: the new one's is held already
    Open(false);
}

std::unique_ptr<TWVEK_DB::Iterator> TWVEK_DB::CreateIterator(uint32_t typeFilter) {
    RequireOpen();
    if (!fReadOnly) fCache->Commit(false, TDurability::kSkipSync);
    CheckFailure();
    return std::make_unique<TWVEKIterator>(*this, typeFilter);
}

// ---- Finding records -----------------------------------------------------------------------

std::unique_ptr<TDBRecord> TWVEK_DB::LoadIndexed(uint32_t id) {
    uint32_t position = 0;
    if (!fIndex->Find(int32_t(id), position)) return nullptr;
    auto record = std::make_unique<TDBRecord>(*fStream, position);
    // An entry that leads to another record's header is damage, not an answer.
    ThrowUnless(record->GetId() == id);
    return record;
}

bool TWVEK_DB::NeverPut(uint32_t id) const {
    return fNewIds && !fNewIds->MayHold(id);
}

TDBRecord* TWVEK_DB::FindRecord(uint32_t id, std::unique_ptr<TDBRecord>& loaded) {
    if (NeverPut(id)) return nullptr;
    if (TDBRecord* held = fCache->Lookup(id)) return held;
    loaded = LoadIndexed(id);
    if (loaded && loaded->TestFlag(kFlagDeleted)) loaded.reset();
    return loaded.get();
}

TDBRecord* TWVEK_DB::FindForChange(uint32_t id) {
    std::unique_ptr<TDBRecord> loaded;
    TDBRecord* record = FindRecord(id, loaded);
    if (loaded) {
        ThrowUnless(fCache->Hold(loaded.get())); // nothing is held for id: FindRecord looked
        loaded.release();
    }
    return record;
}

// Asks the record cache, then the index; in a trusted index an entry proves a live record.
bool TWVEK_DB::IsStored(uint32_t id) {
    if (fCache->Contains(id)) return true;
    if (fIndexTrusted) {
        uint32_t position = 0;
        return fIndex->Find(int32_t(id), position);
    }
    const std::unique_ptr<TDBRecord> indexed = LoadIndexed(id);
    return indexed && !indexed->TestFlag(kFlagDeleted);
}

bool TWVEK_DB::Exists(uint32_t id) {
    RequireOpen();
    try {
        const bool exists = !NeverPut(id) && IsStored(id);
        if (!exists) fKnownMissing = id;
        return exists;
    } catch (...) {
        CheckFailure(); // a lookup may have forced a flush that failed
        throw;
    }
}

uint8_t* TWVEK_DB::Get(uint32_t id, uint32_t* length, int* type, uint32_t* flags) {
    try {
        RequireOpen();
        std::unique_ptr<TDBRecord> loaded;
        const TDBRecord* record = FindRecord(id, loaded);
        if (!record) return nullptr;
        uint32_t size = 0;
        uint8_t* copy = record->CopyData(*fStream, &size);
        if (length) *length = size;
        if (type) *type = record->GetType();
        if (flags) *flags = PublicFlags(*record);
        return copy;
    } catch (...) {
        CheckFailure();
        return nullptr;
    }
}

uint32_t TWVEK_DB::GetFlags(uint32_t id) {
    try {
        RequireOpen();
        std::unique_ptr<TDBRecord> loaded;
        const TDBRecord* record = FindRecord(id, loaded);
        return record ? PublicFlags(*record) : 0;
    } catch (...) {
        CheckFailure();
        return 0;
    }
}

// ---- Changing records ----------------------------------------------------------------------

bool TWVEK_DB::Put(uint32_t id, const void* data, uint32_t length, uint8_t type) {
    RequireOpen();
    if (fReadOnly) return false;
    const bool missing = fKnownMissing == id;
    fKnownMissing.reset();
    try {
        if (TDBRecord* record = missing ? nullptr : FindForChange(id))
            Replace(*record, data, length);
        else
            PutNew(id, data, length, type);
        if (uint32_t code = fCache->Trim()) throw TTolvException(code);
    } catch (...) {
        CheckFailure();
        throw;
    }
    CheckFailure();
    return true;
}

// Every place handed out by Allocate must end up covered, by the record or by a dead header,
// or the file would get a hole that no reader can step over.
void TWVEK_DB::PutNew(uint32_t id, const void* data, uint32_t length, uint8_t type) {
    auto record = std::make_unique<TDBRecord>();
    record->SetId(id);
    record->SetType(type);
    record->SetData(data, length);
    const uint32_t position = fCache->Allocate(length);
    record->SetPosition(position);
    try {
        ThrowUnless(fCache->Hold(record.get()));
    } catch (...) {
        fCache->MarkObsolete(position, length);
        throw;
    }
    record.release();
    if (fNewIds) fNewIds->Add(id);
    try {
        // An index of version 0 may still name a dead version of the id: the entry moves.
        const int32_t key = int32_t(id);
        ThrowUnless(fIndex->Insert(key, position) || fIndex->Update(key, position));
    } catch (...) {
        fCache->Drop(id);
        throw;
    }
}

// Data of the same length overwrites the record in place at the next flush; any other length
// moves it to a new place and leaves the old version dead. Type and flags stay.
void TWVEK_DB::Replace(TDBRecord& record, const void* data, uint32_t length) {
    const uint32_t oldLength = record.GetLength();
    if (length == oldLength) {
        record.SetData(data, length);
        return;
    }
    const uint32_t oldPosition = record.GetPosition();
    const int32_t key = int32_t(record.GetId());
    const uint32_t position = fCache->Allocate(length); // refused at 2 GiB: nothing changed
    try {
        ThrowUnless(fIndex->Update(key, position));
        try {
            record.SetData(data, length);
        } catch (...) {
            fIndex->Update(key, oldPosition);
            throw;
        }
    } catch (...) {
        fCache->MarkObsolete(position, length);
        throw;
    }
    record.SetPosition(position);
    fCache->MarkObsolete(oldPosition, oldLength);
    fCache->AddHeldBytes(int32_t(int64_t(length) - int64_t(oldLength)));
}

void TWVEK_DB::SetFlags(uint32_t id, uint32_t flags) {
    RequireOpen();
    TDBRecord* record = nullptr;
    try {
        record = FindForChange(id);
    } catch (...) {
        CheckFailure();
        throw;
    }
    if (!record) return;
    for (const auto& bit : kFlagMap)
        record->SetFlag(bit.storedBit, (flags & bit.publicBit) != 0);
}

bool TWVEK_DB::Delete(uint32_t id, bool force) {
    if (fReadOnly) return false;
    RequireOpen();
    bool deleted = false;
    try {
        deleted = DeleteRecord(id, force);
        fCache->Trim();
    } catch (...) {
    }
    CheckFailure(); // a forced flush that failed is not a refusal: the database cannot go on
    return deleted;
}

// The index entry goes first, so that a failure there leaves the record whole. An entry that
// leads to a dead version (left by an interrupted older writer) is dropped, as the record it
// names is gone already.
bool TWVEK_DB::DeleteRecord(uint32_t id, bool force) {
    if (const TDBRecord* held = fCache->Lookup(id)) {
        if (held->TestFlag(kFlagPermanent) && !force) return false;
        fIndex->Delete(int32_t(id));
        fCache->Drop(id);
        return true;
    }
    const std::unique_ptr<TDBRecord> indexed = LoadIndexed(id);
    if (!indexed) return false;
    const bool dead = indexed->TestFlag(kFlagDeleted);
    if (!dead && indexed->TestFlag(kFlagPermanent) && !force) return false;
    fIndex->Delete(int32_t(id));
    if (!dead) fCache->MarkObsolete(indexed->GetPosition(), indexed->GetLength());
    return true;
}

} // namespace WVEK
