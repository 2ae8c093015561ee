#include "VerifyCommand.h"

#include "DatabaseCheck.h"
#include "Dispatcher.h"
#include "Exception.h"
#include "RecordIds.h"
#include "RunState.h"
#include "SupportFiles.h"

#include <string>

using WVEK::TFinding;
using WVEK::TFindingKind;

namespace {

// The bare name of a support file of the database, as the messages show it.
std::string SupportName(WVEK::TSupportFile which) {
    return WVEK::GetSupportFileName(TFilePath(CurrentRun().databaseFileName), which).GetFileName();
}

// One line per finding: record ids in VEK notation, offsets and sizes in decimal.
void ReportFinding(const TFinding& finding, uint32_t fileSize) {
    const std::string id = FormatRecordId(finding.id, '-');
    const std::string index = SupportName(WVEK::TSupportFile::kIndex);
    const char *text = id.c_str(), *name = index.c_str();
    const unsigned offset = finding.offset, value = finding.value;
    switch (finding.kind) {
    case TFindingKind::kJournal:
        ReportProblem("the journal %s is present: a command did not finish, and the next "
                      "opening rolls it back",
                      SupportName(WVEK::TSupportFile::kJournal).c_str());
        break;
    case TFindingKind::kFileHeader:
        ReportProblem("the file does not start with the database header VEKDB-25");
        break;
    case TFindingKind::kHeaderCutShort:
        ReportProblem("the record header at offset %u is cut short by the end of the file at "
                      "%u; nothing after it was checked",
                      offset, unsigned(fileSize));
        break;
    case TFindingKind::kRecordMagic:
        ReportProblem("the record header at offset %u lacks its magic R2D2; nothing after it "
                      "was checked",
                      offset);
        break;
    case TFindingKind::kRecordPosition:
        ReportProblem("the record header at offset %u gives its position as %u; nothing after "
                      "it was checked",
                      offset, value);
        break;
    case TFindingKind::kDataPastEnd:
        ReportProblem("record %s at offset %u: its %u data bytes reach past the end of the "
                      "file at %u; nothing after it was checked",
                      text, offset, value, unsigned(fileSize));
        break;
    case TFindingKind::kLiveTwice:
        ReportProblem("record %s is live twice, at offsets %u and %u", text, offset, value);
        break;
    case TFindingKind::kIndexMissing:
        ReportProblem("the index %s is missing; the next opening rebuilds it", name);
        break;
    case TFindingKind::kIndexEmpty:
        ReportProblem("the index %s is empty, but the database holds live records; the next "
                      "opening rebuilds it",
                      name);
        break;
    case TFindingKind::kIndexHeader:
        ReportProblem("the index %s does not start with the index header VEKINDEX", name);
        break;
    case TFindingKind::kIndexVersion:
        ReportProblem("the index %s has a version other than 0 and 1", name);
        break;
    case TFindingKind::kIndexTree:
        ReportProblem("the index %s is not a valid B-tree (key order, key counts, child links "
                      "or depth)",
                      name);
        break;
    case TFindingKind::kIndexMoved:
        ReportProblem("the index names record %s at offset %u, but it is live at offset %u", text,
                      offset, value);
        break;
    case TFindingKind::kIndexDeadVersion:
        ReportProblem("the index names record %s at offset %u, a deleted version", text, offset);
        break;
    case TFindingKind::kIndexNoHeader:
        ReportProblem("the index names record %s at offset %u, where no header of it starts", text,
                      offset);
        break;
    case TFindingKind::kNotIndexed:
        ReportProblem("record %s at offset %u is missing from the index", text, offset);
        break;
    }
}

} // namespace

void VerifyHandler() {
    const std::string& name = CurrentRun().databaseFileName;
    if (!CheckDatabaseName(name, true)) return;
    WVEK::TDatabaseCheck check;
    try {
        check = WVEK::CheckDatabase(TFilePath(name));
    } catch (const TTolvException& failure) {
        if (!ReportIfInUse(failure, name)) throw;
        return;
    }
    for (const TFinding& finding : check.findings)
        ReportFinding(finding, check.fileSize);
    const size_t problems = check.findings.size();
    if (problems == 0)
        ReportInfo("the database is sound: %u record%s", unsigned(check.liveRecords),
                   check.liveRecords == 1 ? "" : "s");
    else
        ReportError("%zu problem%s found", problems, problems == 1 ? "" : "s");
}
