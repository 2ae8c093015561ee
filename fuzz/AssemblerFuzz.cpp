// Any text assembled against the default table, with and without fragment mode, ends in 0 or
// one of the assembler's codes; what it writes is a stream of well-formed atoms, and a
// fragment hands back at most one largest argument and a remainder inside the text.
#include "Assembler.h"
#include "AtomStream.h"
#include "KelCodes.h"
#include "TableFile.h"
#include "TextHooks.h"

#include <cstdlib>
#include <string>

namespace {

const ZAtomTable& DefaultTable() {
    static std::shared_ptr<ZAtomTable> table = [] {
        std::shared_ptr<ZAtomTable> loaded;
        if (LoadAtomTableFile(KEL_DEFAULT_TABLE, loaded) != 0) std::abort();
        return loaded;
    }();
    return *table;
}

bool IsAssemblerCode(int32_t code) {
    return code == kelSuccess || (code >= kelMissingQuote && code <= kelMissingCloseBracket) ||
           (code >= kelUnrecognizedAtom && code <= kelValueTooLarge) ||
           code == kelBadEscapeSequence || code == kelMismatchedTextType;
}

void CheckStream(const ZBuffer& stream) {
    ZDecoderState state;
    if (WalkAtomStream(stream.Data(), stream.Length(), state, nullptr,
                       [](const ZStreamAtom&) { return 0; }) != 0)
        std::abort();
}

// Upper-cases the first character in place; a text starting with "r" is replaced by "R".
const char* ShoutingHook(KelTextDesc* desc) {
    if (desc->text[0] >= 'a' && desc->text[0] <= 'z') desc->text[0] = char(desc->text[0] - 32);
    if (desc->text[0] != 'R') return nullptr;
    desc->length = 1;
    return "R";
}

} // namespace

// The first byte picks the flags (bit 0: fragment mode, bit 1: a CText2HText hook, bits 5-7:
// flags 0x80, 0x100, 0x200); the rest, up to a NUL, is the text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    uint32_t flags = uint32_t(data[0]) << 2 & 0x380;
    TextHooks().cText2HText = (data[0] & 2) ? ShoutingHook : nullptr;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    if (data[0] & 1) {
        ZFragment fragment;
        int32_t code = AssembleFragment(DefaultTable(), text.c_str(), flags, fragment);
        if (!IsAssemblerCode(code) || fragment.consumed > text.size() ||
            fragment.partialArgument.Length() > 32767)
            std::abort();
        return 0;
    }
    ZBuffer out;
    uint32_t line = 0;
    int32_t code = AssembleStream(DefaultTable(), text.c_str(), flags, out, line);
    if (!IsAssemblerCode(code) || line < 1 || line > text.size() + 1) std::abort();
    if (code == kelSuccess) CheckStream(out);
    return 0;
}
