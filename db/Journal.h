#pragma once
// TJournal: the journal of a database (docs/JournalFormat.md gives the byte layout).
//
// A command that changes a database first writes down, in the journal beside it, how to undo
// the change, and makes that durable; only then does it change the files:
// - in place (add, remove): the lengths of the database file and its index and the original
//   bytes of every region of them it is about to overwrite;
// - by replacement (create, compact): the temporary files it builds beside the database, and
//   the backup names under which the old files wait while the new ones take their names.
// Commit marks the journal committed and makes that durable: that is the moment the change
// happens. A journal still active when a database is opened was left by a command that did
// not commit: Recover undoes what it did. A committed one only names files to delete.
//
// Every region is saved once per journal: the first time it is overwritten. Bytes beyond the
// original lengths need no saving: Recover cuts the files back to those lengths.

#include "FilePath.h"
#include "Stream.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class TFile;

namespace WVEK {

// The files a journal protects; the value is stored in the journal's region records.
enum class TJournalFile : uint8_t { kDatabase = 0, kIndex = 1 };

class TJournal {
public:
    // A length that means "not recorded": the journal saves no regions.
    static constexpr uint32_t kNoLength = 0xFFFFFFFF;

    // A journal at `path` for a database file and index of the given lengths now. Nothing
    // reaches the disk before the first Sync.
    TJournal(TFilePath path, uint32_t databaseLength, uint32_t indexLength);
    TJournal(const TJournal&) = delete;
    TJournal& operator=(const TJournal&) = delete;
    // Closes the journal file; neither deletes nor applies it (Commit and RollBack do).
    ~TJournal();

    // Whether the journal file has been written and neither committed nor rolled back.
    bool IsWritten() const { return fStream != nullptr; }

    // Saves the bytes of [offset, offset + length) of `file`, read from `stream` (which must
    // still hold them as they were), except what lies beyond the original length or was saved
    // before. Throws the stream's code when they cannot be read.
    void Protect(TJournalFile file, LStream& stream, uint32_t offset, uint32_t length);
    // Lists a temporary file (a bare numbered name in the journal's directory) that a rollback,
    // and the cleanup after a commit, delete.
    void AddTemporaryFile(const std::string& name);
    // Lists a backup: the old file `target` (a bare name beside the journal) will wait under
    // the numbered name `backup` until the commit, and a rollback puts it back. An empty
    // backup means that `target` did not exist: a rollback deletes what then stands there.
    void AddBackup(const std::string& backup, const std::string& target);
    // Writes what was added since the last Sync and makes it durable, creating the journal file
    // (and making its name durable) the first time. Must come before any change it describes.
    // Throws the stream's code, or the errno, on failure.
    void Sync();
    // Marks the journal committed and makes that durable (the commit point); then deletes the
    // backups, the temporary files and the journal. Failures there are not reported: the
    // change is complete, and a committed journal left behind names what the next opening
    // deletes. When the marking fails the journal stays active
    // and the failure is thrown: the caller rolls back.
    void Commit();
    // Undoes the command (Recover) and deletes the journal; never throws: a journal that cannot
    // be applied now stays for the next opening.
    void RollBack(const TFilePath& databasePath, const TFilePath& indexPath);

    // Applies the journal at `path`, if there is one, to the database and index at the given
    // paths. An active journal: writes back every saved region, cuts both files to the
    // recorded lengths and syncs them, puts every backup back under its name, and deletes the
    // temporary files. A committed one: deletes the backups and the temporary files. Either
    // way the journal is then deleted. A journal whose header is not whole was never durable,
    // so nothing it describes had happened: it is only deleted. Records after a torn one were
    // never synced and are ignored. Throws the errno or a stream code on failure.
    static void Recover(const TFilePath& path, const TFilePath& databasePath,
                        const TFilePath& indexPath);

private:
    // Byte ranges [start, end) already saved for one file, keyed by start, never overlapping.
    using TRegions = std::map<uint32_t, uint32_t>;

    void AddRecord(uint8_t kind, uint8_t file, uint32_t offset, const uint8_t* bytes,
                   uint32_t length);
    uint32_t OriginalLength(TJournalFile file) const;
    void WriteHeader(uint32_t state);
    void Close();

    TFilePath fPath;
    uint32_t fDatabaseLength;
    uint32_t fIndexLength;
    TRegions fSaved[2];
    std::vector<uint8_t> fPending; // records added since the last Sync
    std::vector<std::string> fFilesToDelete; // temporaries and backups, for Commit's cleanup
    std::unique_ptr<TFile> fFile;
    std::unique_ptr<LStream> fStream; // null until the first Sync
    uint32_t fEnd = 0;                // the journal file's length after the last Sync
};

} // namespace WVEK
