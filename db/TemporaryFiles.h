#pragma once
// The files a command builds beside a database under temporary names (a new database for
// create, the compacted copy, a rebuilt index), and the renames that put them in place.
//
// Temporary names are free numbered names ("name#3.ext"). They are listed in the database's
// journal before they are created, so that the opening after a crash deletes what a killed
// command left; a command that fails deletes them itself.

#include "FilePath.h"
#include "Journal.h"

#include <initializer_list>
#include <memory>

namespace WVEK {

// The journal of the database at `database`.
TFilePath JournalPath(const TFilePath& database);

// A free numbered name beside `path` ("name#3.ext"). Throws errNoUniqueName when none is free.
TFilePath TemporaryName(const TFilePath& path);

// Two free numbered names beside `path` for a new database and its index ("name#3.ext" and
// "name#3.ind"), neither of which exists. Throws errNoUniqueName when none is free.
void TemporaryDatabaseNames(const TFilePath& path, TFilePath& database, TFilePath& index);

// A durable journal of the database at `database` listing `names` as temporary files.
std::unique_ptr<TJournal> JournalOfTemporaryFiles(const TFilePath& database,
                                                  std::initializer_list<TFilePath> names);

// Deletes those of `names` that exist and commits `journal` (when not null); never throws.
void DiscardTemporaryFiles(std::unique_ptr<TJournal>& journal,
                           std::initializer_list<TFilePath> names);

// Puts the database at `from` and its index in place of those at `to` by renames within one
// directory, then makes them durable. The old index goes first: every instant leaves under
// the database's name the old database or the new one, each with its own index or none (which
// the next opening rebuilds). Throws on failure.
void ReplaceDatabaseFiles(const TFilePath& from, const TFilePath& fromIndex, const TFilePath& to,
                          const TFilePath& toIndex);

} // namespace WVEK
