#include "DatabaseCommands.h"

#include "DatabaseFile.h"
#include "Dispatcher.h"
#include "Exception.h"
#include "File.h"
#include "FileLock.h"
#include "OutputStream.h"
#include "RecordIds.h"
#include "RecordTypes.h"
#include "RunState.h"
#include "StdioStream.h"
#include "Strings.h"
#include "SupportFiles.h"
#include "WVEK_DB.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>

using WVEK::TWVEK_DB;

namespace {

TWVEK_DB& OpenedDatabase() {
    return *CurrentRun().database;
}

std::string IdText(uint32_t id) {
    return FormatRecordId(id, '-');
}

// ---- list ----------------------------------------------------------------------------------

// The summary's lines, in order, with the type each one counts; records of other types count
// only in the total.
constexpr struct {
    uint8_t type;
    const char* format;
} kSummaryLines[] = {
    {WVEK::kTypePicture, "Record Summary\n  Picture: %d\n"},
    {WVEK::kTypeQdf, "      QDF: %d\n"},
    {WVEK::kTypeList, "     List: %d\n"},
    {WVEK::kTypeText, "     Text: %d\n"},
    {WVEK::kTypeBinary, "   Binary: %d\n"},
};
constexpr size_t kSummaryTypes = std::size(kSummaryLines);

struct TRecordCounts {
    std::array<int, kSummaryTypes> byType{};
    int total = 0;

    void Count(int type) {
        for (size_t i = 0; i < kSummaryTypes; ++i)
            if (kSummaryLines[i].type == type) ++byType[i];
    }
};

std::string SummaryText(const TRecordCounts& counts) {
    std::string text;
    for (size_t i = 0; i < kSummaryTypes; ++i)
        text += FormatString(kSummaryLines[i].format, counts.byType[i]);
    return text + FormatString("\n    Total: %d\n", counts.total);
}

// ---- compare -------------------------------------------------------------------------------

struct TFreeBlock {
    void operator()(uint8_t* block) const { std::free(block); }
};

struct TRecordCopy {
    std::unique_ptr<uint8_t, TFreeBlock> data;
    uint32_t length = 0;
    int type = 0;
    uint32_t flags = 0;
};

// The record as `database` holds it. The caller knows that it exists, so a database that
// cannot hand it out is damaged: errAssert.
TRecordCopy FetchRecord(TWVEK_DB& database, uint32_t id) {
    TRecordCopy copy;
    copy.data.reset(database.Get(id, &copy.length, &copy.type, &copy.flags));
    ThrowUnless(copy.data != nullptr);
    return copy;
}

// Reports the first difference of a record present in both databases; false when there is one.
bool SameRecord(uint32_t id, TWVEK_DB& first, const std::string& firstName, TWVEK_DB& second,
                const std::string& secondName) {
    const TRecordCopy a = FetchRecord(first, id), b = FetchRecord(second, id);
    const std::string text = IdText(id);
    const char *one = firstName.c_str(), *two = secondName.c_str();
    if (a.type != b.type) {
        ReportError("records %s are not the same type (%s : %s vs %s : %s)", text.c_str(), one,
                    RecordTypeName(a.type), two, RecordTypeName(b.type));
    } else if (a.flags != b.flags) {
        ReportError("records %s don't have the same flags (%s : %04X vs %s : %04X)", text.c_str(),
                    one, a.flags, two, b.flags);
    } else if (a.length != b.length) {
        ReportError("records %s don't match in length (%s : %d vs %s : %d)", text.c_str(), one,
                    int(a.length), two, int(b.length));
    } else if (std::memcmp(a.data.get(), b.data.get(), a.length) != 0) {
        ReportError("the data for record %s differs between the two files", text.c_str());
    } else {
        return true;
    }
    return false;
}

// Reports every live record of `from` that `other` lacks; false when there is one. With
// `compare`, the records present in both are compared as well.
bool WalkRecords(TWVEK_DB& from, const std::string& fromName, TWVEK_DB& other,
                 const std::string& otherName, bool compare) {
    bool same = true;
    std::unique_ptr<TWVEK_DB::Iterator> records = from.CreateIterator(0);
    while (records->HasMore()) {
        const uint32_t id = records->Next(nullptr);
        if (!other.Exists(id)) {
            ReportProblem("record %s doesn't exists in %s", IdText(id).c_str(), otherName.c_str());
            same = false;
        } else if (compare && !SameRecord(id, from, fromName, other, otherName)) {
            same = false;
        }
    }
    return same;
}

} // namespace

