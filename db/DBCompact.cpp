// TWVEK_DB::Compact: the database rewritten into a new file under a free numbered name, which
// then takes the database's name while the old file waits under a second numbered name until
// the new one has been opened.

#include "WVEK_DB.h"

#include "DBRecord.h"
#include "DatabaseFile.h"
#include "Exception.h"
#include "WVEKIterator.h"

namespace WVEK {

// Pending changes are flushed first, so that none is lost with the old file. On failure the
// stage tells which files to put back: before kClosed the database is still open and only the
// new file goes.
uint32_t TWVEK_DB::Compact() {
    if (fReadOnly) return errReadOnly;
    if (!fCache || Flush(true) != 0) return errCompactFailed;
    const TFilePath path = GetPath();
    TFilePath newPath = path, oldPath = path;
    TCompactStage stage = TCompactStage::kStarted;
    try {
        newPath.MakeUnique(true);
        stage = TCompactStage::kWriting;
        WriteCompacted(newPath);
        Close();
        stage = TCompactStage::kClosed;
        oldPath.MakeUnique(true);
        TFile(path).Rename(oldPath.GetFileName());
        stage = TCompactStage::kMovedAside;
        TFile(newPath).Rename(path.GetFileName());
        stage = TCompactStage::kReplaced;
        Open(true);
    } catch (...) {
        RestoreAfterFailedCompact(stage, newPath, oldPath);
        return errCompactFailed;
    }
    oldPath.Delete();
    return 0;
}

void TWVEK_DB::WriteCompacted(const TFilePath& path) {
    TFile file(path);
    std::unique_ptr<TWinFileStream> out(file.OpenStream(openReadWrite));
    out->SetSize(fStream->GetSize()); // a full disk shows here, before anything is written
    out->Seek(0, seekBegin);
    WriteFileHeader(*out);
    uint32_t end = uint32_t(kFileHeaderSize);
    TWVEKIterator records(*this, 0);
    while (records.HasMore()) {
        uint32_t position = 0;
        records.NextWithPosition(nullptr, &position);
        TDBRecord record(*fStream, position);
        record.LoadData(*fStream);
        record.SetPosition(end);
        record.WriteTo(*out, true);
        end += uint32_t(kRecordHeaderSize) + record.GetLength();
    }
    out->SetSize(int32_t(end));
    out->Flush();
}

// Without the old file back under its name nothing is opened, so that no empty database is
// created in its place; the old file then stays under its numbered name.
void TWVEK_DB::RestoreAfterFailedCompact(TCompactStage stage, const TFilePath& newPath,
                                         const TFilePath& oldPath) {
    if (stage == TCompactStage::kStarted) return;
    (stage == TCompactStage::kReplaced ? GetPath() : newPath).Delete();
    if (stage == TCompactStage::kWriting) return;
    Close();
    try {
        if (stage >= TCompactStage::kMovedAside) TFile(oldPath).Rename(GetPath().GetFileName());
        Open(true);
    } catch (...) {
    }
}

} // namespace WVEK
