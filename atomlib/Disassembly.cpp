#include "Disassembly.h"

#include "ArgumentFormats.h"
#include "KelCodes.h"
#include "KelFlags.h"
#include "LineWrap.h"

#include <utility>

namespace {

// Normalisation and the callback walk never look atoms up.
const ZAtomTable& NoTable() {
    static const ZAtomTable empty;
    return empty;
}

} // namespace

int32_t DisassembleStream(const ZAtomTable& table, const uint8_t* data, size_t length,
                          uint32_t flags, ZDisassemblyState* state, ZString& out) {
    ZDisassemblyState work = state ? *state : ZDisassemblyState();
    ZDisassembler disassembler(table, flags, work, out);
    int32_t result = disassembler.WalkStream(data, length);
    if (flags & kelFlagAlternateSyntax) WrapLongLines(out);
    if (result == kelSuccess && state) *state = std::move(work);
    return result;
}

int32_t DisassembleAtom(const ZAtomTable& table, uint16_t protocol, uint16_t atom,
                        const uint8_t* data, size_t length, uint32_t flags,
                        ZDisassemblyState& state, ZString& out) {
    ZDisassemblyState work = state;
    ZDisassembler disassembler(table, flags | kelFlagSingleAtom, work, out);
    int32_t result = disassembler.HandleAtom(ZStreamAtom{protocol, atom, data, uint32_t(length)});
    if (result == kelSuccess) state = std::move(work);
    return result;
}

int32_t DisassembleArgument(const ZAtomTable& table, uint16_t format, const uint8_t* data,
                            size_t length, uint32_t flags, ZString& out) {
    ZDisassemblyState fresh;
    ZDisassembler disassembler(table, flags, fresh, out);
    if (!(flags & kelFlagAlternateSyntax)) {
        if (format == kFormatMulti) return kelBadFormat;
        if (format == kFormatEnumeration) return kelUnrecognizedEnum;
    }
    return disassembler.ShowArgumentAlone(format, data, length);
}

int32_t DoAtomCallbacks(ZAtomCallback callback, uint32_t user, const uint8_t* data, size_t length,
                        uint32_t flags) {
    if (!callback) return kelSuccess;
    ZDisassemblyState fresh;
    ZString unused;
    uint32_t walkFlags = (flags | kelFlagCallbacks) & ~uint32_t(kelFlagNormalize);
    ZDisassembler disassembler(NoTable(), walkFlags, fresh, unused);
    disassembler.SetCallback(callback, user);
    return disassembler.WalkStream(data, length);
}

int32_t NormalizeAtomStream(const uint8_t* data, size_t length, ZBuffer& out) {
    ZDisassemblyState fresh;
    ZString unused;
    ZDisassembler disassembler(NoTable(), kelFlagNormalize, fresh, unused);
    int32_t result = disassembler.WalkStream(data, length);
    out = std::move(disassembler.Normalized());
    return result;
}
