#include "RecordWriter.h"

#include "AtomLibrary.h"
#include "DynamicStream.h"
#include "Entities.h"
#include "Strings.h"
#include "TextEscapes.h"
#include "XMLParser.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace {

constexpr const char* kIndent = "  ";

// The character column's character for each byte: printable bytes as themselves, others '.'.
constexpr std::array<char, 256> kColumnCharacter = [] {
    std::array<char, 256> column{};
    for (int c = 0; c < 256; ++c) {
        const bool shown = c >= 0x20 && c <= 0x7E && c != '"' && c != '\'' && c != '&' &&
                           c != '<' && c != '>';
        column[size_t(c)] = shown ? char(c) : '.';
    }
    return column;
}();

std::string Bytes(const uint8_t* data, uint32_t length) {
    return std::string(reinterpret_cast<const char*>(data), length);
}

bool HoldsCDataEnd(const std::string& text) {
    return text.find("]]>") != std::string::npos;
}

// The <atom_stream> element for the library's text, in one of its two layouts. The text's
// lines each run up to a CR or LF, which is consumed together with one LF directly after it.
std::string AtomStreamElement(std::string_view text) {
    const bool cdata = text.find("]]>") == std::string_view::npos;
    std::string element = "  <atom_stream>\n";
    element += cdata ? "    <![CDATA[\n"
                     : "    <!-- string contains ']]>', so CDATA can't be used -->\n";
    const char* prefix = cdata ? "      " : "    ";
    size_t at = 0;
    while (at < text.size()) {
        size_t end = std::min(text.find_first_of("\r\n", at), text.size());
        std::string_view line = text.substr(at, end - at);
        element += prefix;
        if (cdata) {
            element += line;
        } else {
            std::string encoded(line);
            EncodeEntities(encoded);
            element += encoded;
        }
        element += '\n';
        at = end + 1;
        if (at < text.size() && text[at] == '\n') ++at;
    }
    if (cdata) element += "    ]]>\n";
    element += "  </atom_stream>\n";
    return element;
}

// True when compiling `element` gives back exactly the stream's bytes: the element is parsed
// as the compiler parses it and its text assembled (comment lines kept).
bool CompilesBack(const std::string& element, const uint8_t* data, uint32_t length) {
    LDynamicStream document;
    std::string xml = "<?xml version=\"1.0\"?>\n" + element;
    document.WriteOrThrow(xml.data(), uint32_t(xml.size()));
    document.Seek(0, seekBegin);
    TXMLParser parser;
    if (parser.Parse(document) != 0 || parser.GetRoot() == nullptr) return false;
    uint32_t count = 0;
    TXMLNode& root = *parser.GetRoot();
    uint8_t* text = root.LockData(count);
    TMemBuffer stream(text, text ? count : 0);
    root.UnlockData(text);
    if (!stream.AppendByte(0) || !AssembleAtomStream(stream)) return false;
    return stream.GetLength() == length &&
           (length == 0 || std::memcmp(stream.Data(), data, length) == 0);
}

} // namespace

bool LooksLikeKeyedTable(const uint8_t* data, uint32_t length) {
    if (length < 10) return false;
    auto count = int16_t(uint16_t(data[0] | (data[1] << 8)));
    if (count < 0 || count % 2 != 0 || uint32_t(count) > (length - 2) / 2) return false;
    auto zeros = std::count(data + 2, data + length, uint8_t(0));
    return zeros == count && data[length - 1] == 0;
}

// Every line has the same layout, so the element is sized first and filled in place.
void WriteHexData(std::string& out, const uint8_t* data, uint32_t length, bool characterColumn) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const uint32_t perLine = characterColumn ? 10 : 20;
    const uint32_t lines = (length + perLine - 1) / perLine;
    // "\n    " and three characters a byte; with the column, the padding of a short line, then
    // "   <!-- ", a character a byte and " -->".
    size_t size = size_t(lines) * 5 + size_t(length) * 3;
    if (characterColumn) size += size_t(lines) * (3 * perLine + 12) - size_t(length) * 2;
    out += "  <hex_data>";
    size_t at = out.size();
    out.resize(at + size);
    char* p = out.data() + at;
    for (uint32_t start = 0; start < length; start += perLine) {
        const uint32_t count = std::min(perLine, length - start);
        std::memcpy(p, "\n    ", 5);
        p += 5;
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t byte = data[start + i];
            *p++ = kDigits[byte >> 4];
            *p++ = kDigits[byte & 0xF];
            *p++ = ' ';
        }
        if (!characterColumn) continue;
        p = std::fill_n(p, size_t(perLine - count) * 3, ' ');
        std::memcpy(p, "   <!-- ", 8);
        p += 8;
        // A '-' right after another '-' byte is shown as '.', so that the comment never holds
        // "--".
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t byte = data[start + i];
            const bool doubleHyphen = byte == '-' && i > 0 && data[start + i - 1] == '-';
            *p++ = doubleHyphen ? '.' : kColumnCharacter[byte];
        }
        std::memcpy(p, " -->", 4);
        p += 4;
    }
    out += "\n  </hex_data>\n";
}

void WriteString(std::string& out, const uint8_t* data, uint32_t length) {
    std::string text = EscapeText(Bytes(data, length), true);
    std::string encoded = text;
    EncodeEntities(encoded);
    if (encoded != text && !HoldsCDataEnd(Bytes(data, length)))
        encoded = "<![CDATA[" + text + "]]>";
    out += std::string(kIndent) + "<string>" + encoded + "</string>\n";
}

void WriteKeyedTable(std::string& out, const uint8_t* data, uint32_t length) {
    out += FormatString("%s<keyed_table>\n", kIndent);
    uint32_t entries = uint32_t(data[0] | (data[1] << 8)) / 2;
    const uint8_t* at = data + 2;
    const uint8_t* end = data + length;
    auto next = [&at, end] {
        const uint8_t* stop = std::find(at, end, uint8_t(0));
        std::string text = Bytes(at, uint32_t(stop - at));
        at = stop < end ? stop + 1 : end;
        std::string escaped = EscapeText(text, true);
        EncodeEntities(escaped);
        return escaped;
    };
    for (uint32_t i = 0; i < entries; ++i) {
        std::string key = next();
        std::string value = next();
        out += std::string(kIndent) + kIndent + "<entry key=\"" + key + "\" value=\"" + value +
               "\"/>\n";
    }
    out += FormatString("%s</keyed_table>\n", kIndent);
}

void WriteAtomStream(std::string& out, const uint8_t* data, uint32_t length) {
    const char* problem = nullptr;
    std::string element;
    TMemBuffer text;
    if (!AtomLibraryReady()) {
        problem = "KEL didn't initialze, check the atom file";
    } else if (!DisassembleAtomStream(data, length, text)) {
        problem = "KEL failed to decode the atom stream";
    } else {
        std::string_view shown(reinterpret_cast<const char*>(text.Data()), text.GetLength());
        if (!shown.empty() && shown.back() == '\0') shown.remove_suffix(1);
        element = AtomStreamElement(shown);
        if (!CompilesBack(element, data, length))
            problem = "KEL's text of the atom stream would not compile back to the same bytes";
    }
    if (problem == nullptr) {
        out += element;
        return;
    }
    out += FormatString("%s<!-- %s -->\n", kIndent, problem);
    WriteHexData(out, data, length, false);
}