void ListHandler() {
    const bool skip = HasOption("-skip", true);
    const bool only = HasOption("-only", true);
    const bool tab = HasOption("-tab", true);
    const char* lineFormat = tab ? "%s\t%s\n" : "%s, %s\n";
    const bool showSummary = !skip, showList = !only;
    const std::string name = NextArgument();
    if (only) {
        if (tab) ReportProblem("%s flag has no meaning with %s", "-tab", "-only");
        if (skip) {
            ReportError("you can't use %s and %s together", "-skip", "-only");
            return;
        }
    }
    TOutput output(name);
    if (!output.IsOpen()) return;
    TRecordCounts counts;
    std::unique_ptr<TWVEK_DB::Iterator> records = OpenedDatabase().CreateIterator(0);
    while (records->HasMore()) {
        uint32_t type = 0;
        const uint32_t id = records->Next(&type);
        ++counts.total;
        if (showSummary) counts.Count(int(type));
        if (showList)
            output.Write(FormatString(lineFormat, IdText(id).c_str(), RecordTypeName(int(type))));
    }
    if (showSummary) {
        if (showList) output.Write("\n");
        output.Write(SummaryText(counts));
    }
    output.Close();
}

void CompareHandler() {
    const std::string secondName = NextArgument();
    if (secondName.empty()) {
        ReportError("wrong number of arguments for compare");
        return;
    }
    TOpenDatabase second = OpenDatabase(secondName, true);
    if (!second) return;
    const std::string& firstName = CurrentRun().databaseFileName;
    TWVEK_DB& first = OpenedDatabase();
    bool same = WalkRecords(first, firstName, *second, secondName, true);
    same = WalkRecords(*second, secondName, first, firstName, false) && same;
    second.reset();
    if (same) ReportInfo("the databases contain the same data");
}

void CompactHandler() {
    if (const uint32_t code = OpenedDatabase().Compact())
        ReportError("compaction failed with error %d", int(code));
    else
        ReportInfo("compaction succeeded");
}

void RemoveHandler() {
    const std::optional<std::vector<TRecordRange>> ranges = ParseRecordRanges();
    if (!ranges) return;
    TWVEK_DB& database = OpenedDatabase();
    for (const TRecordRange& range : *ranges) {
        VisitRecordIds(range, [&](uint32_t id) {
            const std::string text = IdText(id);
            if (!database.Exists(id))
                ReportError("record %s wasn't found", text.c_str());
            else if (!database.Delete(id, true))
                ReportError("record %s failed to be deleted", text.c_str());
        });
    }
    // Success must not be claimed for changes that never reached the files.
    if (const uint32_t code = database.Flush(true)) throw TTolvException(code);
}

// Only a database is deleted, under its lock, so that no command deletes a file that is not
// its own or a database another process is using. A name that does not exist is no error.
void DeleteHandler() {
    const std::string& name = CurrentRun().databaseFileName;
    const TFilePath path(name);
    if (!path.Exists()) return;
    if (!WVEK::IsDatabaseFile(path)) {
        ReportError("'%s' is not a database file; nothing was deleted", name.c_str());
        return;
    }
    std::unique_ptr<TFileLock> lock;
    try {
        lock = TFileLock::Acquire(path, TFileLock::TMode::kExclusive);
    } catch (const TTolvException& failure) {
        if (!ReportIfInUse(failure, name)) throw;
        return;
    }
    WVEK::DeleteDatabaseFiles(path);
}
