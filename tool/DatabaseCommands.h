#pragma once
// The commands that work on whole databases: `list`, `compare`, `compact`, `remove` and
// `delete`. The dispatcher has opened the database for the first four (read-only for `list`
// and `compare`); `delete` works with the file name itself.

// `list [-tab] [-skip] [-only] [output.file]`: the live records in file order, then a summary
// by type, to the output file (created or emptied) or standard output.
void ListHandler();

// `compare second_db.file`: reports every record that is missing on one side or differs in
// type, flags, length or data.
void CompareHandler();

// `compact`: rewrites the database without its dead versions.
void CompactHandler();

// `remove record_range`: deletes every record of the ranges, permanent ones too, then
// flushes; a failed flush ends the command with its code as an exception.
void RemoveHandler();

// `delete`: deletes the database file with its index, ".age" and journal files. A file that
// is not a database is left alone (reported); a name that does not exist is no error.
void DeleteHandler();
