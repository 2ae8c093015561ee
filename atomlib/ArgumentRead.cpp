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
    case kFormatNumber:
        return ReadNumber(tokens, out);
    case kFormatString:
        return ReadString(assembler, out);
    case kFormatBoolean:
        return ReadBoolean(tokens, out);
    case kFormatGlobalId:
        return ReadGlobalId(tokens, out);
    case kFormatStream:
        return assembler.ReadNestedStream(out);
    case kFormatObjectName:
        return ReadObjectName(assembler, out);
    case kFormatOrientation:
        return ReadOrientation(tokens, out);
    case kFormatToken:
        return ReadTokenArgument(assembler, out);
    case kFormatCriterion:
        return ReadCriterion(tokens, out);
    case kFormatAlert:
        return ReadAlert(assembler, out);
    case kFormatAtomReference:
        return ReadAtomReference(assembler, out);
    case kFormatByteList:
        return ReadByteList(tokens, out);
    case kFormatLetterNumber:
    case kFormatLetterString:
        return ReadLetterAnd(assembler, format, out);
    case kFormatLetters:
        return ReadLetters(tokens, out);
    case kFormatMulti:
        return ReadMulti(assembler, atom, out);
    case kFormatEnumeration:
        return ReadEnumeration(assembler, atom, k, out);
    case kFormatByte:
    case kFormatWord:
    case kFormatDword:
        return ReadFixedNumber(tokens, format, out);
    default: // 0, 1, hidden (14) and every unknown code
        return ReadRaw(tokens, out);
    }
}

} // namespace

uint16_t SniffFormat(const ZTokenReader& tokens, uint16_t format) {
    if (format == kFormatMulti || format == kFormatByte || format == kFormatWord ||
        format == kFormatDword)
        return format;
    size_t start = SpaceLength(tokens, 0);
    // A nested stream may open with a comment line, whose text must not pass for a global id.
    if (format == kFormatStream && tokens.At(start) == ';') return format;
    if (tokens.At(start) == '"' && tokens.Remaining() - start >= 3)
        return QuotedStringAlone(tokens, start) ? uint16_t(kFormatString) : format;
    if (StartsWithHexForm(tokens)) return kFormatRaw;
    for (size_t i = 1; i <= 3; ++i)
        if (tokens.At(start + i) == '-') return kFormatGlobalId;
    size_t digits = start;
    while (IsDecimalDigit(tokens.At(digits)))
        ++digits;
    if (tokens.At(SpaceLength(tokens, digits)) == '>') return kFormatNumber;
    return format;
}

int32_t ReadArgument(ZAssembler& assembler, const ZAtom& atom, size_t k, ZBuffer& out) {
    uint16_t format = SniffFormat(assembler.Tokens(), atom.ArgumentFormat(k));
    return ReadFormat(assembler, atom, k, format, out);
}
