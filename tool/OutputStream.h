#pragma once
// The output of `list` and `dump`: a named file (created, or emptied when it exists), or
// standard output.

#include "File.h"
#include "Stream.h"

#include <memory>
#include <string>

class TOutput {
public:
    // Opens `name`, or standard output when it is empty. When the file cannot be opened, or
    // is the run's database or its index (which writing would destroy):
    // ReportError("failed to open the output file (%s)", name) and IsOpen() is false.
    explicit TOutput(const std::string& name);
    bool IsOpen() const { return fStream != nullptr; }
    LStream& Stream() { return *fStream; }
    // Writes the text whole; throws the stream's code on failure.
    void Write(const std::string& text);
    // Flushes and closes the stream.
    void Close();

private:
    std::unique_ptr<TFile> fFile;     // outlives the stream opened on it
    std::unique_ptr<LStream> fStream; // null when the file could not be opened
};
