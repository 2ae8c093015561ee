#pragma once
// Builds an atom table from the element tree of a table source (docs/atom-table-source.md).
// Every element, attribute and number is checked; the first problem ends the build with a
// message that names the element and its file offset.

#include "AtomTable.h"
#include "SourceElement.h"

#include <string>

// Fills `table` from `root`. Returns true, or false with `error` set to
// "offset N: <element>: what is wrong".
bool ReadTableSource(const TSourceElement& root, ZAtomTable& table, std::string& error);
