// POSIX process handling for the tests (test infrastructure, not product code).
#include "ProcessRunner.h"

#include <cerrno>
#include <cstdlib>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void ReadAvailable(int fd, std::string& into, bool& open) {
    char buffer[4096];
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got > 0)
        into.append(buffer, size_t(got));
    else if (got == 0 || errno != EINTR)
        open = false;
}

// Reads both pipes until the child has closed them, so neither can fill up and block it.
void DrainPipes(int outFd, int errFd, TProcessResult& result) {
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen) {
        pollfd fds[2] = {{outOpen ? outFd : -1, POLLIN, 0}, {errOpen ? errFd : -1, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) break;
        if (outOpen && fds[0].revents) ReadAvailable(outFd, result.out, outOpen);
        if (errOpen && fds[1].revents) ReadAvailable(errFd, result.err, errOpen);
    }
}

[[noreturn]] void StartChild(const std::string& program, const std::vector<std::string>& arguments,
                             const std::string& workingDirectory,
                             const std::vector<std::string>& environment, int outFd, int errFd) {
    for (const std::string& entry : environment)
        putenv(const_cast<char*>(entry.c_str())); // lives until the exec
    dup2(outFd, STDOUT_FILENO);
    dup2(errFd, STDERR_FILENO);
    close(STDIN_FILENO);
    if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0) _exit(127);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

} // namespace

TProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& workingDirectory,
                          const std::vector<std::string>& environment) {
    TProcessResult result;
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0) return {"", "", 127, 0};
    if (pipe(errPipe) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return {"", "", 127, 0};
    }
    pid_t child = fork();
    if (child == 0)
        StartChild(program, arguments, workingDirectory, environment, outPipe[1], errPipe[1]);
    close(outPipe[1]);
    close(errPipe[1]);
    if (child > 0) DrainPipes(outPipe[0], errPipe[0], result);
    close(outPipe[0]);
    close(errPipe[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return {"", "", 127, 0};
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    // Exit codes are one byte: a program that returned -1 shows 255.
    result.exitCode = WIFEXITED(status) ? int(int8_t(WEXITSTATUS(status))) : 0;
    return result;
}

std::string ToolPath() {
    const char* bin = std::getenv("TARNWICK_BIN");
    return std::string(bin ? bin : ".") + "/tarnwick";
}
