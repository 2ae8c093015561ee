#include "RecordWriter.h"

#include "AtomLibrary.h"
#include "DynamicStream.h"
#include "Entities.h"
#include "Strings.h"
#include "TextEscapes.h"
#include "XMLParser.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kIndent = "  ";

bool ShownInColumn(uint8_t byte) {
    return byte >= 0x20 && byte <= 0x7E && byte != '"' && byte != '\'' && byte != '&' &&
           byte != '<' && byte != '>';
}

// The character column of one line: printable bytes as themselves, others as '.'; a '-'
// right after another '-' is shown as '.', so that the comment never holds "--".
std::string CharacterColumn(const uint8_t* bytes, uint32_t count) {
    std::string column;
    for (uint32_t i = 0; i < count; ++i) {
        bool doubleHyphen = bytes[i] == '-' && i > 0 && bytes[i - 1] == '-';
        column += ShownInColumn(bytes[i]) && !doubleHyphen ? char(bytes[i]) : '.';
    }
    return column;
}

// "%02X " of one byte.
void AppendHexByte(std::string& out, uint8_t byte) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0xF];
    out += ' ';
}

std::string Bytes(const uint8_t* data, uint32_t length) {
    return std::string(reinterpret_cast<const char*>(data), length);
}

bool HoldsCDataEnd(const std::string& text) {
    return text.find("]]>") != std::string::npos;
}

// The lines of the library's text: each runs up to a CR or LF, which is consumed together
// with one LF directly after it.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
        if (at < text.size() && text[at] == '\n') ++at;
    }
    return lines;
}

// The <atom_stream> element for the library's text, in one of its two layouts.
std::string AtomStreamElement(const std::string& text) {
    bool cdata = !HoldsCDataEnd(text);
    std::string element = FormatString("%s<atom_stream>\n", kIndent);
    if (cdata)
        element += FormatString("%s%s<![CDATA[\n", kIndent, kIndent);
    else
        element += FormatString("%s%s<!-- string contains ']]>', so CDATA can't be used -->\n",
                                kIndent, kIndent);
    const std::string prefix = cdata ? "      " : "    ";
    for (std::string line : SplitLines(text)) {
        if (!cdata) EncodeEntities(line);
        element += prefix + line + "\n";
    }
    if (cdata) element += FormatString("%s%s]]>\n", kIndent, kIndent);
    element += FormatString("%s</atom_stream>\n", kIndent);
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

void WriteHexData(std::string& out, const uint8_t* data, uint32_t length, bool characterColumn) {
    const uint32_t perLine = characterColumn ? 10 : 20;
    out += FormatString("%s<hex_data>", kIndent);
    for (uint32_t start = 0; start < length; start += perLine) {
        uint32_t count = std::min(perLine, length - start);
        out += FormatString("\n%s%s", kIndent, kIndent);
        for (uint32_t i = 0; i < count; ++i)
            AppendHexByte(out, data[start + i]);
        if (!characterColumn) continue;
        out.append(size_t(perLine - count) * 3, ' ');
        out += "   <!-- " + CharacterColumn(data + start, count) + " -->";
    }
    out += FormatString("\n%s</hex_data>\n", kIndent);
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
        std::string shown = Bytes(text.Data(), text.GetLength());
        if (!shown.empty() && shown.back() == '\0') shown.pop_back();
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
