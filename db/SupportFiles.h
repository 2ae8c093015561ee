#pragma once
// The files beside a database: their names and the deletion of a database with them.
//
// A support file's name is the database path cut at its last '.' (anywhere in the full path,
// also in a directory name) with the support file's extension appended; a path without any
// '.' simply gets the extension. The extensions are the program's string resources.

#include "FilePath.h"

namespace WVEK {

enum class TSupportFile : int {
    kIndex = 0, // ".ind": the index (docs/IndexFormat.md); the engine creates and uses it
    kAge = 1,   // ".age": never created by this program, only deleted with the database
};

// The name of support file `which` of the database at `path`; empty for an empty path.
TFilePath GetSupportFileName(const TFilePath& path, TSupportFile which);

// Deletes the database file, then its index and its ".age" file, each when it exists.
// Failures to delete are ignored; nothing is reported.
void DeleteDatabaseFiles(const TFilePath& path);

} // namespace WVEK
