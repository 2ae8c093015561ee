#pragma once
// The compiler's callback interface and the tool's implementation of it, which reports to the
// console, points at the place of every problem and keeps the list of source files to compile.

#include "FilePath.h"

#include <cstdint>
#include <string>
#include <vector>

class TSourceLines;

namespace UTarnwick {

// Where a report points: the line holding a stream offset of the file being decoded (plus
// `lineDelta` lines), and the id attribute, as written, of the record it concerns.
struct TSite {
    int32_t offset = -1; // -1: the file as a whole
    int32_t lineDelta = 0;
    const std::string* recordId = nullptr; // null outside a record, or for one without an id
};

class Callback {
public:
    virtual ~Callback() = default;
    // A record with this id is already in the database and is about to be replaced.
    virtual void RecordExists(const TSite& at, uint32_t id) = 0;
    // The record with this id was stored.
    virtual void RecordDecoded(uint32_t id) = 0;
    // A further source file is named (relative to the base directory).
    virtual void IncludeFile(const TSite& at, const std::string& name) = 0;
    // A problem found while decoding; decoding goes on.
    virtual void ReportDecodeError(const TSite& at, const std::string& message) = 0;
    // The failure that stops the decoding of the file: `message`, when not empty, is reported
    // now (as a problem, without its place); `what` is located once the file's failure is.
    virtual void DecodeStopped(const TSite& at, const std::string& message,
                               const std::string& what) = 0;
};

} // namespace UTarnwick

// One file of a compile run, with the entry of the file that named it (-1 for the source
// given on the command line).
struct TSourceFile {
    TFilePath path;
    int includedBy;
};

// Every problem is written as "ERROR: " and its message, then as a line of its own in the
// form compilers use, "FILE:LINE: record ID: message" (FILE the full path of the file list).
// In strict mode problems are errors: the same lines, and the exit status becomes -1.
class TDecodeReporter : public UTarnwick::Callback {
public:
    TDecodeReporter(std::vector<TSourceFile>& files, bool strict)
        : fFiles(files), fStrict(strict) {}

    void RecordExists(const UTarnwick::TSite& at, uint32_t id) override;
    void RecordDecoded(uint32_t id) override;
    // Appends base directory + name, made a full path, to the file list, unless that file is
    // the one being decoded or one that (transitively) included it: such a cycle is skipped
    // with a reported problem. Repeats that are not cycles are kept.
    void IncludeFile(const UTarnwick::TSite& at, const std::string& name) override;
    void ReportDecodeError(const UTarnwick::TSite& at, const std::string& message) override;
    void DecodeStopped(const UTarnwick::TSite& at, const std::string& message,
                       const std::string& what) override;

    int32_t RecordsDecoded() const { return fRecordsDecoded; }
    void SetBaseDirectory(const std::string& directory) { fBaseDirectory = directory; }
    // The entry of the file list being decoded, which IncludeFile records as the includer,
    // and the lines of its bytes, which place the reports.
    void SetCurrentFile(int index, TSourceLines* lines);
    // After the file's failure was reported: the place of what stopped it, kept by
    // DecodeStopped.
    void ReportStop();
    // A problem of the file as a whole at `offset`: "FILE:LINE:COLUMN: warning: text" (an
    // error in strict mode).
    void ReportFileProblem(int32_t offset, const std::string& text);

private:
    bool IsIncluding(const TFilePath& path) const;
    // "ERROR: " and the message, as a problem or, in strict mode, as an error.
    void Problem(const std::string& message);
    std::string Located(const UTarnwick::TSite& at, const std::string& text);

    int32_t fRecordsDecoded = 0;
    std::vector<TSourceFile>& fFiles;
    bool fStrict;
    std::string fBaseDirectory;
    int fCurrentFile = -1;
    TSourceLines* fLines = nullptr;
    std::string fStop; // the located line of the failure that stopped the file
};
