// Any bytes given to the table loader end in 0 or 2; a loaded table writes back and reads
// again to the same bytes.
#include "TableFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::shared_ptr<ZAtomTable> table;
    if (ReadAtomTable(data, size, table) != 0) return 0;
    std::vector<uint8_t> bytes = WriteAtomTable(*table);
    std::shared_ptr<ZAtomTable> again;
    if (ReadAtomTable(bytes.data(), bytes.size(), again) != 0) std::abort();
    if (WriteAtomTable(*again) != bytes) std::abort();
    return 0;
}
