#pragma once
// The atom table file: the header word and one ZAtomTable object with everything it holds,
// in the object format of docs/atom-table-format.md.

#include "AtomTable.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Reads a table file held in memory. Returns 0 and the table, or 2 ("Table File Bad
// Format") for any malformed input, a null root included. Bytes after the root are ignored.
int32_t ReadAtomTable(const uint8_t* data, size_t size, std::shared_ptr<ZAtomTable>& table);

// Reads the table file at `path`: 0 and the table, 1 ("Table File Open Fail") when the file
// cannot be opened or read (a null path, a directory), or 2 as ReadAtomTable.
int32_t LoadAtomTableFile(const char* path, std::shared_ptr<ZAtomTable>& table);

// Writes `table` as a table file. Ids are given in write order, so equal trees give equal
// bytes. Names longer than 65535 bytes cannot be written; the caller rejects them.
std::vector<uint8_t> WriteAtomTable(const ZAtomTable& table);
