// Any bytes walked as a stream (with decoding comments) and normalised end in 0, 11 (an
// atom past the end, a short large-atom start) or 24 (a joined large atom too long).
#include "AtomStream.h"
#include "Disassembly.h"
#include "FullWriter.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ZDecoderState state;
    ZString comments;
    int32_t walked =
        WalkAtomStream(data, size, state, &comments, [](const ZStreamAtom&) { return 0; });
    ZBuffer out;
    int32_t normalized = NormalizeAtomStream(data, size, out);
    if ((walked != 0 && walked != 11) || (normalized != 0 && normalized != 11 && normalized != 24))
        std::abort();
    return 0;
}
