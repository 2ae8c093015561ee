// Show routines of quoted text: the string format and the text parts of other formats.
#include "CodePage.h"
#include "KelCodes.h"
#include "ReservedAtoms.h"
#include "ShowFormats.h"
#include "TextHooks.h"

namespace {

using namespace ReservedAtoms;

// A byte that makes a string argument show as raw bytes: below 32, not NUL and not one of
// TAB, LF, VT, FF, CR.
bool ForbidsQuoting(uint8_t byte) {
    return byte != 0 && byte < 32 && (byte < '\t' || byte > '\r');
}

void AppendEscaped(ZString& out, uint8_t byte) {
    switch (byte) {
    case '\t':
        out.Append("\\t");
        return;
    case '\n':
        out.Append("\\n");
        return;
    case '\r':
        out.Append("\\r");
        return;
    case '"':
        out.Append("\\\"");
        return;
    case '\\':
        out.Append("\\\\");
        return;
    default:
        if (byte < 32 || byte == 127)
            out.AppendFormat("\\x%02x", byte);
        else
            out.Append(char(byte));
    }
}

// The length of a NUL-terminated text, reading no more than `limit` bytes of it.
size_t TextLength(const uint8_t* text, size_t limit) {
    size_t n = 0;
    while (n < limit && text[n] != 0)
        ++n;
    return n;
}

} // namespace

// Under a text type other than 0 the HText2CText hook may convert the bytes first. It gets a
// NUL-terminated copy and the type with its two bytes exchanged; its result is read up to
// its terminator and never beyond the original length.
void ShowQuotedText(const ZShowContext& c, const uint8_t* data, size_t length) {
    ZString copy;
    HText2CTextHook hook = TextHooks().hText2CText;
    if (c.textType != kTextTypePlain && hook) {
        copy.Append(data, length);
        uint16_t swapped = uint16_t((c.textType >> 8) | (c.textType << 8));
        if (const char* converted = hook(copy.Text(), uint32_t(length), swapped)) {
            data = reinterpret_cast<const uint8_t*>(converted);
            length = TextLength(data, length);
        }
    }
    // Under a multi-byte text type the trail bytes of a character are never escaped.
    bool stepping = c.textType != kTextTypePlain && c.textType != kTextType260;
    c.out.Append('"');
    for (size_t i = 0; i < length;) {
        size_t step = stepping ? CharacterLength(data + i, length - i) : 1;
        if (step > 1)
            c.out.Append(data + i, step);
        else
            AppendEscaped(c.out, data[i]);
        i += step;
    }
    c.out.Append('"');
}

int32_t ShowString(const ZShowContext& c, const uint8_t* data, size_t length) {
    for (size_t i = 0; i < length; ++i)
        if (ForbidsQuoting(data[i])) return ShowRaw(c, data, length);
    ShowQuotedText(c, data, length);
    return kelSuccess;
}

int32_t ShowLetterString(const ZShowContext& c, const uint8_t* data, size_t length) {
    if (length == 0) return kelSuccess;
    c.out.Append(LetterOf(data[0]));
    if (length >= 2) {
        c.out.Append(',');
        ShowQuotedText(c, data + 1, length - 1);
    }
    return kelSuccess;
}
