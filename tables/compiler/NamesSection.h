#pragma once
// The names section of docs/default-atoms.md, written from an atom table: every enumeration
// of the table (the atoms' own and their multi components'), in table order, with the name
// and value of each item. `kelvane-table names` prints it; a test compares the committed
// document with that output, so the two cannot drift apart.
//
// Object names, criteria and alerts read their names from the library's own name tables, not
// from the atom table. An atom of such a format may repeat those names as an <enum> (so that
// they are documented, and so that callers can ask the library for them); such an enum must
// hold exactly the library's names with their values.

#include "AtomTable.h"

#include <string>

// Appends the section, from its "## Names" heading on, to `out`. False with `error` set
// ("<atom "on">: ...") when the enum of a name format differs from the library's names.
bool WriteNamesSection(const ZAtomTable& table, std::string& out, std::string& error);
