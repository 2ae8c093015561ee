#pragma once
// The compiler's callback interface and the tool's implementation of it, which reports to the
// console and keeps the list of source files to compile.

#include "FilePath.h"

#include <cstdint>
#include <string>
#include <vector>

namespace UTarnwick {

class Callback {
public:
    virtual ~Callback() = default;
    // A record with this id is already in the database and is about to be replaced.
    virtual void RecordExists(uint32_t id) = 0;
    // The record with this id was stored.
    virtual void RecordDecoded(uint32_t id) = 0;
    // A further source file is named (relative to the base directory).
    virtual void IncludeFile(const std::string& name) = 0;
    // A problem found while decoding; decoding may go on.
    virtual void ReportDecodeError(const std::string& message) = 0;
};

} // namespace UTarnwick

// One file of a compile run, with the entry of the file that named it (-1 for the source
// given on the command line).
struct TSourceFile {
    TFilePath path;
    int includedBy;
};

class TDecodeReporter : public UTarnwick::Callback {
public:
    explicit TDecodeReporter(std::vector<TSourceFile>& files) : fFiles(files) {}

    void RecordExists(uint32_t id) override;
    void RecordDecoded(uint32_t id) override;
    // Appends base directory + name, made a full path, to the file list, unless that file is
    // the one being decoded or one that (transitively) included it: such a cycle is skipped
    // with a reported problem. Repeats that are not cycles are kept.
    void IncludeFile(const std::string& name) override;
    void ReportDecodeError(const std::string& message) override;

    int32_t RecordsDecoded() const { return fRecordsDecoded; }
    void SetBaseDirectory(const std::string& directory) { fBaseDirectory = directory; }
    // The entry of the file list being decoded, which IncludeFile records as the includer.
    void SetCurrentFile(int index) { fCurrentFile = index; }

private:
    bool IsIncluding(const TFilePath& path) const;

    int32_t fRecordsDecoded = 0;
    std::vector<TSourceFile>& fFiles;
    std::string fBaseDirectory;
    int fCurrentFile = -1;
};
