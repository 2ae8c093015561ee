#include "Dumper.h"

#include "AtomLibrary.h"
#include "InfoCommands.h"
#include "OutputStream.h"
#include "RecordIds.h"
#include "RecordTypes.h"
#include "RecordWriter.h"
#include "RunState.h"
#include "Strings.h"
#include "WVEK_DB.h"

#include <cstdlib>
#include <memory>

namespace {

// The data element that shows the record best.
void WriteBody(std::string& out, const uint8_t* data, uint32_t length, int type, uint32_t flags) {
    bool column = (flags & dumpSkipAsc) == 0 && type != 'p';
    if (flags & dumpBinary)
        WriteHexData(out, data, length, column && type != 'a');
    else if (type == 'a')
        WriteAtomStream(out, data, length);
    else if (type == 't')
        WriteString(out, data, length);
    else if ((type == 'b' || type == 'l') && (flags & dumpNoTables) == 0 &&
             LooksLikeKeyedTable(data, length))
        WriteKeyedTable(out, data, length);
    else
        WriteHexData(out, data, length, column);
}

uint32_t DumpFlags() {
    uint32_t flags = 0;
    if (HasOption("-skipasc", true)) flags |= dumpSkipAsc;
    if (HasOption("-binary", true)) flags |= dumpBinary;
    if (HasOption("-notables", true)) flags |= dumpNoTables;
    return flags;
}

} // namespace

void DumpRecord(WVEK::TWVEK_DB& database, uint32_t id, LStream& stream, uint32_t dumpFlags) {
    uint32_t length = 0;
    int type = 0;
    uint32_t flags = 0;
    std::unique_ptr<uint8_t, decltype(&std::free)> data(database.Get(id, &length, &type, &flags),
                                                        &std::free);
    std::string idText = FormatRecordId(id, '-');
    if (data == nullptr) {
        ReportError("record %s could not be read", idText.c_str());
        return;
    }
    // One buffer for every record of the run: a dump writes many, one after another.
    static std::string out;
    out.clear();
    out.append("<record id=\"").append(idText).append("\" type=\"");
    out.append(RecordTypeName(type)).append("\"");
    if (flags & 0x1) out += " compressed=\"true\"";
    if (flags & 0x2) out += " encrypted=\"true\"";
    if (flags & 0x4) out += " permanent=\"true\"";
    out += ">\n";
    WriteBody(out, data.get(), length, type, dumpFlags);
    out += "</record>\n\n";
    stream.WriteOrThrow(out.data(), uint32_t(out.size()));
}

void DumpHandler() {
    bool all = HasOption("-all", true);
    uint32_t dumpFlags = DumpFlags();
    std::vector<TRecordRange> ranges;
    if (!all) {
        auto parsed = ParseRecordRanges();
        if (!parsed) return;
        ranges = std::move(*parsed);
    }
    TOutput output(NextArgument());
    if (!output.IsOpen()) return;
    if (!InitAtomLibrary(nullptr))
        ReportProblem("KEL didn't initialize, QDF will be dumped as binary data");

    WVEK::TWVEK_DB& database = *CurrentRun().database;
    output.Write(FormatString("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                              "\n<?tarnwick formatversion=\"%s\"?>\n\n<record_list>\n\n",
                              FormatVersionText().c_str()));
    if (all) {
        std::unique_ptr<WVEK::TWVEK_DB::Iterator> records(database.CreateIterator(0));
        uint32_t type = 0;
        while (records->HasMore())
            DumpRecord(database, records->Next(&type), output.Stream(), dumpFlags);
    } else {
        for (const TRecordRange& range : ranges)
            VisitRecordIds(range, [&](uint32_t id) {
                if (database.Exists(id))
                    DumpRecord(database, id, output.Stream(), dumpFlags);
                else
                    ReportError("record %s wasn't found", FormatRecordId(id, '-').c_str());
            });
    }
    output.Write("</record_list>\n");
    output.Close();
    TerminateAtomLibrary();
}
