// TWVEK_DB::Compact: the live records copied into a new file with a new index, both under free
// numbered names listed in the journal, which replace the old files by renames only once they
// are complete and synced. The old database stays whole under its name until then.

#include "WVEK_DB.h"

#include "BlockReadStream.h"
#include "DBRecord.h"
#include "DatabaseFile.h"
#include "Exception.h"
#include "IndexBuilder.h"
#include "Journal.h"
#include "SupportFiles.h"
#include "TemporaryFiles.h"
#include "WVEKIterator.h"
#include "WriteBuffer.h"

namespace WVEK {

// Pending changes are committed first, so that none is lost with the old file. Whatever
// fails, the database is open again afterwards on what stands under its name.
uint32_t TWVEK_DB::Compact() {
    if (fReadOnly) return errReadOnly;
    if (!fCache || Flush(true) != 0) return errCompactFailed;
    TFilePath newPath, newIndexPath;
    std::unique_ptr<TJournal> journal;
    try {
        TemporaryDatabaseNames(GetPath(), newPath, newIndexPath);
        journal = JournalOfTemporaryFiles(GetPath(), {newPath, newIndexPath});
        WriteCompacted(newPath, newIndexPath);
        // Locked before it takes the name, so that nobody gets in between.
        std::unique_ptr<TFileLock> newLock =
            TFileLock::Acquire(newPath, TFileLock::TMode::kExclusive);
        Close();
        ReplaceDatabaseFiles(newPath, newIndexPath, GetPath(), fIndexPath);
        fLock = std::move(newLock);
        journal->Commit();
        Open(false);
        return 0;
    } catch (...) {
        DiscardTemporaryFiles(journal, {newPath, newIndexPath});
        try {
            Close();
            Open(false);
        } catch (...) {
        }
        return errCompactFailed;
    }
}

void TWVEK_DB::WriteCompacted(const TFilePath& path, const TFilePath& indexPath) {
    TFile file(path);
    std::unique_ptr<LStream> out(file.OpenStream(openWrite));
    WriteFileHeader(*out);
    TBlockReadStream in(std::unique_ptr<LStream>(OpenStream(openRead)));
    TWriteBuffer writer(*out);
    std::vector<TIndexPair> pairs;
    uint32_t end = uint32_t(kFileHeaderSize);
    TWVEKIterator records(*this, 0);
    while (records.HasMore()) {
        uint32_t position = 0;
        const uint32_t id = records.NextWithPosition(nullptr, &position);
        TDBRecord record(in, position);
        record.LoadData(in);
        record.SetPosition(end);
        record.WriteTo(writer);
        pairs.push_back({int32_t(id), end});
        end += uint32_t(kRecordHeaderSize) + record.GetLength();
    }
    writer.Flush();
    out->Flush();
    WriteIndexFile(indexPath, std::move(pairs));
}

} // namespace WVEK
