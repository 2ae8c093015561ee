#pragma once
// The `create` and `add` commands: compile an XML source file, with the files it includes,
// into a database.

// `create`: replaces the database named on the command line by a new one and compiles into it.
void CreateHandler();
// `add`: compiles into the database the dispatcher opened writable.
void AddHandler();

// Compiles the source named by the next argument, and every file it includes, into the run's
// database, then flushes it. Each file is checked whole before any of its records is stored,
// and then decoded record by record, so that memory does not grow with the source. `create`
// then installs the new database in the old one's place (not with -strict after anything was
// reported) and writes the dependency file when one is named.
void CompileSource(bool create);
