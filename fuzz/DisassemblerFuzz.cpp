// Random streams disassembled with the default table under every flag combination (the first
// two bytes) end in a known code; in the alternate syntax no broken line is longer than 61
// characters. The third byte picks the format of a stand-alone argument.
#include "Disassembly.h"
#include "TableFile.h"

#include <cstdlib>

namespace {

const ZAtomTable& DefaultTable() {
    static const std::shared_ptr<ZAtomTable> table = [] {
        std::shared_ptr<ZAtomTable> loaded;
        if (LoadAtomTableFile(KEL_DEFAULT_TABLE, loaded) != 0) std::abort();
        return loaded;
    }();
    return *table;
}

// 11 a damaged or too deeply nested stream, 13 an orientation, 23 an enumeration without
// an atom, 24 a joined atom too long for normalisation.
void Check(int32_t result) {
    if (result != 0 && result != 11 && result != 13 && result != 23 && result != 24)
        std::abort();
}

// Every line that a CR or LF ends holds at most 60 characters and the "!".
void CheckWrapped(const ZString& text) {
    size_t start = 0;
    for (size_t i = 0; i < text.Length(); ++i) {
        char c = text.Text()[i];
        if (c != '\r' && c != '\n') continue;
        if (i - start > 61) std::abort();
        start = i + 1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    uint32_t flags = uint32_t(data[0] | (data[1] << 8)) & 0x3FF;
    uint16_t format = data[2];
    const uint8_t* stream = data + 3;
    size_t length = size - 3;
    const ZAtomTable& table = DefaultTable();

    ZString out;
    ZDisassemblyState state;
    int32_t result = DisassembleStream(table, stream, length, flags, &state, out);
    Check(result);
    if (flags & 0x40) CheckWrapped(out);
    if (result == 0) Check(DisassembleStream(table, stream, length, flags, &state, out));
    Check(DisassembleArgument(table, format, stream, length, flags, out));
    if (length >= 2)
        Check(DisassembleAtom(table, stream[0], stream[1], stream + 2, length - 2, flags, state,
                              out));
    return 0;
}
