#include "Entities.h"

#include "Exception.h"
#include "NumberReader.h"

#include <array>
#include <cstring>
#include <string_view>

namespace {

// The byte a reference stands for; `ref` is the text between "&" and ";", never empty, and is
// followed by the ";" (which ends the reading of a number).
char ReferencedByte(std::string_view ref) {
    if (ref[0] == '#') {
        // Numbers are read as far as they go ("&#65x;" is 65); the low 8 bits are the byte.
        if (ref.size() > 1 && ref[1] >= '0' && ref[1] <= '9')
            return char(Numbers::ReadSigned(ref.data() + 1, 10));
        if (ref.size() > 1 && ref[1] == 'x') return char(Numbers::ReadSigned(ref.data() + 2, 16));
        throw TTolvException(errMalformedEntity);
    }
    if (ref == "lt") return '<';
    if (ref == "gt") return '>';
    if (ref == "amp") return '&';
    if (ref == "apos") return '\'';
    if (ref == "quot") return '"';
    throw TTolvException(errUnknownEntity);
}

} // namespace

// Runs of printable bytes that need no reference are copied whole.
void EncodeEntities(std::string& text) {
    static constexpr auto kPlain = [] {
        std::array<bool, 256> plain{};
        for (int c = 32; c <= 126; ++c)
            plain[size_t(c)] = c != '<' && c != '>' && c != '&' && c != '"' && c != '\'';
        return plain;
    }();
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t at = 0, size = text.size(); at < size;) {
        size_t run = at;
        while (run < size && kPlain[bytes[run]])
            ++run;
        out.append(text, at, run - at);
        if (run == size) break;
        const unsigned char c = bytes[run];
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default: {
            static constexpr char kDigits[] = "0123456789ABCDEF";
            out += "&#x";
            if (c >= 16) out += kDigits[c >> 4];
            out += kDigits[c & 0xF];
            out += ';';
        }
        }
        at = run + 1;
    }
    text.swap(out);
}

void DecodeEntities(std::string& text, size_t from, size_t* failedAt) {
    size_t next = text.find('&', from);
    // Decoded bytes are written at `out`, never ahead of what is read: a reference is at least
    // three bytes and stands for one.
    size_t out = next;
    while (next != std::string::npos) {
        if (failedAt) *failedAt = next;
        size_t stop = text.find_first_of("; ", next + 1);
        if (stop == std::string::npos) throw TTolvException(errUnterminatedEntity);
        if (text[stop] == ' ' || stop == next + 1) throw TTolvException(errMalformedEntity);
        text[out++] = ReferencedByte(std::string_view(text).substr(next + 1, stop - next - 1));
        next = text.find('&', stop + 1);
        size_t end = next == std::string::npos ? text.size() : next;
        std::memmove(&text[out], &text[stop + 1], end - stop - 1);
        out += end - stop - 1;
    }
    if (out != std::string::npos) text.resize(out);
}
