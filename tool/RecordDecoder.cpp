#include "RecordDecoder.h"

#include "AtomLibrary.h"
#include "Exception.h"
#include "MemBuffer.h"
#include "RecordIds.h"
#include "RecordTypes.h"
#include "Strings.h"
#include "TextEscapes.h"
#include "WVEK_DB.h"

#include <string>

namespace {

[[noreturn]] void Stop(UTarnwick::Callback& reporter, const std::string& message,
                       TDecodeError code) {
    reporter.ReportDecodeError(message);
    throw TTolvException(code);
}

void Append(TMemBuffer& buffer, const std::string& bytes) {
    if (!buffer.Append(bytes.data(), uint32_t(bytes.size()))) throw TTolvException(errNilPointer);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Pairs of hexadecimal digits, high half first; tab, LF, CR and space may stand anywhere.
void DecodeHexData(const std::string& text, TMemBuffer& buffer, UTarnwick::Callback& reporter) {
    std::string bytes;
    bool highPending = false;
    int high = 0;
    for (char c : text) {
        if (c == '\t' || c == '\n' || c == '\r' || c == ' ') continue;
        int digit = HexDigit(c);
        if (digit < 0)
            Stop(reporter, "found invalid characters decoding hex data", decodeBadHexData);
        if (highPending)
            bytes += char(high * 16 + digit);
        else
            high = digit;
        highPending = !highPending;
    }
    if (highPending)
        Stop(reporter, "decoding hex data had an odd number of hex characters", decodeBadHexData);
    Append(buffer, bytes);
}

// One <entry key=".." value=".."/>: the key, a zero byte, the value, a zero byte.
std::string DecodeTableEntry(TXMLNode& entry, UTarnwick::Callback& reporter) {
    if (!entry.IsEmpty()) reporter.ReportDecodeError("table node has data");
    const std::string* key = nullptr;
    const std::string* value = nullptr;
    for (const auto& [name, text] : entry.attributes) {
        if (name == "key")
            key = &text;
        else if (name == "value")
            value = &text;
        else
            reporter.ReportDecodeError(WithDetail("table entry has unknown attribute", name));
    }
    if (key == nullptr)
        Stop(reporter, "table entry is missing it's key attribute", decodeMissingKey);
    if (value == nullptr)
        Stop(reporter, "table entry is missing it's value attribute", decodeMissingValue);
    return UnescapeText(*key) + '\0' + UnescapeText(*value) + '\0';
}

// A 16-bit little-endian count of strings (twice the entries), then every entry. The count
// is not checked against the 16-bit range.
void DecodeKeyedTable(TXMLNode& table, TMemBuffer& buffer, UTarnwick::Callback& reporter) {
    std::string bytes(2, '\0');
    uint32_t count = 0;
    for (TXMLNode* child = table.firstChild; child; child = child->nextSibling) {
        if (child->GetName() == "entry") {
            bytes += DecodeTableEntry(*child, reporter);
            count += 2;
        } else if (child->GetName() != "ignore") {
            reporter.ReportDecodeError(
                WithDetail("found an unknown node in a table", child->GetName()));
        }
    }
    bytes[0] = char(count & 0xFF);
    bytes[1] = char((count >> 8) & 0xFF);
    Append(buffer, bytes);
}

// Blanks every line whose first byte after spaces and tabs is ';', up to the line's end (LF,
// CR or the terminating zero byte, which stay). The byte count does not change.
void StripWholeLineComments(uint8_t* text, uint32_t length) {
    uint32_t at = 0;
    while (at < length && text[at] != 0) {
        while (at < length && (text[at] == ' ' || text[at] == '\t'))
            ++at;
        bool comment = at < length && text[at] == ';';
        for (; at < length && text[at] != 0 && text[at] != '\n' && text[at] != '\r'; ++at)
            if (comment) text[at] = ' ';
        if (at < length && text[at] != 0) ++at; // the line's LF or CR
    }
}

std::string AssemblyFailure(int32_t result) {
    if (result == 0) return "KEL failed to compile the atom stream";
    std::string detail =
        FormatString("line %d: %s", result >> 16, AtomLibraryErrorText(result).c_str());
    return WithDetail("KEL failed to compile the atom stream", detail);
}

void DecodeAtomStream(const std::string& text, TMemBuffer& buffer, UTarnwick::Callback& reporter,
                      bool stripComments) {
    if (!AtomLibraryReady())
        Stop(reporter, "KEL is not available to encode an atom stream", decodeNoAtomLibrary);
    TMemBuffer stream(text.data(), uint32_t(text.size()));
    if (!stream.AppendByte(0)) throw TTolvException(errNilPointer);
    if (stripComments) StripWholeLineComments(stream.LockWrite(0), stream.GetLength());
    int32_t result = 0;
    if (!AssembleAtomStream(stream, &result))
        Stop(reporter, AssemblyFailure(result), decodeAtomStreamFailed);
    if (!buffer.AppendBuffer(stream)) throw TTolvException(errNilPointer);
}

// True when `node` has a child element other than <ignore>.
bool HasKids(const TXMLNode& node) {
    for (const TXMLNode* child = node.firstChild; child; child = child->nextSibling)
        if (child->GetName() != "ignore") return true;
    return false;
}

// Appends what one data element of a record contributes.
void DecodeDataElement(TXMLNode& child, TMemBuffer& buffer, UTarnwick::Callback& reporter,
                       bool stripComments) {
    if (child.IsEmpty()) reporter.ReportDecodeError("found an empty node for a data node");
    if (!child.attributes.empty()) reporter.ReportDecodeError("data node has attributes");
    std::string data = ElementData(child); // an empty element fails here
    const std::string& name = child.GetName();
    if (name == "string") {
        Append(buffer, UnescapeText(data));
    } else if (name == "hex_data") {
        DecodeHexData(data, buffer, reporter);
    } else if (name == "keyed_table") {
        if (!data.empty()) reporter.ReportDecodeError("record node has raw data itself");
        DecodeKeyedTable(child, buffer, reporter);
        return;
    } else if (name == "atom_stream") {
        DecodeAtomStream(data, buffer, reporter, stripComments);
    } else if (name != "ignore") {
        reporter.ReportDecodeError(WithDetail("found an unknown data node", name));
    }
    if (HasKids(child)) reporter.ReportDecodeError("found kids on a node that shouldn't have kids");
}

const std::string* Attribute(const TXMLNode& node, const char* name) {
    auto found = node.attributes.find(name);
    return found == node.attributes.end() ? nullptr : &found->second;
}

// The public flag word of the record's compressed, encrypted and permanent attributes;
// reports attributes it does not know.
uint32_t DecodeFlags(const TXMLNode& node, UTarnwick::Callback& reporter) {
    uint32_t flags = 0;
    for (const auto& [name, value] : node.attributes) {
        bool set = value == "true";
        if (name == "id" || name == "type") continue;
        if (name == "compressed")
            flags |= set ? 0x1 : 0;
        else if (name == "encrypted")
            flags |= set ? 0x2 : 0;
        else if (name == "permanent")
            flags |= set ? 0x4 : 0;
        else
            reporter.ReportDecodeError(WithDetail("unknown attribute found", name));
    }
    return flags;
}

} // namespace

std::string WithDetail(const char* message, const std::string& detail) {
    return std::string(message) + " \"" + detail + "\"";
}

std::string ElementData(TXMLNode& node) {
    uint32_t count = 0;
    uint8_t* bytes = node.LockData(count);
    std::string data(reinterpret_cast<const char*>(bytes), bytes ? count : 0);
    node.UnlockData(bytes);
    return data;
}

void DecodeRecord(WVEK::TWVEK_DB& database, TXMLNode& node, UTarnwick::Callback& reporter,
                  bool stripComments) {
    if (node.IsEmpty()) Stop(reporter, "record node was empty", decodeEmptyRecord);
    const std::string* idText = Attribute(node, "id");
    if (idText == nullptr) Stop(reporter, "record node missing id attribute", decodeMissingId);
    const std::string* typeText = Attribute(node, "type");
    if (typeText == nullptr)
        Stop(reporter, "record node missing type attribute", decodeMissingType);

    uint32_t id = ParseRecordId(*idText);
    // The old record goes before the type is checked: a record that then fails still removes it.
    if (database.Exists(id)) {
        reporter.RecordExists(id);
        database.Delete(id, true);
    }
    std::optional<int> type = RecordTypeCode(*typeText);
    if (!type)
        Stop(reporter, WithDetail("record node had unknown type", *typeText), decodeUnknownType);
    uint32_t flags = DecodeFlags(node, reporter);

    TMemBuffer data;
    for (TXMLNode* child = node.firstChild; child; child = child->nextSibling)
        DecodeDataElement(*child, data, reporter, stripComments);
    if (data.GetLength() == 0)
        reporter.ReportDecodeError(WithDetail("record is zero length", *idText));

    if (!database.Put(id, data.Data(), data.GetLength(), uint8_t(*type)))
        Stop(reporter, "db add failed", decodeAddFailed);
    database.SetFlags(id, flags);
    reporter.RecordDecoded(id);
}
