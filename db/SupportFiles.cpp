#include "SupportFiles.h"

#include "ProgramStrings.h"
#include "Strings.h"

#include <string>

namespace WVEK {

namespace {

uint32_t ExtensionResource(TSupportFile which) {
    return which == TSupportFile::kIndex ? kStrIndexExtension : kStrAgeExtension;
}

void DeleteIfExists(const TFilePath& path) {
    if (path.Exists()) path.Delete();
}

} // namespace

TFilePath GetSupportFileName(const TFilePath& path, TSupportFile which) {
    if (path.IsEmpty()) return TFilePath(); // never a name in the current directory
    std::string name = path.GetFullPath();
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    return TFilePath(name + LoadResourceString(ExtensionResource(which)));
}

void DeleteDatabaseFiles(const TFilePath& path) {
    DeleteIfExists(path);
    DeleteIfExists(GetSupportFileName(path, TSupportFile::kIndex));
    DeleteIfExists(GetSupportFileName(path, TSupportFile::kAge));
}

} // namespace WVEK
