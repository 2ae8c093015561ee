#include "TextEscapes.h"

#include "Strings.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The byte of the escape whose backslash stands at `at`, which moves to the escape's last
// byte; -1 when the backslash begins no escape.
int UnescapeOne(std::string_view text, size_t& at) {
    size_t rest = text.size() - at - 1; // bytes after the backslash
    if (rest == 0) return -1;
    switch (text[at + 1]) {
    case '"':
        ++at;
        return '"';
    case 'n':
        ++at;
        return '\n';
    case 'r':
        ++at;
        return '\r';
    case 't':
        ++at;
        return '\t';
    default:
        break;
    }
    if (rest < 3 || text[at + 3] != 'x') return -1;
    int high = HexValue(text[at + 1]);
    int low = HexValue(text[at + 2]);
    if (high < 0 || low < 0) return -1;
    at += 3;
    return high * 16 + low;
}

} // namespace

size_t AppendUnescaped(std::string_view text, std::string& out) {
    out.reserve(out.size() + text.size());
    for (size_t at = 0; at < text.size(); ++at) {
        size_t escape = text.find('\\', at);
        out.append(text.substr(at, escape - at));
        if (escape == std::string_view::npos) break;
        at = escape;
        int byte = UnescapeOne(text, at);
        if (byte < 0) return escape;
        out += char(byte);
    }
    return std::string::npos;
}

// Runs of printable bytes other than the backslash and the double quote are copied whole.
std::string EscapeText(const std::string& text, bool escapeLeadingSpaces) {
    std::string out;
    out.reserve(text.size());
    size_t at = 0;
    if (escapeLeadingSpaces)
        for (; at < text.size() && text[at] == ' '; ++at)
            out += "\\20x";
    while (at < text.size()) {
        size_t run = at;
        while (run < text.size() && text[run] >= 0x20 && text[run] <= 0x7E && text[run] != '"' &&
               text[run] != '\\')
            ++run;
        out.append(text, at, run - at);
        if (run == text.size()) break;
        const auto byte = uint8_t(text[run]);
        switch (byte) {
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\5Cx";
            break;
        default: {
            static constexpr char kDigits[] = "0123456789ABCDEF";
            const char escape[] = {'\\', kDigits[byte >> 4], kDigits[byte & 0xF], 'x'};
            out.append(escape, sizeof escape);
        }
        }
        at = run + 1;
    }
    return out;
}
