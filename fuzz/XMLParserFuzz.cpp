// TXMLParser on arbitrary bytes, checked against the byte-at-a-time model of the tests: same
// result number, same stream position, same tree. Any difference aborts.

#include "DynamicStream.h"
#include "XMLModel.h"
#include "XMLParser.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LDynamicStream stream;
    stream.WriteOrThrow(data, uint32_t(size));
    stream.Seek(0, seekBegin);
    TModelResult model = ParseModel(stream);
    stream.Seek(0, seekBegin);
    TXMLParser parser;
    uint32_t error = parser.Parse(stream);
    if (error != model.error || stream.GetPosition() != model.offset) std::abort();
    if (error == 0 && Canonical(parser.GetRoot()) != Canonical(model.root.get())) std::abort();
    return 0;
}
