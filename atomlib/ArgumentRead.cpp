#include "ArgumentRead.h"

#include "ArgumentFormats.h"
#include "EnumRead.h"
#include "NameRead.h"
#include "NumberRead.h"
#include "TextRead.h"

namespace {

size_t SpaceLength(const ZTokenReader& tokens, size_t from) {
    while (IsTextSpace(tokens.At(from)))
        ++from;
    return from;
}

// The opening quote stands at `quote`: true when the first double quote after it that no
// backslash precedes is followed, after white space, by ">".
bool QuotedStringAlone(const ZTokenReader& tokens, size_t quote) {
    for (size_t i = quote + 1; i < tokens.Remaining(); ++i)
        if (tokens.At(i) == '"' && tokens.At(i - 1) != '\\')
            return tokens.At(SpaceLength(tokens, i + 1)) == '>';
    return false;
}

int32_t ReadFormat(ZAssembler& assembler, const ZAtom& atom, size_t k, uint16_t format,
                   ZBuffer& out) {
    ZTokenReader& tokens = assembler.Tokens();
    switch (format) {
    case fmtNumber:
        return ReadNumber(tokens, out);
    case fmtString:
        return ReadString(assembler, out);
    case fmtBoolean:
        return ReadBoolean(tokens, out);
    case fmtGlobalId:
        return ReadGlobalId(tokens, out);
    case fmtStream:
        return assembler.ReadNestedStream(out);
    case fmtObjectName:
        return ReadObjectName(assembler, out);
    case fmtOrientation:
        return ReadOrientation(tokens, out);
    case fmtToken:
        return ReadTokenArgument(assembler, out);
    case fmtCriterion:
        return ReadCriterion(tokens, out);
    case fmtAlert:
        return ReadAlert(assembler, out);
    case fmtAtomReference:
        return ReadAtomReference(assembler, out);
    case fmtByteList:
        return ReadByteList(tokens, out);
    case fmtLetterNumber:
    case fmtLetterString:
        return ReadLetterAnd(assembler, format, out);
    case fmtLetters:
        return ReadLetters(tokens, out);
    case fmtMulti:
        return ReadMulti(assembler, atom, out);
    case fmtEnumeration:
        return ReadEnumeration(assembler, atom, k, out);
    case fmtByte:
    case fmtWord:
    case fmtDword:
        return ReadFixedNumber(tokens, format, out);
    default: // 0, 1, hidden (14) and every unknown code
        return ReadRaw(tokens, out);
    }
}

} // namespace

uint16_t SniffFormat(const ZTokenReader& tokens, uint16_t format) {
    if (format == fmtMulti || format == fmtByte || format == fmtWord || format == fmtDword)
        return format;
    size_t start = SpaceLength(tokens, 0);
    if (tokens.At(start) == '"' && tokens.Remaining() - start >= 3)
        return QuotedStringAlone(tokens, start) ? uint16_t(fmtString) : format;
    if (StartsWithHexForm(tokens)) return fmtRaw;
    for (size_t i = 1; i <= 3; ++i)
        if (tokens.At(start + i) == '-') return fmtGlobalId;
    size_t digits = start;
    while (IsDecimalDigit(tokens.At(digits)))
        ++digits;
    if (tokens.At(SpaceLength(tokens, digits)) == '>') return fmtNumber;
    return format;
}

int32_t ReadArgument(ZAssembler& assembler, const ZAtom& atom, size_t k, ZBuffer& out) {
    uint16_t format = SniffFormat(assembler.Tokens(), atom.ArgumentFormat(k));
    return ReadFormat(assembler, atom, k, format, out);
}
