#pragma once
// Writes an atom table as its source form (docs/atom-table-source.md): every field of every
// object, so that compiling the text gives the table's file again byte for byte. Objects
// shared between lists in the file are written once per place.

#include "AtomTable.h"

#include <string>

std::string WriteTableSource(const ZAtomTable& table);
