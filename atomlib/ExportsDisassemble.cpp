// The disassembly exports: binary stream to text (text results, OutputProtocol.h), with the
// caller-held state record (StateRecord.h).
#include "ArgumentFormats.h"
#include "Disassembly.h"
#include "ExportGuard.h"
#include "LibraryState.h"
#include "OutputProtocol.h"
#include "StateRecord.h"
#include "kelvane.h"
#include "kelvane.hpp"

namespace {

// A null stream holds no bytes: with a length it cannot be read at all.
bool MissingData(const uint8_t* data, uint32_t length) {
    return !data && length > 0;
}

// Shows the result and only then writes the state back: a call that returns 4 or an error
// leaves the caller's record, pending block included, as it was, so a retry finds it again.
int32_t PutTextAndState(int32_t result, const ZString& text, const ZDisassemblyState& work,
                        KelDisassemblyState* state, char* out, uint32_t* size) {
    if (result != kelSuccess) return result;
    if (int32_t put = PutText(text, out, size)) return put;
    return state ? StoreStateRecord(work, *state) : kelSuccess;
}

// One disassembly that starts from the caller's state record (when given) and writes it back:
// `convert(table, work, text)` does the conversion itself.
template <class Convert>
int StatefulDisassembly(const uint8_t* data, uint32_t length, KelDisassemblyState* state, char* out,
                        uint32_t* size, Convert convert) {
    return GuardedCall([&]() -> int32_t {
        const ZAtomTable* table;
        if (int32_t result = KelLibrary::RequireTable(table)) return result;
        if (MissingData(data, length)) return kelBadFormat;
        ZDisassemblyState work;
        if (state) LoadStateRecord(*state, work);
        ZString text;
        int32_t result = convert(*table, work, text);
        return PutTextAndState(result, text, work, state, out, size);
    });
}

} // namespace

extern "C" {

KEL_API int KelDisassembleAtomStream(const uint8_t* data, uint32_t length, int flags, char* out,
                                     uint32_t* size) {
    return KelDisassembleAtomStreamState(data, length, flags, nullptr, out, size);
}

KEL_API int KelDisassembleAtomStreamState(const uint8_t* data, uint32_t length, int flags,
                                          KelDisassemblyState* state, char* out, uint32_t* size) {
    return StatefulDisassembly(
        data, length, state, out, size,
        [&](const ZAtomTable& table, ZDisassemblyState& work, ZString& text) {
            return DisassembleStream(table, data, length, uint32_t(flags), &work, text);
        });
}

KEL_API int KelDisassembleAtom(int protocol, int atom, const uint8_t* data, uint32_t length,
                               int flags, int* indent, char* out, uint32_t* size) {
    KelDisassemblyState state = {};
    state.indent = indent ? *indent : 0;
    int result = KelDisassembleAtomState(protocol, atom, data, length, flags, &state, out, size);
    if (indent) *indent = state.indent;
    KelFreeState(&state);
    return result;
}

KEL_API int KelDisassembleAtomState(int protocol, int atom, const uint8_t* data, uint32_t length,
                                    int flags, KelDisassemblyState* state, char* out,
                                    uint32_t* size) {
    return StatefulDisassembly(
        data, length, state, out, size,
        [&](const ZAtomTable& table, ZDisassemblyState& work, ZString& text) {
            return DisassembleAtom(table, uint16_t(protocol), uint16_t(atom), data, length,
                                   uint32_t(flags), work, text);
        });
}

KEL_API int KelDisassembleArgument(int format, const uint8_t* data, uint32_t length, int flags,
                                   char* out, uint32_t* size) {
    return GuardedCall([&]() -> int32_t {
        const ZAtomTable* table;
        if (int32_t result = KelLibrary::RequireTable(table)) return result;
        if (MissingData(data, length)) return kelBadFormat;
        ZString text;
        int32_t result =
            DisassembleArgument(*table, FormatCodeOf(format), data, length, uint32_t(flags), text);
        return result != kelSuccess ? result : PutText(text, out, size);
    });
}

KEL_API int KelNormalizeAtomStream(const uint8_t* data, uint32_t length, uint8_t* out,
                                   uint32_t* size) {
    return GuardedCall([&]() -> int32_t {
        const ZAtomTable* table;
        if (int32_t result = KelLibrary::RequireTable(table)) return result;
        if (MissingData(data, length)) return kelBadFormat;
        ZBuffer stream;
        int32_t result = NormalizeAtomStream(data, length, stream);
        return result != kelSuccess ? result : PutBytes(stream, out, size);
    });
}

KEL_API int KelDoAtomCallbacks(KelAtomCallback cb, uint32_t user, const uint8_t* data,
                               uint32_t length, int flags) {
    return GuardedCall([&]() -> int32_t {
        const ZAtomTable* table;
        if (int32_t result = KelLibrary::RequireTable(table)) return result;
        if (MissingData(data, length)) return kelBadFormat;
        return DoAtomCallbacks(cb, user, data, length, uint32_t(flags));
    });
}

KEL_API int KelFreeState(KelDisassemblyState* state) {
    if (state) FreeStateRecord(*state);
    return 0;
}

} // extern "C"

KEL_API int KelDisassembleAtomStream(const ZBuffer& stream, ZString& text, uint32_t flags) {
    return GuardedCall([&]() -> int32_t {
        const ZAtomTable* table;
        if (int32_t result = KelLibrary::RequireTable(table)) return result;
        return DisassembleStream(*table, stream.Data(), stream.Length(), flags, nullptr, text);
    });
}

KEL_API int KelDoAtomCallbacks(KelAtomCallback callback, uint32_t user, const ZBuffer& stream,
                               uint32_t flags) {
    return KelDoAtomCallbacks(callback, user, stream.Data(), uint32_t(stream.Length()), int(flags));
}
