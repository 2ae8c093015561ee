#pragma once
// Runs the tool's handlers in-process: a fresh run state and everything it writes captured.

#include "RunState.h"

#include <string>
#include <vector>

class TCapturedRun {
public:
    // Starts CurrentRun() on the command line "tarnwick" + `words` and captures its messages.
    explicit TCapturedRun(const std::vector<std::string>& words = {}) {
        previous_ = SetMessageSink([this](std::string_view text) { messages.append(text); });
        std::vector<const char*> argv{"tarnwick"};
        for (const std::string& word : words)
            argv.push_back(word.c_str());
        CurrentRun().Start(int(argv.size()), argv.data());
    }
    ~TCapturedRun() {
        CurrentRun().Finish();
        SetMessageSink(std::move(previous_));
    }
    TCapturedRun(const TCapturedRun&) = delete;
    TCapturedRun& operator=(const TCapturedRun&) = delete;

    int32_t ExitStatus() const { return CurrentRun().exitStatus; }

    std::string messages;

private:
    TMessageSink previous_;
};
