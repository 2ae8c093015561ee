#include "DecodeReporter.h"

#include "RecordIds.h"
#include "RunState.h"

void TDecodeReporter::RecordExists(uint32_t id) {
    ReportProblem("encountered a record that already exists %s", FormatRecordId(id, '-').c_str());
}

void TDecodeReporter::RecordDecoded(uint32_t) {
    ++fRecordsDecoded;
}

bool TDecodeReporter::IsIncluding(const TFilePath& path) const {
    for (int index = fCurrentFile; index >= 0; index = fFiles[size_t(index)].includedBy)
        if (fFiles[size_t(index)].path.GetFullPath() == path.GetFullPath()) return true;
    return false;
}

void TDecodeReporter::IncludeFile(const std::string& name) {
    TFilePath path(fBaseDirectory + name);
    if (IsIncluding(path)) {
        ReportProblem("include cycle skipped: %s", path.GetFullPath().c_str());
        return;
    }
    fFiles.push_back({path, fCurrentFile});
}

void TDecodeReporter::ReportDecodeError(const std::string& message) {
    ReportProblem("%s", message.c_str());
}
