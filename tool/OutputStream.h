#pragma once
// The output of `list` and `dump`: a named file (created, or emptied when it exists), or
// standard output, written through a buffer.

#include "BufferedWriteStream.h"
#include "File.h"
#include "Stream.h"

#include <memory>
#include <string>

// True for a file that no output of a command may overwrite: the run's database, one of its
// support files, or any database file holding data.
bool IsProtectedFromOutput(const TFilePath& path);

class TOutput {
public:
    // Opens `name`, or standard output when it is empty. When the file cannot be opened or is
    // protected from output (IsProtectedFromOutput): ReportError("failed to open the output
    // file (%s)", name) and IsOpen() is false.
    explicit TOutput(const std::string& name);
    // What is buffered still reaches the output (a command that failed half-way shows what it
    // wrote before the failure); a failure then is not reported.
    ~TOutput();
    TOutput(const TOutput&) = delete;
    TOutput& operator=(const TOutput&) = delete;
    bool IsOpen() const { return fStream != nullptr; }
    LStream& Stream() { return *fStream; }
    // Writes the text whole; throws the stream's code on failure.
    void Write(const std::string& text);
    // Writes what is buffered, flushes and closes the stream; throws the stream's code.
    void Close();

private:
    std::unique_ptr<TFile> fFile;                  // outlives the stream opened on it
    std::unique_ptr<TBufferedWriteStream> fStream; // null when the file could not be opened
};
