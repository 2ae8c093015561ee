#include "OutputStream.h"

#include "BufferedWriteStream.h"
#include "DatabaseFile.h"
#include "Exception.h"
#include "RunState.h"
#include "StdioStream.h"
#include "SupportFiles.h"

#include <cstdio>

namespace {

// True for the database named on the command line and for its support files.
bool IsDatabaseOfRun(const TFilePath& path) {
    const std::string& databaseName = CurrentRun().databaseFileName;
    if (databaseName.empty()) return false;
    const TFilePath database(databaseName);
    if (path.GetFullPath() == database.GetFullPath()) return true;
    for (auto which :
         {WVEK::TSupportFile::kIndex, WVEK::TSupportFile::kAge, WVEK::TSupportFile::kJournal})
        if (path.GetFullPath() == WVEK::GetSupportFileName(database, which).GetFullPath())
            return true;
    return false;
}

// A file that holds a database: an empty file passes the format check too, but writing it
// destroys nothing.
bool HoldsDatabase(const TFilePath& path) {
    return WVEK::CheckDatabaseFile(path) == WVEK::TFileKind::kDatabase;
}

} // namespace

bool IsProtectedFromOutput(const TFilePath& path) {
    return IsDatabaseOfRun(path) || HoldsDatabase(path);
}

TOutput::TOutput(const std::string& name) {
    if (name.empty()) {
        fStream = std::make_unique<TBufferedWriteStream>(std::make_unique<TSTDIOStream>(stdout));
        return;
    }
    TFilePath path(name);
    if (IsProtectedFromOutput(path)) {
        ReportError("failed to open the output file (%s)", name.c_str());
        return;
    }
    fFile = std::make_unique<TFile>(path);
    try {
        fStream = std::make_unique<TBufferedWriteStream>(
            std::unique_ptr<LStream>(fFile->OpenStream(openWrite)));
    } catch (const TTolvException&) {
        ReportError("failed to open the output file (%s)", name.c_str());
    }
}

void TOutput::Write(const std::string& text) {
    fStream->WriteOrThrow(text.data(), uint32_t(text.size()));
}

TOutput::~TOutput() {
    try {
        Close();
    } catch (const TTolvException&) {
    }
}

// A file is not synced: it is output, not a database.
void TOutput::Close() {
    if (fStream == nullptr) return;
    if (fFile)
        fStream->WriteBuffered();
    else
        fStream->Flush();
    fStream.reset();
    fFile.reset();
}
