#pragma once
// Test helper: runs a built program and expects exactly its standard output, standard error and
// exit status, with the command line named in any failure.

#include "ProcessRunner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

inline void ExpectRun(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& out, const std::string& err, int exitCode,
                      const std::string& workingDirectory = "") {
    std::string command = program;
    for (const std::string& argument : arguments)
        command += " " + argument;
    SCOPED_TRACE(command);
    const TProcessResult result = RunProcess(program, arguments, workingDirectory);
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.out, out);
    EXPECT_EQ(result.err, err);
    EXPECT_EQ(result.exitCode, exitCode);
}
