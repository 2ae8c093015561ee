#pragma once
// The command table: one row per command word, in the order of the usage text.

#include <cstdint>
#include <span>
#include <string>

// What the dispatcher does with the database argument before it calls the handler.
enum class TDatabaseMode : uint8_t {
    None = 0,     // no database argument
    ReadOnly = 1, // required; opened read-only
    Writable = 2, // required; opened writable
    OwnFile = 3,  // required; not opened: the handler works with the file name itself
};

// Reads its own arguments with NextArgument and HasOption, and reports through Report*.
using TCommandHandler = void (*)();

struct TCommand {
    const char* name; // the command word, lower case
    TDatabaseMode mode;
    TCommandHandler handler;
    const char* argumentText; // shown after the name in the usage text, or null
    const char* helpText;     // shown under the name in the usage text
};

// The tool's commands, in the order of the usage text.
std::span<const TCommand> CommandTable();

// The row of `table` whose name equals `word` exactly, or null.
const TCommand* FindCommand(std::span<const TCommand> table, const std::string& word);
