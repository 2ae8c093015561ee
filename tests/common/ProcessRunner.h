#pragma once
// Test helper: runs a program to completion and captures what it wrote and how it ended.

#include <string>
#include <vector>

struct TProcessResult {
    std::string out;  // everything written to standard output
    std::string err;  // everything written to standard error
    int exitCode = 0; // the exit status as the program returned it (a return of -1 gives -1)
    int signal = 0;   // the signal that ended the program, or 0 when it exited
};

// Runs `program` with `arguments` (argv[0] is `program` itself), with standard input closed,
// in `workingDirectory` when it is not empty, with the "NAME=value" entries of `environment`
// added to its environment. A program that cannot be started ends with exit code 127.
TProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& workingDirectory = "",
                          const std::vector<std::string>& environment = {});

// The path of the built tool: $TARNWICK_BIN/tarnwick.
std::string ToolPath();
