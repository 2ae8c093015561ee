#pragma once
// TRecordDecoder: turns the elements of a parsed XML source (record, include_file, ignore)
// into stored records and further files.
//
// Problems that do not stop decoding are reported through the callback, each with the element
// it concerns; a stopping failure is reported there first and then thrown as a TTolvException
// carrying its decode error code. The decoder keeps its buffers from record to record, so
// that it allocates nothing per record once they are large enough.

#include "DecodeReporter.h"
#include "MemBuffer.h"
#include "XMLNode.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace WVEK {
class TWVEK_DB;
}

// Decode error codes: a failure that stops the decoding of a file.
enum TDecodeError : uint32_t {
    decodeFailed = 1, // any other failure (a bad escape, an empty data element, ...)
    decodeEmptyRecord = 3,
    decodeUnknownType = 4,
    decodeMissingId = 5,
    decodeMissingType = 6,
    decodeAddFailed = 7,
    decodeBadHexData = 8,
    decodeMissingKey = 9,
    decodeMissingValue = 10,
    decodeNoAtomLibrary = 11,
    decodeAtomStreamFailed = 12,
};

// A message with a detail: the message, a space and the detail in double quotes.
std::string WithDetail(const char* message, const std::string& detail);

class TRecordDecoder {
public:
    // Whole-line comments of atom streams are removed when `stripComments` is set.
    TRecordDecoder(WVEK::TWVEK_DB& database, UTarnwick::Callback& reporter, bool stripComments);

    // One element where records may stand (a child of record_list, or the root): include_file
    // names a file, record is stored, ignore is skipped, anything else is reported.
    void DecodeElement(TXMLNode& element);
    // Stores the record that `node` describes, replacing a record with the same id. The old
    // record is deleted only once the new one is decoded: a record that fails keeps it.
    void DecodeRecord(TXMLNode& node);
    // True once the database has failed (a flush that was rolled back): nothing more can be
    // stored, and the run must end.
    bool DatabaseFailed() const;

private:
    UTarnwick::TSite At(const TXMLNode& node) const { return {node.offset, 0, fRecordId}; }
    void Problem(const TXMLNode& at, const std::string& message);
    // Reports `message` (when not empty) and the place of `what`, then throws `code`.
    [[noreturn]] void Stop(const UTarnwick::TSite& at, const std::string& message,
                           TDecodeError code, const std::string& what);
    [[noreturn]] void Stop(const TXMLNode& at, const std::string& message, TDecodeError code) {
        Stop(At(at), message, code, message);
    }

    uint32_t DecodeFlags(const TXMLNode& node);
    void DecodeDataElement(TXMLNode& child);
    void AppendUnescapedText(const TXMLNode& at, std::string_view text);
    void DecodeHexData(const TXMLNode& at, std::string_view text);
    void DecodeKeyedTable(TXMLNode& table);
    void DecodeTableEntry(const TXMLNode& entry);
    void DecodeAtomStream(const TXMLNode& at, std::string_view text);

    WVEK::TWVEK_DB& fDatabase;
    UTarnwick::Callback& fReporter;
    bool fStripComments;
    bool fStopReported = false;
    const std::string* fRecordId = nullptr; // the id attribute of the record being decoded
    std::string fData;                      // the bytes of the record being decoded
    TMemBuffer fAtomText;                   // an atom stream's text, then its binary form
};
