#include "NameRead.h"

#include "ArgumentFormats.h"
#include "KelCodes.h"
#include "NameTables.h"
#include "NumberRead.h"
#include "TextRead.h"

#include <string_view>

namespace {

// The part after a name: ">" ends the argument, "," is skipped, and `part` follows.
template <typename Part> int32_t ReadTail(ZTokenReader& tokens, Part part) {
    if (tokens.NextIs('>')) return kelSuccess;
    if (tokens.NextIs(',')) tokens.Read();
    return part();
}

// A letters-only token gives its first letter minus "a".
bool ReadLetter(ZTokenReader& tokens, ZBuffer& out) {
    ZToken token = tokens.Read();
    if (token.Empty()) return false;
    for (size_t i = 1; i <= token.Length(); ++i)
        if (!IsLowerLetter(token.At(i))) return false;
    out.AppendByte(uint8_t(token.At(1) - 'a'));
    return true;
}

} // namespace

int32_t ReadBoolean(ZTokenReader& tokens, ZBuffer& out) {
    ZToken token = tokens.Read();
    if (token.Equals("yes") || token.Equals("true"))
        out.AppendByte(1);
    else if (token.Equals("no") || token.Equals("false"))
        out.AppendByte(0);
    else
        return kelBadBooleanFormat;
    return kelSuccess;
}

int32_t ReadObjectName(ZAssembler& assembler, ZBuffer& out) {
    ZTokenReader& tokens = assembler.Tokens();
    ZToken token = tokens.Read();
    if (auto kind = FindObjectKind(token.View())) {
        out.AppendByte(*kind);
    } else {
        int32_t value = token.ReadSigned();
        if (value < 1) return kelBadObjectNameFormat;
        out.AppendByte(uint8_t(value));
    }
    return ReadTail(tokens, [&] { return ReadString(assembler, out); });
}

// h is 0 and v 0x40; the second letter goes to bits 5-3, the third to bits 2-0.
int32_t ReadOrientation(ZTokenReader& tokens, ZBuffer& out) {
    ZToken token = tokens.Read();
    char direction = token.At(1);
    if (direction != 'h' && direction != 'v') return kelBadOrientationFormat;
    auto first = FindJustification(token.At(2));
    auto second = FindJustification(token.At(3));
    if (!first || !second) return kelBadOrientationFormat;
    out.AppendByte(uint8_t((direction == 'v' ? 0x40 : 0) | (*first << 3) | *second));
    return kelSuccess;
}

int32_t ReadAlert(ZAssembler& assembler, ZBuffer& out) {
    ZTokenReader& tokens = assembler.Tokens();
    auto kind = FindAlertKind(tokens.Read().View());
    if (!kind) return kelBadAlertNameFormat;
    out.AppendByte(*kind);
    return ReadTail(tokens, [&] { return ReadString(assembler, out); });
}

int32_t ReadAtomReference(ZAssembler& assembler, ZBuffer& out) {
    ZToken name = assembler.Tokens().Read();
    const ZAtom* atom = assembler.Table().FindAtomByName(name.Data(), name.Length());
    if (!atom) return kelUnrecognizedAtom;
    out.AppendByte(uint8_t(atom->scratchProtocol));
    out.AppendByte(uint8_t(atom->number));
    return kelSuccess;
}

int32_t ReadLetterAnd(ZAssembler& assembler, uint16_t format, ZBuffer& out) {
    ZTokenReader& tokens = assembler.Tokens();
    if (!ReadLetter(tokens, out)) return kelBadLetterFormat;
    return ReadTail(tokens, [&] {
        return format == kFormatLetterNumber ? ReadNumber(tokens, out) : ReadString(assembler, out);
    });
}

int32_t ReadLetters(ZTokenReader& tokens, ZBuffer& out) {
    return ReadList(tokens, [&] {
        return ReadLetter(tokens, out) ? int32_t(kelSuccess) : int32_t(kelBadLetterFormat);
    });
}
