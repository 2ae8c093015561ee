#pragma once
// The run of the tool: split the command line, find the command, take the database argument,
// call the handler, write the usage text when asked, and end with the exit status.

#include "Commands.h"
#include "Exception.h"
#include "FilePath.h"
#include "RunState.h"

#include <span>
#include <string>

// Runs the command line with the tool's command table. Returns 0, or -1 when an error was
// reported. Reports a TTolvException or an allocation failure that reaches it; lets nothing
// else through but other exception types.
int RunTool(int argc, const char* const* argv);

// RunTool over `table` instead of the tool's own (for tests).
int RunCommands(std::span<const TCommand> table, int argc, const char* const* argv);

// Writes the usage text generated from the tool's command table.
void PrintUsage();

// Opens the database `fileName` (as typed) with its index beside it, for the dispatcher and
// for commands that open a second database. Reports through ReportError and gives none when
// the file is missing (read-only), not a database file, or in use by another process; lets
// the engine's other exceptions pass.
TOpenDatabase OpenDatabase(const std::string& fileName, bool readOnly);

// A new database under temporary names that is to replace `fileName` (as typed) when the
// command succeeds (TWVEK_DB::Install); destroyed without that, it leaves the old files as they
// were. Reports and gives none when `fileName` exists but is not a database file, or is in
// use; lets the engine's other exceptions pass.
TOpenDatabase OpenReplacement(const std::string& fileName);

// Reports "the database %s is in use by another process" for errDatabaseInUse (true); false
// for any other code.
bool ReportIfInUse(const TTolvException& failure, const std::string& fileName);
