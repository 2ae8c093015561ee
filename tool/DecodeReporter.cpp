#include "DecodeReporter.h"

#include "RecordIds.h"
#include "RunState.h"
#include "SourceLines.h"
#include "Strings.h"

using UTarnwick::TSite;

void TDecodeReporter::RecordExists(const TSite& at, uint32_t id) {
    std::string message = "encountered a record that already exists " + FormatRecordId(id, '-');
    ReportProblem("%s", message.c_str());
    ReportLocation(false, "%s", Located(at, message).c_str());
}

void TDecodeReporter::RecordDecoded(uint32_t) {
    ++fRecordsDecoded;
}

bool TDecodeReporter::IsIncluding(const TFilePath& path) const {
    for (int index = fCurrentFile; index >= 0; index = fFiles[size_t(index)].includedBy)
        if (fFiles[size_t(index)].path.GetFullPath() == path.GetFullPath()) return true;
    return false;
}

void TDecodeReporter::IncludeFile(const TSite& at, const std::string& name) {
    TFilePath path(fBaseDirectory + name);
    if (IsIncluding(path)) {
        ReportDecodeError(at, "include cycle skipped: " + path.GetFullPath());
        return;
    }
    fFiles.push_back({path, fCurrentFile});
}

void TDecodeReporter::ReportDecodeError(const TSite& at, const std::string& message) {
    Problem(message);
    ReportLocation(false, "%s", Located(at, message).c_str());
}

void TDecodeReporter::DecodeStopped(const TSite& at, const std::string& message,
                                    const std::string& what) {
    if (!message.empty()) Problem(message);
    fStop = Located(at, what);
}

void TDecodeReporter::SetCurrentFile(int index, TSourceLines* lines) {
    fCurrentFile = index;
    fLines = lines;
    fStop.clear();
}

void TDecodeReporter::ReportStop() {
    if (!fStop.empty()) ReportLocation(false, "%s", fStop.c_str());
    fStop.clear();
}

void TDecodeReporter::ReportFileProblem(int32_t offset, const std::string& text) {
    ReportLocation(fStrict, "%s:%d:%d: %s: %s",
                   fFiles[size_t(fCurrentFile)].path.GetFullPath().c_str(),
                   int(fLines->Line(offset)), int(fLines->Column(offset)),
                   fStrict ? "error" : "warning", text.c_str());
}

void TDecodeReporter::Problem(const std::string& message) {
    if (fStrict)
        ReportError("%s", message.c_str());
    else
        ReportProblem("%s", message.c_str());
}

std::string TDecodeReporter::Located(const TSite& at, const std::string& text) {
    std::string where =
        fCurrentFile < 0 ? std::string() : fFiles[size_t(fCurrentFile)].path.GetFullPath();
    if (at.offset >= 0 && fLines != nullptr)
        where += FormatString(":%d", int(fLines->Line(at.offset) + at.lineDelta));
    if (at.recordId != nullptr) where += ": record " + *at.recordId;
    return where + ": " + text;
}
