#pragma once
// The `dump` command: records of a database written in the XML source format, so that the
// output compiles back into the same records.

#include "Stream.h"

#include <cstdint>

namespace WVEK {
class TWVEK_DB;
}

// Dump flags.
enum : uint32_t {
    dumpBinary = 0x1,   // -binary: every record as hex data
    dumpNoTables = 0x2, // -notables: no keyed-table check
    dumpSkipAsc = 0x4,  // -skipASC: no character column
};

// `dump db.file [-notables] [-binary] [-skipASC] (-all | record_range) [output.file]`.
void DumpHandler();

// Writes the <record> element of record `id` to `stream`.
void DumpRecord(WVEK::TWVEK_DB& database, uint32_t id, LStream& stream, uint32_t dumpFlags);
