#pragma once
// The process-wide state behind the exported interface: the default table path, fixed when
// the library is loaded, and the lazy load of the atom table that every conversion starts
// with. Single-threaded and unguarded, like the rest of the library's process state.

#include "AtomTable.h"

#include <cstdint>
#include <string>

namespace KelLibrary {

// The current directory at library load time, "/" and "atoms.kel"; empty when the directory
// could not be read, so that loading it fails with 1.
const std::string& DefaultTablePath();

// Loads the table at `path` (the default path when null) unless one is loaded already.
// Returns 0, 1 or 2; after a failure no table is loaded and the next call tries again.
int32_t LoadTable(const char* path);

// Makes sure a table is loaded (from the default path when none is) and points `table` at
// it: valid until KelTerminate. Returns 0, 1 or 2.
int32_t RequireTable(const ZAtomTable*& table);

} // namespace KelLibrary
