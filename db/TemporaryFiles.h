#pragma once
// The files a command builds beside a database under temporary names (a new database for
// create, the compacted copy for compact, a rebuilt index), and the switch that puts them in
// place.
//
// Temporary and backup names are free numbered names ("name#3.ext"). They are listed in the
// database's journal before they exist, so that a command that fails, or the opening after
// one that crashed, can delete the new files and put the old ones back; the commit of the
// journal is the moment the new files count (docs/JournalFormat.md).

#include "FilePath.h"
#include "Journal.h"

#include <memory>

namespace WVEK {

// The journal of the database at `database`.
TFilePath JournalPath(const TFilePath& database);

// A free numbered name beside `path` ("name#3.ext"). Throws errNoUniqueName when none is free.
TFilePath TemporaryName(const TFilePath& path);

// The files of a replacement of the database at `target`: the new database and index built
// under temporary names, and the names under which the old files wait until the commit.
struct TReplacement {
    TFilePath target, targetIndex, targetAge;
    TFilePath database, index;            // the new files
    TFilePath oldDatabase, oldIndex, oldAge; // backups of the target's files
    bool dropsAge = false;                // the target's ".age" file goes with the old database

    // Free numbered names beside `target`, none of which exists. Throws errNoUniqueName.
    TReplacement(const TFilePath& target, bool dropsAge);
    // A durable journal of the target listing the new files and the backups, which must come
    // before any of them exists.
    std::unique_ptr<TJournal> Journal() const;
    // Puts the new files in the target's place, the old ones under their backup names: each
    // old file gets its backup name as a second name, the old index goes, the new database
    // and index are renamed over the target's names, and the directory is synced. Every
    // instant leaves under the target's name the old database or the new one, each with its
    // own index or none (which an opening rebuilds). Throws on failure; the journal's rollback
    // then undoes what was done.
    void Switch() const;
};

} // namespace WVEK
