#pragma once
// The process state of one run of the tool, and the calls through which command handlers
// read their arguments and report.
//
// Handlers are plain `void ()` functions, so the state lives in one process-wide TRunState.
// Start() gives it a fresh command line; tests may call it again to run handlers in-process.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace WVEK {
class TWVEK_DB;
}

// Destroys an open database without flushing. Whoever opens a database supplies it with the
// pointer, so the run state needs no more of the database class than its name.
using TDatabaseCloser = void (*)(WVEK::TWVEK_DB* database);
using TOpenDatabase = std::unique_ptr<WVEK::TWVEK_DB, TDatabaseCloser>;

struct TRunState {
    // The file name (no directory) of the full path of the program's first command-line word.
    std::string programName;
    // The positional argument after the command word, as typed; empty when not taken.
    std::string databaseFileName;
    // Words that begin with '-', in command-line order, folded to lower case (A-Z only).
    std::vector<std::string> options;
    // Every other word after the program's, in order, and the index of the next to hand out.
    std::vector<std::string> arguments;
    size_t readIndex = 0;
    // The one open database of the run, or none.
    TOpenDatabase database{nullptr, nullptr};
    // Set by `help`: the dispatcher writes the usage text after the handler.
    bool showUsage = false;
    // 0, or -1 once ReportError was called.
    int32_t exitStatus = 0;

    // Resets every field and splits the command line `argv[0..argc)` into them. A first word
    // "--help" or "-h" stands for the command `help`, "--version" for `version`.
    void Start(int argc, const char* const* argv);
    // Destroys the open database (without flushing) and frees the lists.
    void Finish();
};

// The state of the current run.
TRunState& CurrentRun();

// Where every message, the usage and the version text go; standard error by default.
using TMessageSink = std::function<void(std::string_view text)>;
// Installs `sink` (an empty function restores standard error) and returns the previous one.
TMessageSink SetMessageSink(TMessageSink sink);
// Writes `text` to the sink as it is.
void WriteMessage(std::string_view text);

// The argument at the read index, or "" when the list is used up; advances in either case.
std::string NextArgument();

// True when an option equals `name` (folded to lower case) or, with `allowAbbreviation`, equals
// its first characters: "-k", "-keep" and "-" all match "-keepComments".
bool HasOption(std::string name, bool allowAbbreviation);

// "ERROR: ", the formatted text and a line feed; sets the exit status to -1.
void ReportError(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same without touching the exit status.
void ReportProblem(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The formatted text and a line feed.
void ReportInfo(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A diagnostic in the form compilers use ("file:line:column: error: ..."): the formatted text
// and a line feed, without "ERROR: ". With `isError` the exit status becomes -1.
void ReportLocation(bool isError, const char* format, ...) __attribute__((format(printf, 2, 3)));
