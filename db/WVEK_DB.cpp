#include "WVEK_DB.h"

#include "Cache.h"
#include "DBRecord.h"
#include "DatabaseFile.h"
#include "Exception.h"
#include "FileIndex.h"
#include "WVEKCache.h"
#include "WVEKIterator.h"

#include <cstring>

namespace WVEK {

namespace {

// The node cache of an index being rebuilt: 0x40000 bytes, about 1000 nodes.
constexpr uint32_t kRebuildCacheBytes = 0x40000;
// The node cache of a read-only database: 4 MiB, about 16,000 nodes (the index of a quarter of
// a million records). A read-only index never writes, so the size of its cache cannot change
// a byte of either file; it only spares the reads of nodes looked up again and again.
constexpr uint32_t kReadOnlyCacheBytes = 0x400000;

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

} // namespace

TWVEK_DB::TWVEK_DB(const TFilePath& path, const TFilePath& indexPath, bool readOnly)
    : TFile(path), fIndexPath(indexPath), fReadOnly(readOnly) {
    Open(false);
}

TWVEK_DB::~TWVEK_DB() {
    Close();
}

// ---- Opening and closing -------------------------------------------------------------------

void TWVEK_DB::Open(bool forceRebuild) {
    try {
        fStream.reset(OpenStream(fReadOnly ? openRead : openReadWrite));
        fStream->Seek(0, seekBegin);
        const int32_t size = fStream->GetSize();
        if (size == 0) {
            WriteFileHeader(*fStream); // fails (errWriteFailed) when read-only
            fStream->Flush();
        } else {
            ThrowUnless(size >= int32_t(kFileHeaderSize));
            uint8_t header[kFileHeaderSize];
            ReadExactly(*fStream, header, kFileHeaderSize);
            ThrowUnless(std::memcmp(header, kFileMagic, kFileMagicSize) == 0);
        }
        OpenIndex(forceRebuild);
        fCache = std::make_unique<TWVEKCache>(GetPath().GetFullPath(), fStream.get());
        RegisterCache(fCache.get()); // records are written before index nodes
        RegisterCache(fIndex.get());
    } catch (...) {
        Close();
        throw;
    }
}

void TWVEK_DB::Close() {
    fIndex.reset();
    fStream.reset();
    fCache.reset();
    fSync.reset();
}

void TWVEK_DB::RequireOpen() const {
    ThrowUnless(fCache != nullptr, errNilPointer);
}

void TWVEK_DB::RegisterCache(TCache* cache) {
    if (!fSync) fSync = std::make_unique<TCacheSync>();
    cache->SetSync(fSync.get());
}

// A damaged index header is an error, not a reason to rebuild; a failed rebuild is an error
// too, so that no lookup can silently miss records that are in the file.
void TWVEK_DB::OpenIndex(bool forceRebuild) {
    bool needRebuild = true;
    if (!forceRebuild && fIndexPath.Exists()) ThrowUnless(CheckIndexFile(fIndexPath, needRebuild));
    if (needRebuild) ThrowUnless(RebuildIndex() == 0, errRebuildFailed);
    fIndex = std::make_unique<TFileIndex>(fIndexPath, fReadOnly);
    if (fReadOnly) fIndex->SetCacheSize(kReadOnlyCacheBytes);
    fIndexTrusted = fIndex->GetVersion() >= 1;
}

// Written also for a read-only database. The first live version of an id in file order wins:
// Insert refuses a later one.
uint32_t TWVEK_DB::RebuildIndex() {
    try {
        TWVEKIterator records(*this, 0);
        if (fIndexPath.Exists()) ThrowUnless(fIndexPath.Delete());
        TFileIndex index(fIndexPath, false);
        index.SetCacheSize(kRebuildCacheBytes);
        while (records.HasMore()) {
            uint32_t position = 0;
            const uint32_t id = records.NextWithPosition(nullptr, &position);
            index.Insert(int32_t(id), position);
        }
        if (uint32_t code = index.Flush(true)) throw TTolvException(code);
        return 0;
    } catch (...) {
        fIndexPath.Delete();
        return errRebuildFailed;
    }
}

uint32_t TWVEK_DB::Flush(bool release) {
    if (fReadOnly) return errReadOnly;
    if (!fCache) return errNilPointer;
    return fCache->Flush(release);
}

std::unique_ptr<TWVEK_DB::Iterator> TWVEK_DB::CreateIterator(uint32_t typeFilter) {
    RequireOpen();
    if (!fReadOnly) fCache->Commit(false, TDurability::kSkipSync); // its code is not looked at
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

TDBRecord* TWVEK_DB::FindRecord(uint32_t id, std::unique_ptr<TDBRecord>& loaded) {
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

bool TWVEK_DB::Exists(uint32_t id) {
    RequireOpen();
    if (fCache->Contains(id)) return true;
    if (fIndexTrusted) {
        uint32_t position = 0;
        return fIndex->Find(int32_t(id), position);
    }
    const std::unique_ptr<TDBRecord> indexed = LoadIndexed(id);
    return indexed && !indexed->TestFlag(kFlagDeleted);
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
        return 0;
    }
}

// ---- Changing records ----------------------------------------------------------------------

bool TWVEK_DB::Put(uint32_t id, const void* data, uint32_t length, uint8_t type) {
    RequireOpen();
    if (fReadOnly) return false;
    if (TDBRecord* record = FindForChange(id))
        Replace(*record, data, length);
    else
        PutNew(id, data, length, type);
    fCache->Trim();
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
    TDBRecord* record = FindForChange(id);
    if (!record) return;
    for (const auto& bit : kFlagMap)
        record->SetFlag(bit.storedBit, (flags & bit.publicBit) != 0);
}

// The index entry goes first, so that a failure there leaves the record whole.
bool TWVEK_DB::Delete(uint32_t id, bool force) {
    if (fReadOnly) return false;
    bool deleted = false;
    try {
        RequireOpen();
        std::unique_ptr<TDBRecord> loaded;
        const TDBRecord* record = FindRecord(id, loaded);
        if (record && (force || !record->TestFlag(kFlagPermanent))) {
            fIndex->Delete(int32_t(id));
            if (loaded)
                fCache->MarkObsolete(loaded->GetPosition(), loaded->GetLength());
            else
                fCache->Drop(id);
            deleted = true;
        }
        fCache->Trim();
    } catch (...) {
    }
    return deleted;
}

} // namespace WVEK
