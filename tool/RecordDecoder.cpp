#include "RecordDecoder.h"

#include "AtomLibrary.h"
#include "Exception.h"
#include "RecordIds.h"
#include "RecordTypes.h"
#include "Strings.h"
#include "TextEscapes.h"
#include "WVEK_DB.h"

#include <array>
#include <new>

using UTarnwick::TSite;

namespace {

// What each byte is in hex data: a digit's value, kHexBlank for the blanks that may stand
// anywhere (tab, LF, CR, space), kHexInvalid for anything else.
constexpr uint8_t kHexBlank = 0x10, kHexInvalid = 0xFF;
constexpr std::array<uint8_t, 256> kHexValue = [] {
    std::array<uint8_t, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[size_t(c)] = c >= '0' && c <= '9'                              ? uint8_t(c - '0')
                           : c >= 'a' && c <= 'f'                            ? uint8_t(c - 'a' + 10)
                           : c >= 'A' && c <= 'F'                            ? uint8_t(c - 'A' + 10)
                           : c == '\t' || c == '\n' || c == '\r' || c == ' ' ? kHexBlank
                                                                             : kHexInvalid;
    return table;
}();

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

// The located words for an assembly failure; `explanation`, what the library binding can tell
// about the failing name or argument, follows when there is one.
std::string AssemblyProblem(int32_t result, const std::string& explanation) {
    std::string text = "KEL failed to compile the atom stream";
    if (result != 0) text += ": " + AtomLibraryErrorText(result);
    if (!explanation.empty()) text += ": " + explanation;
    return text;
}

// Where an assembly failure points: the library counts lines from 1 where the element's data
// begins (after the whitespace the parser drops), and carries the line in the upper 16 bits.
TSite AssemblySite(const TXMLNode& at, const std::string* recordId, int32_t result) {
    uint32_t line = uint32_t(result) >> 16;
    if (line == 0 || at.dataOffset < 0) return {at.offset, 0, recordId};
    return {at.dataOffset, int32_t(line) - 1, recordId};
}

// True when `node` has a child element other than <ignore>.
bool HasKids(const TXMLNode& node) {
    for (const TXMLNode* child = node.firstChild; child; child = child->nextSibling)
        if (child->GetName() != "ignore") return true;
    return false;
}

const std::string* Attribute(const TXMLNode& node, const char* name) {
    auto found = node.attributes.find(name);
    return found == node.attributes.end() ? nullptr : &found->second;
}

// The public flag of a flag attribute, or 0 for another name.
uint32_t FlagOf(const std::string& name) {
    if (name == "compressed") return 0x1;
    if (name == "encrypted") return 0x2;
    return name == "permanent" ? 0x4 : 0;
}

} // namespace

std::string WithDetail(const char* message, const std::string& detail) {
    return std::string(message) + " \"" + detail + "\"";
}

TRecordDecoder::TRecordDecoder(WVEK::TWVEK_DB& database, UTarnwick::Callback& reporter,
                               bool stripComments)
    : fDatabase(database), fReporter(reporter), fStripComments(stripComments) {}

void TRecordDecoder::Problem(const TXMLNode& at, const std::string& message) {
    fReporter.ReportDecodeError(At(at), message);
}

void TRecordDecoder::Stop(const TSite& at, const std::string& message, TDecodeError code,
                          const std::string& what) {
    fReporter.DecodeStopped(at, message, what);
    fStopReported = true;
    throw TTolvException(code);
}

void TRecordDecoder::DecodeElement(TXMLNode& element) {
    fRecordId = nullptr;
    fStopReported = false;
    try {
        const std::string& name = element.GetName();
        if (name == "include_file") {
            if (element.IsEmpty())
                Stop(At(element), "", decodeFailed, "<include_file/> names no file");
            fReporter.IncludeFile(At(element), std::string(element.Data()));
        } else if (name == "record") {
            DecodeRecord(element);
        } else if (name != "ignore") {
            Problem(element, WithDetail("unknown node", name));
        }
    } catch (const TTolvException& failure) {
        // A failure of the database or of memory on the way still gets its place.
        if (!fStopReported)
            fReporter.DecodeStopped(At(element), "",
                                    FormatString("decoding failed (error %u)", failure.code));
        throw;
    } catch (const std::bad_alloc&) {
        fReporter.DecodeStopped(At(element), "", "out of memory");
        throw TTolvException(errNilPointer);
    }
}

