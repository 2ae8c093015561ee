#pragma once
// CheckDatabase: a read-only check of a database file, its index and its journal against the
// formats of docs/DatabaseFile.md, docs/IndexFormat.md and docs/JournalFormat.md.
//
// Unlike an opening of TWVEK_DB, which applies a leftover journal and rebuilds a missing index,
// the check writes nothing: it reads the files as they stand, under a shared lock, and reports
// what it finds as a list of findings for the caller to word.

#include "FilePath.h"

#include <cstdint>
#include <vector>

namespace WVEK {

// What is wrong, one kind per message. The fields of TFinding each kind uses are named after it;
// offsets are file offsets of the database file.
enum class TFindingKind : uint8_t {
    kJournal,          // a journal is present: a command did not finish
    kFileHeader,       // the file does not start with the database header
    kHeaderCutShort,   // offset: a record header that the end of the file cuts short
    kRecordMagic,      // offset: a record header without its magic
    kRecordPosition,   // offset: a record header whose position field holds `value`
    kDataPastEnd,      // id, offset: a record whose `value` data bytes end past the file
    kLiveTwice,        // id: live at offset and again at `value`
    kIndexMissing,     // the index file does not exist
    kIndexEmpty,       // the index file is empty while the database holds live records
    kIndexHeader,      // the index file does not start with its magic
    kIndexVersion,     // the index header holds a version other than 0 and 1
    kIndexTree,        // the index is not a valid B-tree
    kIndexMoved,       // id: the index names offset, the record is live at `value`
    kIndexDeadVersion, // id: the index (version 1) names a deleted version at offset
    kIndexNoHeader,    // id: the index names offset, where no header of that id starts
    kNotIndexed,       // id: live at offset, not in the index
};

struct TFinding {
    TFindingKind kind;
    uint32_t id = 0;
    uint32_t offset = 0;
    uint32_t value = 0;
};

struct TDatabaseCheck {
    // Journal first, then the database file in file order (a finding there ends the walk:
    // nothing after its offset is judged), then record ids live twice and the index, in id
    // order (signed, as the index orders them).
    std::vector<TFinding> findings;
    uint32_t liveRecords = 0; // live headers found by the walk
    uint32_t fileSize = 0;    // of the database file, for the messages about its end
};

// Checks the database at `path`, its index and its journal, under a shared lock, without
// writing anything. Throws errDatabaseInUse when a writer holds the database, the errno when
// a file cannot be opened or read.
TDatabaseCheck CheckDatabase(const TFilePath& path);

} // namespace WVEK
