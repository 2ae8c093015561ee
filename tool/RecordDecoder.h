#pragma once
// Decoding of one <record> element of the XML source into a stored record.
//
// Problems that do not stop decoding are reported through the callback; a stopping failure
// is reported there first and then thrown as a TTolvException carrying its decode error code.

#include "DecodeReporter.h"
#include "XMLNode.h"

#include <cstdint>
#include <string>

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

// The element's data bytes; throws errAssert for an element written as an empty element.
std::string ElementData(TXMLNode& node);

// Stores the record that `node` describes, replacing a record with the same id. Whole-line
// comments of atom streams are removed when `stripComments` is set.
void DecodeRecord(WVEK::TWVEK_DB& database, TXMLNode& node, UTarnwick::Callback& reporter,
                  bool stripComments);