bool TRecordDecoder::DatabaseFailed() const {
    return fDatabase.Failure() != 0;
}

void TRecordDecoder::DecodeRecord(TXMLNode& node) {
    fRecordId = Attribute(node, "id");
    if (node.IsEmpty()) Stop(node, "record node was empty", decodeEmptyRecord);
    if (fRecordId == nullptr) Stop(node, "record node missing id attribute", decodeMissingId);
    const std::string* typeText = Attribute(node, "type");
    if (typeText == nullptr) Stop(node, "record node missing type attribute", decodeMissingType);
    if (!IsRecordIdText(*fRecordId))
        Problem(node, WithDetail("id attribute is not a record id", *fRecordId));

    uint32_t id = ParseRecordId(*fRecordId);
    // Reported here, but deleted only when the new record is about to be put.
    bool replaces = fDatabase.Exists(id);
    if (replaces) fReporter.RecordExists(At(node), id);
    std::optional<int> type = RecordTypeCode(*typeText);
    if (!type) Stop(node, WithDetail("record node had unknown type", *typeText), decodeUnknownType);
    uint32_t flags = DecodeFlags(node);

    fData.clear();
    for (TXMLNode* child = node.firstChild; child; child = child->nextSibling)
        DecodeDataElement(*child);
    if (fData.empty()) Problem(node, WithDetail("record is zero length", *fRecordId));

    if (replaces) fDatabase.Delete(id, true);
    if (!fDatabase.Put(id, fData.data(), uint32_t(fData.size()), uint8_t(*type)))
        Stop(node, "db add failed", decodeAddFailed);
    fDatabase.SetFlags(id, flags);
    fReporter.RecordDecoded(id);
}

// The public flag word of the record's compressed, encrypted and permanent attributes;
// reports attributes it does not know and flag values other than "true" and "false".
uint32_t TRecordDecoder::DecodeFlags(const TXMLNode& node) {
    uint32_t flags = 0;
    for (const auto& [name, value] : node.attributes) {
        if (name == "id" || name == "type") continue;
        uint32_t flag = FlagOf(name);
        if (flag == 0)
            Problem(node, WithDetail("unknown attribute found", name));
        else if (value == "true")
            flags |= flag;
        else if (value != "false")
            Problem(node, WithDetail("flag value is neither true nor false", name + "=" + value));
    }
    return flags;
}

// Appends what one data element of a record contributes.
void TRecordDecoder::DecodeDataElement(TXMLNode& child) {
    const std::string& name = child.GetName();
    if (child.IsEmpty()) Problem(child, "found an empty node for a data node");
    if (!child.attributes.empty()) Problem(child, "data node has attributes");
    if (child.IsEmpty()) Stop(At(child), "", decodeFailed, "<" + name + "/> has no data to read");
    std::string_view data = child.Data();
    if (name == "string") {
        AppendUnescapedText(child, data);
    } else if (name == "hex_data") {
        DecodeHexData(child, data);
    } else if (name == "keyed_table") {
        if (!data.empty()) Problem(child, "record node has raw data itself");
        DecodeKeyedTable(child);
        return;
    } else if (name == "atom_stream") {
        DecodeAtomStream(child, data);
    } else if (name != "ignore") {
        Problem(child, WithDetail("found an unknown data node", name));
    }
    // The text is decoded: a large one goes now rather than with the record's element, so
    // that a record's text, its bytes and the database's copy of them are never all held.
    child.ClearData();
    if (HasKids(child)) Problem(child, "found kids on a node that shouldn't have kids");
}

