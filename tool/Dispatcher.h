#pragma once
// The run of the tool: split the command line, find the command, take the database argument,
// call the handler, write the usage text when asked, and end with the exit status.

#include "Commands.h"
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
// the file is missing (read-only) or not a database file; lets the engine's exceptions pass.
TOpenDatabase OpenDatabase(const std::string& fileName, bool readOnly);

// Constructs the database at `path` with its index beside it, without any check (the file is
// created when missing and writable). Lets the engine's exceptions pass.
TOpenDatabase ConstructDatabase(const TFilePath& path, bool readOnly);
