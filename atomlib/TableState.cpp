#include "TableState.h"

#include "TableFile.h"

#include <memory>

namespace {

std::shared_ptr<ZAtomTable> gTable;

} // namespace

namespace ZTableState {

int32_t Load(const char* path) {
    Release();
    return LoadAtomTableFile(path, gTable);
}

void Release() {
    gTable.reset();
}

bool IsLoaded() {
    return gTable != nullptr;
}

const ZAtomTable* Root() {
    return gTable.get();
}

} // namespace ZTableState
