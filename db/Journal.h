#pragma once
// TJournal: the rollback journal of a database (docs/JournalFormat.md gives the byte layout).
//
// A command that changes a database in place first saves, in the journal beside it, the lengths
// of the database file and its index and the original bytes of every region of them it is about
// to overwrite, and makes that durable; only then does it write. When the command commits (its
// final flush has synced both files), the journal is deleted. A journal that is still there
// when a database is opened was left by a command that did not commit: Recover puts both files
// back exactly as they were before it. A journal may also list temporary files that a command
// creates beside the database (a new database being built, a compacted copy, a rebuilt index);
// Recover deletes those that still exist.
//
// Every region is saved once per journal: the first time it is overwritten. Bytes beyond the
// original lengths need no saving: Recover cuts the files back to those lengths.

#include "FilePath.h"
#include "Stream.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class TFile;

namespace WVEK {

// The files a journal protects; the value is stored in the journal's region records.
enum class TJournalFile : uint8_t { kDatabase = 0, kIndex = 1 };

class TJournal {
public:
    // A length that means "not recorded": the journal lists temporary files only.
    static constexpr uint32_t kNoLength = 0xFFFFFFFF;

    // A journal at `path` for a database file and index of the given lengths now. Nothing
    // reaches the disk before the first Sync.
    TJournal(TFilePath path, uint32_t databaseLength, uint32_t indexLength);
    TJournal(const TJournal&) = delete;
    TJournal& operator=(const TJournal&) = delete;
    // Closes the journal file; neither deletes nor applies it (the owner decides).
    ~TJournal();

    // Whether the journal file has been written and not yet committed.
    bool IsWritten() const { return fStream != nullptr; }

    // Saves the bytes of [offset, offset + length) of `file`, read from `stream` (which must
    // still hold them as they were), except what lies beyond the original length or was saved
    // before. Throws the stream's code when they cannot be read.
    void Protect(TJournalFile file, LStream& stream, uint32_t offset, uint32_t length);
    // Lists a temporary file (a bare name in the journal's directory) for Recover to delete.
    void AddTemporaryFile(const std::string& name);
    // Writes what was added since the last Sync and makes it durable, creating the journal file
    // (and making its name durable) the first time. Must come before any change of the files it
    // protects. Throws the stream's code, or the errno, on failure.
    void Sync();
    // The command committed: deletes the journal file and makes that durable. Throws errno.
    void Commit();

    // Applies the journal at `path` to the database and index at the given paths, if there is
    // one: writes back every saved region, cuts both files back to their recorded lengths, syncs
    // them, deletes the temporary files it lists, then deletes itself. A journal whose header is
    // not whole was not yet durable, so nothing had changed: it is only deleted. Records after a
    // torn one were never synced and are ignored. Throws the errno or a stream code on failure.
    static void Recover(const TFilePath& path, const TFilePath& databasePath,
                        const TFilePath& indexPath);

private:
    // Byte ranges [start, end) already saved for one file, keyed by start, never overlapping.
    using TRegions = std::map<uint32_t, uint32_t>;

    void AddRecord(uint8_t kind, uint8_t file, uint32_t offset, const uint8_t* bytes,
                   uint32_t length);
    uint32_t OriginalLength(TJournalFile file) const;

    TFilePath fPath;
    uint32_t fDatabaseLength;
    uint32_t fIndexLength;
    TRegions fSaved[2];
    std::vector<uint8_t> fPending; // records added since the last Sync
    std::unique_ptr<TFile> fFile;
    std::unique_ptr<LStream> fStream; // null until the first Sync
    uint32_t fEnd = 0;                // the journal file's length after the last Sync
};

} // namespace WVEK
