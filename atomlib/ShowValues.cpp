// Show routines of the formats that print numbers, bytes and letters.
#include "KelCodes.h"
#include "KelFlags.h"
#include "NameTables.h"
#include "ReservedAtoms.h"
#include "ShowFormats.h"

#include <algorithm>

namespace {

constexpr size_t kRawDumpLimit = 32000;
constexpr size_t kShortRawDumpLimit = 8;

const char* Separator(uint32_t flags) {
    return (flags & kelFlagAlternateSyntax) ? " " : ", ";
}

// The first `width` bytes at most, big-endian, as a signed 32-bit number ("%ld").
void AppendSigned(ZString& out, const uint8_t* data, size_t length, size_t width) {
    out.AppendDecimal(int32_t(ReadArgumentNumber(data, std::min(length, width))));
}

} // namespace

void ShowRawBytes(ZString& out, uint32_t flags, const uint8_t* data, size_t length) {
    static const char kHex[] = "0123456789abcdef";
    size_t limit = (flags & kelFlagShortRawDump) ? kShortRawDumpLimit : kRawDumpLimit;
    const char* separator = Separator(flags);
    for (size_t i = 0; i < length && i < limit; ++i) {
        if (i > 0) out.Append(separator);
        out.Append(kHex[data[i] >> 4]);
        out.Append(kHex[data[i] & 15]);
        out.Append('x');
    }
    if (length > limit) out.Append("...");
}

int32_t ShowRaw(const ZShowContext& c, const uint8_t* data, size_t length) {
    ShowRawBytes(c.out, c.flags, data, length);
    return kelSuccess;
}

int32_t ShowNumber(const ZShowContext& c, const uint8_t* data, size_t length) {
    AppendSigned(c.out, data, length, 4);
    return kelSuccess;
}

int32_t ShowByte(const ZShowContext& c, const uint8_t* data, size_t length) {
    AppendSigned(c.out, data, length, 1);
    return kelSuccess;
}

int32_t ShowWord(const ZShowContext& c, const uint8_t* data, size_t length) {
    AppendSigned(c.out, data, length, 2);
    return kelSuccess;
}

int32_t ShowBoolean(const ZShowContext& c, const uint8_t* data, size_t length) {
    if (length > 0) c.out.Append(data[0] ? "yes" : "no");
    return kelSuccess;
}

// Three bytes are a-b, four a-b-c (the last part two bytes wide); fewer are one number and
// more are raw bytes.
int32_t ShowGlobalId(const ZShowContext& c, const uint8_t* data, size_t length) {
    if (length < 3) return ShowNumber(c, data, length);
    if (length > 4) {
        ShowRawBytes(c.out, c.flags, data, length);
        return kelSuccess;
    }
    c.out.AppendDecimal(data[0]);
    c.out.Append('-');
    if (length == 4) {
        c.out.AppendDecimal(data[1]);
        c.out.Append('-');
    }
    c.out.AppendDecimal(data[length - 2] * 256 + data[length - 1]);
    return kelSuccess;
}

// Bit 7 set cannot be shown; bit 6 is h or v; bits 5-3 and 2-0 are justification values,
// shown horizontal then vertical (the alternate syntax names the same bits the other way).
int32_t ShowOrientation(const ZShowContext& c, const uint8_t* data, size_t length) {
    if (length == 0) return kelSuccess;
    uint8_t byte = data[0];
    if (byte & 0x80) return kelBadOrientationFormat;
    c.out.Append((byte & 0x40) ? 'v' : 'h');
    uint8_t first = (byte >> 3) & 7;
    uint8_t second = byte & 7;
    if (first >= kJustificationCount || second >= kJustificationCount)
        return kelBadOrientationFormat;
    bool alternate = (c.flags & kelFlagAlternateSyntax) != 0;
    c.out.Append((alternate ? kVerticalLetters : kHorizontalLetters)[first]);
    c.out.Append((alternate ? kHorizontalLetters : kVerticalLetters)[second]);
    return kelSuccess;
}

// Two characters in double quotes, as they are; more bytes are a global id.
int32_t ShowToken(const ZShowContext& c, const uint8_t* data, size_t length) {
    size_t characters = std::min(length, size_t(2));
    c.out.Append('"');
    c.out.Append(data, characters);
    c.out.Append('"');
    if (length > 2) {
        c.out.Append(", ");
        ShowGlobalId(c, data + 2, length - 2);
    }
    return kelSuccess;
}

int32_t ShowByteList(const ZShowContext& c, const uint8_t* data, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (i > 0) c.out.Append(Separator(c.flags));
        c.out.AppendDecimal(data[i]);
    }
    return kelSuccess;
}

int32_t ShowLetterNumber(const ZShowContext& c, const uint8_t* data, size_t length) {
    if (length == 0) return kelSuccess;
    c.out.Append(LetterOf(data[0]));
    if (length >= 2) {
        c.out.Append(", ");
        c.out.AppendDecimal(ReadArgumentNumber(data + 1, length - 1));
    }
    return kelSuccess;
}

int32_t ShowLetters(const ZShowContext& c, const uint8_t* data, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (i > 0) c.out.Append(Separator(c.flags));
        c.out.Append(LetterOf(data[i]));
    }
    return kelSuccess;
}
