#include "TableState.h"

#include "KelCodes.h"
#include "TableFile.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace {

std::shared_ptr<ZAtomTable> gTable;

// The whole file, or false when it cannot be opened or read.
bool ReadWholeFile(const char* path, std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

} // namespace

namespace ZTableState {

int32_t Load(const char* path) {
    Release();
    std::vector<uint8_t> bytes;
    if (!path || !ReadWholeFile(path, bytes)) return kelTableOpenFail;
    return ReadAtomTable(bytes.data(), bytes.size(), gTable);
}

void Release() { gTable.reset(); }

bool IsLoaded() { return gTable != nullptr; }

const ZAtomTable* Root() { return gTable.get(); }

} // namespace ZTableState
