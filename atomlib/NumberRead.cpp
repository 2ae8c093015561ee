#include "NumberRead.h"

#include "ArgumentFormats.h"
#include "KelCodes.h"
#include "NameTables.h"

#include <algorithm>
#include <string_view>

namespace {

int32_t ReadRawElement(ZTokenReader& tokens, ZBuffer& out) {
    ZToken token = tokens.Read();
    if (token.Length() >= 3 && token.At(3) == 'x') {
        out.AppendByte(uint8_t(HexDigitValue(token.At(1)) * 16 + HexDigitValue(token.At(2))));
        return kelSuccess;
    }
    if (!token.IsNumber()) return kelBadHexFormat;
    WriteCompactNumber(out, uint32_t(token.ReadSigned()));
    return kelSuccess;
}

} // namespace

void WriteCompactNumber(ZBuffer& out, uint32_t value) {
    size_t bytes = value < 0x100 ? 1 : value < 0x10000 ? 2 : value < 0x1000000 ? 3 : 4;
    WriteBigEndian(out, value, bytes);
}

void WriteBigEndian(ZBuffer& out, uint32_t value, size_t bytes) {
    for (size_t i = bytes; i > 0; --i)
        out.AppendByte(uint8_t(value >> (8 * (i - 1))));
}

bool StartsWithHexForm(const ZTokenReader& tokens) {
    size_t i = 0;
    while (IsTextSpace(tokens.At(i)))
        ++i;
    char x = tokens.At(i + 2);
    return IsHexDigit(tokens.At(i)) && IsHexDigit(tokens.At(i + 1)) && (x == 'x' || x == 'X');
}

bool ReadNumberToken(ZTokenReader& tokens, int32_t& value, uint32_t* asUnsigned) {
    ZToken token = tokens.Read();
    if (!token.IsNumber()) return false;
    // A number token has no sign: its signed reading is the unsigned one held to INT32_MAX.
    uint32_t number = token.ReadUnsigned();
    value = int32_t(std::min<uint32_t>(number, INT32_MAX));
    if (asUnsigned) *asUnsigned = number;
    return true;
}

int32_t ReadRaw(ZTokenReader& tokens, ZBuffer& out) {
    return ReadList(tokens, [&] { return ReadRawElement(tokens, out); });
}

int32_t ReadNumber(ZTokenReader& tokens, ZBuffer& out) {
    if (StartsWithHexForm(tokens)) return ReadRaw(tokens, out);
    int32_t value;
    if (!ReadNumberToken(tokens, value)) return kelBadNumberFormat;
    WriteCompactNumber(out, uint32_t(value));
    return kelSuccess;
}

// a-b-c is (a << 24) | (b << 16) | c, a-b is (a << 16) | b.
int32_t ReadGlobalId(ZTokenReader& tokens, ZBuffer& out) {
    if (StartsWithHexForm(tokens)) return ReadRaw(tokens, out);
    int32_t parts[3];
    size_t count = 0;
    do {
        if (count > 0) tokens.Read(); // the "-"
        if (!ReadNumberToken(tokens, parts[count++])) return kelBadGlobalIdFormat;
    } while (count < 3 && tokens.NextIs('-'));
    uint32_t value = uint32_t(parts[0]);
    if (count == 2) value = (uint32_t(parts[0]) << 16) | uint32_t(parts[1]);
    if (count == 3)
        value = (uint32_t(parts[0]) << 24) | (uint32_t(parts[1]) << 16) | uint32_t(parts[2]);
    WriteCompactNumber(out, value);
    return kelSuccess;
}

int32_t ReadCriterion(ZTokenReader& tokens, ZBuffer& out) {
    ZToken token = tokens.Read();
    if (auto criterion = FindCriterion(token.View())) {
        out.AppendByte(*criterion);
        return kelSuccess;
    }
    if (!token.IsNumber()) return kelBadNumberFormat;
    if (token.ReadUnsigned() > 0xFFFF) return kelValueTooLarge;
    uint32_t value = uint32_t(token.ReadSigned());
    WriteBigEndian(out, value, value < 0x100 ? 1 : 2);
    return kelSuccess;
}

int32_t ReadByteList(ZTokenReader& tokens, ZBuffer& out) {
    return ReadList(tokens, [&] {
        int32_t value;
        if (!ReadNumberToken(tokens, value)) return int32_t(kelBadByteFormat);
        out.AppendByte(uint8_t(value));
        return int32_t(kelSuccess);
    });
}

int32_t ReadFixedNumber(ZTokenReader& tokens, uint16_t format, ZBuffer& out) {
    if (format == kFormatDword && StartsWithHexForm(tokens)) return ReadRaw(tokens, out);
    size_t bytes = format == kFormatByte ? 1 : format == kFormatWord ? 2 : 4;
    int32_t value;
    uint32_t asUnsigned;
    if (!ReadNumberToken(tokens, value, &asUnsigned)) return kelBadNumberFormat;
    if (bytes < 4 && asUnsigned >= (1u << (8 * bytes))) return kelValueTooLarge;
    WriteBigEndian(out, uint32_t(value), bytes);
    return kelSuccess;
}
