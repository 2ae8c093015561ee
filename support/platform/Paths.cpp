// Paths, directories and volumes over POSIX.
#include "Platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace Platform {

std::string CurrentDirectory() {
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) return std::string();
        buffer.resize(buffer.size() * 2);
    }
    return std::string(buffer.data());
}

namespace {

// Splits `path` at '/' and folds "." and ".." into `parts`; ".." above the root stays there.
void AppendComponents(const std::string& path, std::vector<std::string>& parts) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        std::string part = path.substr(start, slash - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
}

} // namespace

bool MakeFullPath(const std::string& path, std::string& full) {
    full.clear();
    if (path.empty()) return false;
    std::vector<std::string> parts;
    if (path[0] != '/') {
        std::string cwd = CurrentDirectory();
        if (cwd.empty()) return false;
        AppendComponents(cwd, parts);
    }
    AppendComponents(path, parts);
    std::string result;
    for (const std::string& part : parts)
        result += "/" + part;
    // A path that ends in '/' names a directory: its file name is empty.
    if (result.empty() || path.back() == '/') result += "/";
    if (result.size() > kMaxPath) return false;
    full = result;
    return true;
}

std::string ProgramPath() {
    char buffer[4096];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return std::string();
    return std::string(buffer, size_t(length));
}

std::string TempDirectory() {
    const char* dir = std::getenv("TMPDIR");
    std::string result = (dir && *dir) ? dir : "/tmp";
    if (result.back() != '/') result += '/';
    return result;
}

bool PathExists(const std::string& path) {
    struct stat info;
    return !path.empty() && stat(path.c_str(), &info) == 0;
}

bool IsRegularFile(const std::string& path) {
    struct stat info;
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool DeleteFile(const std::string& path) {
    return unlink(path.c_str()) == 0;
}

bool RenameFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool LinkFile(const std::string& from, const std::string& to) {
    return link(from.c_str(), to.c_str()) == 0;
}

int SyncDirectory(const std::string& directory) {
    int fd = open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    int result = fsync(fd) == 0 ? 0 : errno;
    close(fd);
    return result;
}

bool ListDirectory(const std::string& directory, const std::string& pattern,
                   std::vector<DirectoryEntry>& entries) {
    DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
    if (dir == nullptr) return false;
    while (struct dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (fnmatch(pattern.c_str(), name.c_str(), 0) != 0) continue;
        entries.push_back({name, name[0] == '.'});
    }
    closedir(dir);
    return true;
}

bool FreeSpace(const std::string& path, uint64_t& bytes) {
    struct statvfs info;
    if (statvfs(path.empty() ? "." : path.c_str(), &info) != 0) return false;
    bytes = uint64_t(info.f_bavail) * uint64_t(info.f_frsize);
    return true;
}

} // namespace Platform
