#pragma once
// Kelvane for C++ callers: the three conversions that work on the library's own buffer and
// text classes. Everything of kelvane.h holds; these never use the output-buffer protocol.
//
// ZBuffer and ZString are declared in ZBuffer.h and ZString.h (installed beside this header);
// their members are not exported by libkelvane.so: a C++ caller links libkelvane_text.a.

#include "ZBuffer.h"
#include "ZString.h"
#include "kelvane.h"

#include <cstdint>

// Assembles `text` (read up to its first NUL byte). On success `stream` receives the bytes,
// its old content replaced; on failure it is unchanged and (line << 16) | code is returned.
KEL_API int32_t KelAssembleAtomStream(const ZString& text, ZBuffer& stream, uint32_t flags);
// Disassembles `stream` from the initial state; `text` receives everything shown, also when
// an error ended the walk. Returns 0 or the error.
KEL_API int KelDisassembleAtomStream(const ZBuffer& stream, ZString& text, uint32_t flags);
// As the plain KelDoAtomCallbacks over the bytes of `stream`.
KEL_API int KelDoAtomCallbacks(KelAtomCallback callback, uint32_t user, const ZBuffer& stream,
                               uint32_t flags);
