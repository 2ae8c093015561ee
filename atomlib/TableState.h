#pragma once
// The process-wide atom table: loaded once, used by every conversion, released at
// termination. Single-threaded and unguarded, like the rest of the library's process state.

#include "AtomTable.h"

#include <cstdint>

namespace ZTableState {

// Loads the table file at `path`, replacing any table in force. Returns 0, 1 ("Table File
// Open Fail": the file cannot be opened or read) or 2 ("Table File Bad Format"). After a
// failure no table is loaded.
int32_t Load(const char* path);
// Destroys the table in force, if any.
void Release();
bool IsLoaded();
// The table in force, or null. Valid until the next Load or Release.
const ZAtomTable* Root();

} // namespace ZTableState
