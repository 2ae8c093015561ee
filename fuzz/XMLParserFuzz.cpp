// TXMLParser on arbitrary bytes, three ways: from memory keeping text, through a block reader
// of a few bytes (its window moves at every boundary: inside names, references, quoted values,
// terminators) keeping text, and in its checking mode. All must agree on the result number,
// the stream position and the description, and the two that keep text on the tree; any
// difference aborts. ASan and UBSan see every read.

#include "XMLParseHelpers.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const uint32_t window = uint32_t(1 + size % 7);
    TXMLParser memory, windowed(uint32_t(1 + size % 5)), checking(3, false);
    const auto result = Parse(text, memory);
    if (Parse(text, windowed, 0, window) != result || Parse(text, checking, 0, window) != result)
        std::abort();
    if (memory.GetErrorText() != windowed.GetErrorText() ||
        memory.GetErrorText() != checking.GetErrorText())
        std::abort();
    if (Canonical(memory.GetRoot()) != Canonical(windowed.GetRoot())) std::abort();
    return 0;
}
