#include "DatabaseCommands.h"

#include "DatabaseFile.h"
#include "Dispatcher.h"
#include "Exception.h"
#include "File.h"
#include "FileLock.h"
#include "JsonWriter.h"
#include "OutputStream.h"
#include "RecordIds.h"
#include "RecordTypes.h"
#include "RunState.h"
#include "StdioStream.h"
#include "Strings.h"
#include "SupportFiles.h"
#include "WVEK_DB.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>

using WVEK::TWVEK_DB;

namespace {

TWVEK_DB& OpenedDatabase() {
    return *CurrentRun().database;
}

std::string IdText(uint32_t id) {
    return FormatRecordId(id, '-');
}

// The members that name a record in the JSON documents: its id in the three notations.
TJsonObject IdObject(uint32_t id) {
    TJsonObject object;
    object.String("id", IdText(id)).String("hex", FormatString("0x%X", id)).Number("decimal", id);
    return object;
}

struct TFreeBlock {
    void operator()(uint8_t* block) const { std::free(block); }
};

struct TRecordCopy {
    std::unique_ptr<uint8_t, TFreeBlock> data;
    uint32_t length = 0;
    int type = 0;
    uint32_t flags = 0;
};

// The record as `database` holds it, or none when it has no live record `id`. A record that
// exists but cannot be handed out is damage: errAssert.
std::optional<TRecordCopy> FindRecord(TWVEK_DB& database, uint32_t id) {
    TRecordCopy copy;
    copy.data.reset(database.Get(id, &copy.length, &copy.type, &copy.flags));
    if (copy.data) return copy;
    ThrowUnless(!database.Exists(id));
    return std::nullopt;
}

// The record as `database` holds it; the caller knows that it exists (errAssert otherwise).
TRecordCopy FetchRecord(TWVEK_DB& database, uint32_t id) {
    std::optional<TRecordCopy> copy = FindRecord(database, id);
    ThrowUnless(copy.has_value());
    return std::move(*copy);
}

// ---- list ----------------------------------------------------------------------------------

// The summary's lines, in order, with the type each one counts and its member in the JSON
// summary; records of other types count only in the total.
constexpr struct {
    uint8_t type;
    const char* format;
    const char* key;
} kSummaryLines[] = {
    {WVEK::kTypePicture, "Record Summary\n  Picture: %d\n", "picture"},
    {WVEK::kTypeQdf, "      QDF: %d\n", "qdf"},
    {WVEK::kTypeList, "     List: %d\n", "list"},
    {WVEK::kTypeText, "     Text: %d\n", "text"},
    {WVEK::kTypeBinary, "   Binary: %d\n", "binary"},
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

TJsonObject SummaryObject(const TRecordCounts& counts) {
    TJsonObject object;
    for (size_t i = 0; i < kSummaryTypes; ++i)
        object.Number(kSummaryLines[i].key, counts.byType[i]);
    return object.Number("total", counts.total);
}

// Walks the live records of the run's database in file order, calling show(id, type) for
// each, and counts them (by type only with countTypes).
template <class Show> TRecordCounts CountRecords(bool countTypes, Show show) {
    TRecordCounts counts;
    std::unique_ptr<TWVEK_DB::Iterator> records = OpenedDatabase().CreateIterator(0);
    while (records->HasMore()) {
        uint32_t type = 0;
        const uint32_t id = records->Next(&type);
        ++counts.total;
        if (countTypes) counts.Count(int(type));
        show(id, int(type));
    }
    return counts;
}

void WriteTextList(TOutput& output, const char* lineFormat, bool showList, bool showSummary) {
    const TRecordCounts counts = CountRecords(showSummary, [&](uint32_t id, int type) {
        if (showList)
            output.Write(FormatString(lineFormat, IdText(id).c_str(), RecordTypeName(type)));
    });
    if (showSummary) {
        if (showList) output.Write("\n");
        output.Write(SummaryText(counts));
    }
}

// The record's flags and length come from the record itself, which the walk does not read.
void WriteJsonList(TOutput& output, bool showList, bool showSummary) {
    TWVEK_DB& database = OpenedDatabase();
    TJsonDocument document(output);
    document.String("database", CurrentRun().databaseFileName);
    if (showList) document.BeginArray("records");
    const TRecordCounts counts = CountRecords(showSummary, [&](uint32_t id, int type) {
        if (!showList) return;
        const TRecordCopy record = FetchRecord(database, id);
        document.Element(IdObject(id)
                             .String("type", RecordTypeName(type))
                             .Number("flags", record.flags)
                             .Number("length", record.length));
    });
    if (showList) document.EndArray();
    if (showSummary) document.Member("summary", SummaryObject(counts));
    document.Close();
}

// ---- compare -------------------------------------------------------------------------------

// One of the two databases of `compare`, with its name as typed.
struct TSide {
    TWVEK_DB& database;
    const std::string& name;
};

// A difference of record `id` as a JSON object.
TJsonObject DifferenceObject(uint32_t id, const char* kind) {
    TJsonObject object = IdObject(id);
    object.String("kind", kind);
    return object;
}

// Reports the first difference of a record present in both databases and gives it as JSON;
// none when the record is the same in both.
std::optional<TJsonObject> FirstDifference(uint32_t id, const TRecordCopy& a, TSide first,
                                           const TRecordCopy& b, TSide second) {
    const char *one = first.name.c_str(), *two = second.name.c_str();
    if (a.type != b.type) {
        ReportError("records %s are not the same type (%s : %s vs %s : %s)", IdText(id).c_str(),
                    one, RecordTypeName(a.type), two, RecordTypeName(b.type));
        return DifferenceObject(id, "type")
            .String("first", RecordTypeName(a.type))
            .String("second", RecordTypeName(b.type));
    }
    if (a.flags != b.flags) {
        ReportError("records %s don't have the same flags (%s : %04X vs %s : %04X)",
                    IdText(id).c_str(), one, a.flags, two, b.flags);
        return DifferenceObject(id, "flags").Number("first", a.flags).Number("second", b.flags);
    }
    if (a.length != b.length) {
        ReportError("records %s don't match in length (%s : %d vs %s : %d)", IdText(id).c_str(),
                    one, int(a.length), two, int(b.length));
        return DifferenceObject(id, "length").Number("first", a.length).Number("second", b.length);
    }
    if (std::memcmp(a.data.get(), b.data.get(), a.length) != 0) {
        ReportError("the data for record %s differs between the two files", IdText(id).c_str());
        return DifferenceObject(id, "data");
    }
    return std::nullopt;
}

// A record of one side that `other` lacks: reported, and given as JSON.
TJsonObject MissingRecord(uint32_t id, const TSide& other) {
    ReportProblem("record %s doesn't exists in %s", IdText(id).c_str(), other.name.c_str());
    return DifferenceObject(id, "missing").String("missing_from", other.name);
}

// Walks the first database's live records: each the second lacks is reported, each both hold
// is compared. Their ids go to `seen`, sorted, for the walk of the second. False when there
// was a report; each goes into `differences` too when there is a document.
bool CompareRecords(TSide first, TSide second, TJsonDocument* differences,
                    std::vector<uint32_t>& seen) {
    bool same = true;
    std::unique_ptr<TWVEK_DB::Iterator> records = first.database.CreateIterator(0);
    while (records->HasMore()) {
        const uint32_t id = records->Next(nullptr);
        seen.push_back(id);
        const std::optional<TRecordCopy> b = FindRecord(second.database, id);
        std::optional<TJsonObject> difference =
            b ? FirstDifference(id, FetchRecord(first.database, id), first, *b, second)
              : MissingRecord(id, second);
        if (!difference) continue;
        same = false;
        if (differences) differences->Element(*difference);
    }
    std::sort(seen.begin(), seen.end());
    return same;
}

// Reports every live record of the second database whose id the first's walk did not see.
bool ReportRecordsOnlyIn(TSide second, TSide first, const std::vector<uint32_t>& seen,
                         TJsonDocument* differences) {
    bool same = true;
    std::unique_ptr<TWVEK_DB::Iterator> records = second.database.CreateIterator(0);
    while (records->HasMore()) {
        const uint32_t id = records->Next(nullptr);
        if (std::binary_search(seen.begin(), seen.end(), id)) continue;
        same = false;
        const TJsonObject difference = MissingRecord(id, first);
        if (differences) differences->Element(difference);
    }
    return same;
}

} // namespace

void ListHandler() {
    const bool skip = HasOption("-skip", true);
    const bool only = HasOption("-only", true);
    const bool tab = HasOption("-tab", true);
    const bool json = HasOption("-json", true);
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
    if (json)
        WriteJsonList(output, showList, showSummary);
    else
        WriteTextList(output, lineFormat, showList, showSummary);
    output.Close();
}

void CompareHandler() {
    const bool json = HasOption("-json", true);
    const std::string secondName = NextArgument();
    if (secondName.empty()) {
        ReportError("wrong number of arguments for compare");
        return;
    }
    TOpenDatabase second = OpenDatabase(secondName, true);
    if (!second) return;
    const TSide first{OpenedDatabase(), CurrentRun().databaseFileName}, other{*second, secondName};
    std::optional<TOutput> output;
    std::optional<TJsonDocument> document;
    if (json) {
        document.emplace(output.emplace(""));
        document->String("first", first.name);
        document->String("second", other.name);
        document->BeginArray("differences");
    }
    TJsonDocument* differences = document ? &*document : nullptr;
    std::vector<uint32_t> seen;
    bool same = CompareRecords(first, other, differences, seen);
    same = ReportRecordsOnlyIn(other, first, seen, differences) && same;
    second.reset();
    if (document) {
        document->EndArray();
        document->Bool("same", same);
        document->Close();
        output->Close();
    }
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
