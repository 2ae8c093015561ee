#include "Entities.h"

#include "Exception.h"
#include "NumberReader.h"

#include <cstdio>

namespace {

// The byte a reference stands for; `ref` is the text between "&" and ";", never empty.
char ReferencedByte(const std::string& ref) {
    if (ref[0] == '#') {
        // Numbers are read as far as they go ("&#65x;" is 65); the low 8 bits are the byte.
        if (ref.size() > 1 && ref[1] >= '0' && ref[1] <= '9')
            return char(Numbers::ReadSigned(ref.c_str() + 1, 10));
        if (ref.size() > 1 && ref[1] == 'x') return char(Numbers::ReadSigned(ref.c_str() + 2, 16));
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

void EncodeEntities(std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
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
        default:
            if (c >= 32 && c <= 126) {
                out += char(c);
            } else {
                char reference[8];
                std::snprintf(reference, sizeof reference, "&#x%X;", unsigned(c));
                out += reference;
            }
        }
    }
    text.swap(out);
}

void DecodeEntities(std::string& text) {
    size_t next = text.find('&');
    if (next == std::string::npos) return;
    std::string out(text, 0, next);
    while (next != std::string::npos) {
        size_t stop = text.find_first_of("; ", next + 1);
        if (stop == std::string::npos) throw TTolvException(errUnterminatedEntity);
        if (text[stop] == ' ' || stop == next + 1) throw TTolvException(errMalformedEntity);
        out += ReferencedByte(text.substr(next + 1, stop - next - 1));
        next = text.find('&', stop + 1);
        out.append(text, stop + 1, next == std::string::npos ? std::string::npos : next - stop - 1);
    }
    text.swap(out);
}