void TRecordDecoder::AppendUnescapedText(const TXMLNode& at, std::string_view text) {
    size_t bad = AppendUnescaped(text, fData);
    if (bad != std::string::npos)
        Stop(At(at), "", decodeFailed,
             WithDetail("bad escape", std::string(text.substr(bad, 4))) + " in <" + at.GetName() +
                 ">");
}

// Pairs of hexadecimal digits, high half first; tab, LF, CR and space may stand anywhere. The
// bytes are written in place, at most one per two bytes of text.
void TRecordDecoder::DecodeHexData(const TXMLNode& at, std::string_view text) {
    size_t start = fData.size();
    fData.resize(start + text.size() / 2);
    char* out = fData.data() + start;
    bool highPending = false;
    uint8_t high = 0;
    for (char c : text) {
        uint8_t value = kHexValue[uint8_t(c)];
        if (value == kHexBlank) continue;
        if (value == kHexInvalid)
            Stop(at, "found invalid characters decoding hex data", decodeBadHexData);
        if (highPending)
            *out++ = char(high << 4 | value);
        else
            high = value;
        highPending = !highPending;
    }
    if (highPending)
        Stop(at, "decoding hex data had an odd number of hex characters", decodeBadHexData);
    fData.resize(size_t(out - fData.data()));
}

// A 16-bit little-endian count of strings (twice the entries), then every entry. The count
// is not checked against the 16-bit range.
void TRecordDecoder::DecodeKeyedTable(TXMLNode& table) {
    size_t countAt = fData.size();
    fData.append(2, '\0');
    uint32_t count = 0;
    for (TXMLNode* child = table.firstChild; child; child = child->nextSibling) {
        if (child->GetName() == "entry") {
            DecodeTableEntry(*child);
            count += 2;
        } else if (child->GetName() != "ignore") {
            Problem(*child, WithDetail("found an unknown node in a table", child->GetName()));
        }
    }
    fData[countAt] = char(count & 0xFF);
    fData[countAt + 1] = char((count >> 8) & 0xFF);
}

// One <entry key=".." value=".."/>: the key, a zero byte, the value, a zero byte.
void TRecordDecoder::DecodeTableEntry(const TXMLNode& entry) {
    if (!entry.IsEmpty()) Problem(entry, "table node has data");
    const std::string* key = nullptr;
    const std::string* value = nullptr;
    for (const auto& [name, text] : entry.attributes) {
        if (name == "key")
            key = &text;
        else if (name == "value")
            value = &text;
        else
            Problem(entry, WithDetail("table entry has unknown attribute", name));
    }
    if (key == nullptr) Stop(entry, "table entry is missing it's key attribute", decodeMissingKey);
    if (value == nullptr)
        Stop(entry, "table entry is missing it's value attribute", decodeMissingValue);
    AppendUnescapedText(entry, *key);
    fData += '\0';
    AppendUnescapedText(entry, *value);
    fData += '\0';
}

void TRecordDecoder::DecodeAtomStream(const TXMLNode& at, std::string_view text) {
    if (!AtomLibraryReady())
        Stop(at, "KEL is not available to encode an atom stream", decodeNoAtomLibrary);
    fAtomText.Clear();
    if (!fAtomText.Append(text.data(), uint32_t(text.size())) || !fAtomText.AppendByte(0))
        throw TTolvException(errNilPointer);
    if (fStripComments) StripWholeLineComments(fAtomText.LockWrite(0), fAtomText.GetLength());
    int32_t result = 0;
    if (!AssembleAtomStream(fAtomText, &result)) {
        // The buffer still holds the text as assembled, with its terminating zero byte.
        std::string assembled(reinterpret_cast<const char*>(fAtomText.Data()),
                              fAtomText.GetLength() - 1);
        Stop(AssemblySite(at, fRecordId, result), AssemblyFailure(result), decodeAtomStreamFailed,
             AssemblyProblem(result, ExplainAtomStreamFailure(assembled, result)));
    }
    fData.append(reinterpret_cast<const char*>(fAtomText.Data()), fAtomText.GetLength());
}
