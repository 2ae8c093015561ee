// Feeds arbitrary bytes as an index file to the B-tree: check, find, insert, delete, flush.
#include "DynamicStream.h"
#include "Exception.h"
#include "FileIndex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto stream = std::make_unique<LDynamicStream>();
    stream->WriteOrThrow(data, uint32_t(size));
    try {
        WVEK::TFileIndex index(std::move(stream), "fuzz.ind", false);
        uint32_t value = 0;
        index.Check();
        for (int32_t key : {0, 1, 11, 15, 21, -7, 1000}) {
            index.Find(key, value) ? index.Delete(key) : index.Insert(key, value);
        }
        index.Flush(true);
    } catch (const TTolvException&) {
    }
    return 0;
}
