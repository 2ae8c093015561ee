#include "FilePath.h"

#include "Exception.h"
#include "Platform.h"

#include <algorithm>

namespace {

// The longest file name the file systems take, in bytes.
constexpr size_t kMaxFileName = 255;

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

TFilePath TFilePath::NumberedName(long n, bool withHash, size_t extensionRoom) const {
    const std::string name = GetFileName();
    const size_t dot = name.rfind('.');
    std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    std::string suffix = withHash ? "#" : "";
    suffix += std::to_string(n);
    const size_t taken = suffix.size() + std::max(extension.size(), extensionRoom);
    const size_t room = kMaxFileName - std::min(kMaxFileName, taken);
    base.resize(std::min(base.size(), room));
    TFilePath numbered(*this);
    numbered.SetFileName(base + suffix + extension);
    return numbered;
}

void TFilePath::MakeUnique(bool withHash) {
    if (!Exists()) return;
    for (long n = 1; n < 1000; ++n) {
        TFilePath candidate = NumberedName(n, withHash);
        if (!candidate.Exists()) {
            *this = candidate;
            return;
        }
    }
    throw TTolvException(errNoUniqueName);
}
