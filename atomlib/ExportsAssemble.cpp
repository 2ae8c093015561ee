// The assembly exports: text to binary stream (byte results, OutputProtocol.h).
#include "ArgumentFormats.h"
#include "Assembler.h"
#include "ExportGuard.h"
#include "LibraryState.h"
#include "OutputProtocol.h"
#include "kelvane.h"
#include "kelvane.hpp"

#include <cstring>

namespace {

// Hands the fragment to the caller: stream first (a retry after 4 finds the text and the
// argument buffer untouched), then the partial argument, then the unread text over `text`.
int32_t PutFragment(const ZFragment& fragment, char* text, uint8_t* out, uint32_t* size,
                    uint8_t* argOut, uint32_t* argSize) {
    if (int32_t result = PutBytes(fragment.stream, out, size)) return result;
    size_t partial = fragment.partialArgument.Length();
    if (argOut && partial > 0) std::memcpy(argOut, fragment.partialArgument.Data(), partial);
    if (argSize) *argSize = uint32_t(partial);
    // The remainder is a tail of `text` itself: memmove, terminator included.
    size_t rest = std::strlen(text + fragment.consumed);
    std::memmove(text, text + fragment.consumed, rest + 1);
    return kelSuccess;
}

} // namespace

extern "C" {

KEL_API int KelAssembleAtomStream(const char* text, int flags, uint8_t* out, uint32_t* size) {
    return GuardedCall([&]() -> int32_t {
        const ZAtomTable* table;
        if (int32_t result = KelLibrary::RequireTable(table)) return result;
        ZBuffer stream;
        uint32_t line = 0;
        int32_t result = AssembleStream(*table, text ? text : "", uint32_t(flags), stream, line);
        if (result != kelSuccess) return AssemblyResult(result, line);
        return PutBytes(stream, out, size);
    });
}

KEL_API int KelAssembleFragment(char* text, int flags, uint8_t* out, uint32_t* size,
                                uint8_t* argOut, uint32_t* argSize) {
    return GuardedCall([&]() -> int32_t {
        const ZAtomTable* table;
        if (int32_t result = KelLibrary::RequireTable(table)) return result;
        char empty[1] = {0};
        if (!text) text = empty;
        ZFragment fragment;
        int32_t result = AssembleFragment(*table, text, uint32_t(flags), fragment);
        if (result != kelSuccess) return AssemblyResult(result, fragment.line);
        return PutFragment(fragment, text, out, size, argOut, argSize);
    });
}

KEL_API int KelAssembleArgument(int format, const char* text, int flags, uint8_t* out,
                                uint32_t* size) {
    return GuardedCall([&]() -> int32_t {
        const ZAtomTable* table;
        if (int32_t result = KelLibrary::RequireTable(table)) return result;
        ZBuffer argument;
        int32_t result = AssembleArgument(*table, FormatCodeOf(format), text ? text : "",
                                          uint32_t(flags), argument);
        if (result != kelSuccess) return result;
        return PutBytes(argument, out, size);
    });
}

} // extern "C"

KEL_API int32_t KelAssembleAtomStream(const ZString& text, ZBuffer& stream, uint32_t flags) {
    return GuardedCall([&]() -> int32_t {
        const ZAtomTable* table;
        if (int32_t result = KelLibrary::RequireTable(table)) return result;
        uint32_t line = 0;
        int32_t result = AssembleStream(*table, text.Text(), flags, stream, line);
        return AssemblyResult(result, line);
    });
}
