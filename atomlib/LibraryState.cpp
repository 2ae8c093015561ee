#include "LibraryState.h"

#include "KelCodes.h"
#include "Platform.h"
#include "TableState.h"

namespace {

std::string ComputeDefaultTablePath() {
    std::string directory = Platform::CurrentDirectory();
    if (directory.empty()) return std::string();
    if (directory.back() != '/') directory += '/';
    return directory + "atoms.kel";
}

// Computed by the static initialisation of the library, before any export can run.
const std::string gDefaultTablePath = ComputeDefaultTablePath();

} // namespace

namespace KelLibrary {

const std::string& DefaultTablePath() {
    return gDefaultTablePath;
}

int32_t LoadTable(const char* path) {
    if (ZTableState::IsLoaded()) return kelSuccess;
    return ZTableState::Load(path ? path : gDefaultTablePath.c_str());
}

int32_t RequireTable(const ZAtomTable*& table) {
    int32_t result = LoadTable(nullptr);
    table = ZTableState::Root();
    return result;
}

} // namespace KelLibrary
