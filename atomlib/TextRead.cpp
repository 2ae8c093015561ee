#include "TextRead.h"

#include "CodePage.h"
#include "FullWriter.h"
#include "KelCodes.h"
#include "NumberRead.h"
#include "ReservedAtoms.h"
#include "TextHooks.h"

#include <cstring>
#include <string>

namespace {

// The escape at the cursor (a backslash), resolved into `text`; false for a bad one.
bool ReadEscape(ZTokenReader& tokens, std::string& text) {
    switch (tokens.At(1)) {
    case '"':
    case '\\':
        text += tokens.At(1);
        break;
    case 'n':
        text += '\n';
        break;
    case 'r':
        text += '\r';
        break;
    case 't':
        text += '\t';
        break;
    case 'x':
        if (tokens.Remaining() < 4) return false;
        text += char(HexDigitValue(tokens.At(2)) * 16 + HexDigitValue(tokens.At(3)));
        tokens.Advance(4);
        return true;
    default:
        return false;
    }
    tokens.Advance(2);
    return true;
}

// Every CR not followed by LF gets one, except a CR that ends the text.
void PairCarriageReturns(std::string& text) {
    std::string paired;
    paired.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        paired += text[i];
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] != '\n') paired += '\n';
    }
    text.swap(paired);
}

// Hands the text to CText2HText: it may rewrite the text in place, change the text type
// (which must stay 0, 260 or the current type, else 28) and return a replacement.
int32_t ConvertText(const ZAssembler& assembler, CText2HTextHook hook, std::string& text) {
    PairCarriageReturns(text);
    uint16_t current = assembler.TextType();
    KelTextDesc desc{text.data(), uint32_t(text.size()),
                     uint16_t(assembler.Flags() & kelFlagTextTypeToHook ? current : 0)};
    const char* converted = hook(&desc);
    text.resize(std::strlen(text.c_str()));
    if (desc.textType != ReservedAtoms::kTextTypePlain &&
        desc.textType != ReservedAtoms::kTextType260 && desc.textType != current)
        return kelMismatchedTextType;
    if (converted) {
        if (desc.length > kMaxArgumentLength) return kelValueTooLarge;
        text.assign(converted, desc.length);
    }
    return kelSuccess;
}

} // namespace

int32_t ReadQuotedString(ZAssembler& assembler, ZBuffer& out) {
    ZTokenReader& tokens = assembler.Tokens();
    tokens.SkipSpace();
    if (tokens.At() != '"') return kelBadStringFormat;
    tokens.Advance(1);
    std::string text;
    while (!tokens.AtEnd() && tokens.At() != '"') {
        if (tokens.At() == '\\') {
            if (!ReadEscape(tokens, text)) return kelBadEscapeSequence;
        } else if (size_t lineBreak = tokens.ConsumeLineBreak()) {
            text.append(tokens.Current() - lineBreak, lineBreak);
        } else {
            size_t length = CharacterLength(reinterpret_cast<const uint8_t*>(tokens.Current()),
                                            tokens.Remaining());
            text.append(tokens.Current(), length);
            tokens.Advance(length);
        }
    }
    tokens.Advance(1); // the closing quote, when there is one
    CText2HTextHook hook = TextHooks().cText2HText;
    if (hook && !text.empty()) {
        if (int32_t result = ConvertText(assembler, hook, text)) return result;
    }
    out.Append(text.data(), text.size());
    return kelSuccess;
}

int32_t ReadString(ZAssembler& assembler, ZBuffer& out) {
    ZTokenReader& tokens = assembler.Tokens();
    if (StartsWithHexForm(tokens)) return ReadRaw(tokens, out);
    if (!tokens.NextIs('"')) return kelMissingQuote;
    return ReadQuotedString(assembler, out);
}

int32_t ReadTokenArgument(ZAssembler& assembler, ZBuffer& out) {
    ZTokenReader& tokens = assembler.Tokens();
    if (StartsWithHexForm(tokens)) return ReadRaw(tokens, out);
    if (!tokens.Expect('"')) return kelMissingQuote;
    if (tokens.Remaining() < 2) return kelBadTokenFormat;
    out.Append(tokens.Current(), 2);
    tokens.Advance(2);
    if (!tokens.Expect('"')) return kelMissingQuote;
    if (tokens.NextIs('>')) return kelSuccess;
    if (tokens.NextIs(',')) {
        tokens.Read();
        return ReadGlobalId(tokens, out);
    }
    if (IsTextSpace(tokens.At())) return ReadGlobalId(tokens, out);
    return kelBadTokenFormat;
}
