// TXMLParser on arbitrary bytes, three ways: from memory keeping text, through a block reader
// of a few bytes (its window moves at every boundary: inside names, references, quoted values,
// terminators) keeping text, and in its checking mode. All must agree on the result number,
// the stream position and the description, and the two that keep text on the tree; any
// difference aborts. ASan and UBSan see every read.

#include "BlockReadStream.h"
#include "DynamicStream.h"
#include "XMLCanonical.h"
#include "XMLParser.h"

#include <cstdlib>
#include <memory>

namespace {

struct TOutcome {
    uint32_t error;
    int32_t offset;
};

TOutcome Parse(const uint8_t* data, size_t size, TXMLParser& parser, uint32_t window) {
    auto memory = std::make_unique<LDynamicStream>();
    memory->WriteOrThrow(data, uint32_t(size));
    std::unique_ptr<LStream> stream = std::move(memory);
    if (window != 0) stream = std::make_unique<TBlockReadStream>(std::move(stream), window);
    stream->Seek(0, seekBegin);
    const uint32_t error = parser.Parse(*stream);
    return {error, stream->GetPosition()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint32_t window = uint32_t(1 + size % 7);
    TXMLParser memory, windowed(uint32_t(1 + size % 5)), checking(3, false);
    const TOutcome a = Parse(data, size, memory, 0);
    const TOutcome b = Parse(data, size, windowed, window);
    const TOutcome c = Parse(data, size, checking, window);
    if (a.error != b.error || a.offset != b.offset || a.error != c.error || a.offset != c.offset)
        std::abort();
    if (memory.GetErrorText() != windowed.GetErrorText() ||
        memory.GetErrorText() != checking.GetErrorText())
        std::abort();
    if (Canonical(memory.GetRoot()) != Canonical(windowed.GetRoot())) std::abort();
    return 0;
}
