#include "SupportFiles.h"

#include "ProgramStrings.h"
#include "Strings.h"

#include <string>

namespace WVEK {

namespace {

uint32_t ExtensionResource(TSupportFile which) {
    switch (which) {
    case TSupportFile::kIndex:
        return kStrIndexExtension;
    case TSupportFile::kAge:
        return kStrAgeExtension;
    case TSupportFile::kJournal:
        break;
    }
    return kStrJournalExtension;
}

void DeleteIfExists(const TFilePath& path) {
    if (path.Exists()) path.Delete();
}

} // namespace

TFilePath GetSupportFileName(const TFilePath& path, TSupportFile which) {
    if (path.IsEmpty()) return TFilePath(); // never a name in the current directory
    const std::string extension = LoadResourceString(ExtensionResource(which));
    const std::string name = path.GetFileName();
    const size_t dot = name.rfind('.');
    std::string base = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    if (base + extension == name) base = name; // "x.ind" must not be its own index
    return TFilePath(path.GetDirectory() + base + extension);
}

void DeleteDatabaseFiles(const TFilePath& path) {
    DeleteIfExists(path);
    for (TSupportFile which : {TSupportFile::kIndex, TSupportFile::kAge, TSupportFile::kJournal})
        DeleteIfExists(GetSupportFileName(path, which));
}

} // namespace WVEK
