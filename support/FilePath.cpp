#include "FilePath.h"

#include "Exception.h"
#include "Platform.h"

#include <algorithm>

namespace {

// The longest file name that MakeUnique builds.
constexpr size_t kMaxFileName = 256;

} // namespace

void TFilePath::SetPath(const std::string& path) {
    fPath.clear();
    fNameOffset = 0;
    std::string full;
    if (!Platform::MakeFullPath(path, full)) return;
    fPath = full;
    fNameOffset = int32_t(fPath.rfind('/') + 1); // a full path always holds a '/'
}

bool TFilePath::Exists() const {
    return Platform::PathExists(fPath);
}

bool TFilePath::Delete() const {
    return Platform::DeleteFile(fPath);
}

void TFilePath::MakeUnique(bool withHash) {
    if (!Exists()) return;
    const std::string name = GetFileName();
    const size_t dot = name.rfind('.');
    std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    const std::string separator = withHash ? "#" : "";

    TFilePath candidate(*this);
    for (long n = 1; n < 1000; ++n) {
        const std::string suffix = separator + std::to_string(n);
        if (base.size() + suffix.size() + extension.size() > kMaxFileName) {
            // Once cut, the base stays cut for the later (longer) suffixes.
            size_t room = kMaxFileName - std::min(kMaxFileName, suffix.size() + extension.size());
            base.resize(std::min(base.size(), room));
        }
        candidate.SetFileName(base + suffix + extension);
        if (!candidate.Exists()) {
            *this = candidate;
            return;
        }
    }
    throw TTolvException(errNoUniqueName);
}
