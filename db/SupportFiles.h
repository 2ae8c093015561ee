#pragma once
// The files beside a database: their names and the deletion of a database with them.
//
// A support file's name is the database's path with the extension of its file name (from the
// last '.' of the file name, not of the directories) replaced by the support file's extension;
// a file name without one (or whose only '.' leads it) gets the extension appended. When that
// would give the database's own name (a database named "x.ind"), the extension is appended
// instead. The extensions are the program's string resources.

#include "FilePath.h"

namespace WVEK {

enum class TSupportFile : int {
    kIndex = 0,   // ".ind": the index (docs/IndexFormat.md); the engine creates and uses it
    kAge = 1,     // ".age": never created by this program, only deleted with the database
    kJournal = 2, // ".jnl": the rollback journal of an uncommitted command (docs/JournalFormat.md)
};

// The name of support file `which` of the database at `path`; empty for an empty path.
TFilePath GetSupportFileName(const TFilePath& path, TSupportFile which);

// Deletes the database file, then its index, ".age" and journal files, each when it exists.
// Failures to delete are ignored; nothing is reported.
void DeleteDatabaseFiles(const TFilePath& path);

} // namespace WVEK
