#include "FileServices.h"

#include "Platform.h"
#include "Strings.h"

#include <vector>

namespace {

// One row of the kind table: which of the seven directories, and the extension.
struct TKind {
    int32_t kind;
    int directory;
    const char* extension;
};

// Kinds not listed live in the program directory and have no extension. Directories 1 to 5
// are empty.
constexpr TKind kKinds[] = {
    {0, 0, ""}, {1, 1, ".txt"}, {2, 0, ""},     {3, 2, ".adb"},  {4, 3, ""},      {5, 2, ""},
    {6, 4, ""}, {7, 5, ""},     {8, 6, ".alc"}, {12, 0, ".vek"}, {13, 0, ".dll"},
};

const TKind& KindOf(int32_t kind) {
    static constexpr TKind kOther = {-1, 0, ""};
    for (const TKind& row : kKinds)
        if (row.kind == kind) return row;
    return kOther;
}

} // namespace

TMiniFileServices::TMiniFileServices() {
    Register(kFileServicesClassId);
    TFilePath program(Platform::ProgramPath());
    program.SetFileName(""); // leaves the directory with its '/'
    fDirectories[kProgramDirectory] = program;
    fDirectories[kTempDirectory] = TFilePath(Platform::TempDirectory());
}

TFilePath TMiniFileServices::GetKindDirectory(int32_t kind) {
    return fDirectories[KindOf(kind).directory];
}

std::string TMiniFileServices::GetKindExtension(int16_t kind) {
    return KindOf(kind).extension;
}

bool TMiniFileServices::HasSuffix(const std::string& suffix, const std::string& name) {
    if (suffix.empty() || suffix.size() > name.size()) return false;
    std::string tail = name.substr(name.size() - suffix.size());
    ToUpper(tail);
    return tail == suffix;
}

bool TMiniFileServices::FindFirst(const TFilePath& directory, const std::string& pattern,
                                  TFilePath& found) {
    std::vector<Platform::DirectoryEntry> entries;
    const std::string where = directory.GetDirectory();
    if (!Platform::ListDirectory(where, pattern, entries) || entries.empty()) return false;
    if (entries.front().hidden) return false; // only the first entry is looked at
    found = TFilePath(where + entries.front().name);
    return true;
}

void TMiniFileServices::ListFilesOfKind(const TFilePath& directory, int16_t kind,
                                        TStringList& names) {
    ListFiles(directory, GetKindExtension(kind), names);
}

void TMiniFileServices::ListFiles(const TFilePath& directory, const std::string& extension,
                                  TStringList& names) {
    std::vector<Platform::DirectoryEntry> entries;
    Platform::ListDirectory(directory.GetDirectory(), "*" + extension, entries);
    for (const Platform::DirectoryEntry& entry : entries)
        if (!entry.hidden) names.Add(entry.name);
}

uint32_t TMiniFileServices::GetFreeSpace(const TFilePath& path) {
    uint64_t bytes = 0;
    if (!Platform::FreeSpace(path.GetDirectory(), bytes)) return 0;
    return bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(bytes);
}

void TMiniFileServices::IgnoreRequest(int32_t, int32_t, int32_t) {}

void TMiniFileServices::ClearPair(int32_t, std::string& first, std::string& second) {
    first.clear();
    second.clear();
}
