#pragma once
// TFilePath: a full path value that knows where its file name begins.
//
// The path is always full (made lexically against the current directory when set) or empty.
// The name offset is the index just after the last '/': the directory part keeps its trailing
// '/', and a path ending in '/' has an empty file name.

#include <cstdint>
#include <string>

class TFilePath {
public:
    TFilePath() = default;
    explicit TFilePath(const std::string& path) { SetPath(path); }
    explicit TFilePath(const char* path) { SetPath(path ? std::string(path) : std::string()); }

    // Makes `path` full; a path that cannot be made full (empty, or longer than the platform's
    // limit) leaves the value empty.
    void SetPath(const std::string& path);

    std::string GetFileName() const { return fPath.substr(size_t(fNameOffset)); }
    // The directory part, with its trailing '/'.
    std::string GetDirectory() const { return fPath.substr(0, size_t(fNameOffset)); }
    const std::string& GetFullPath() const { return fPath; }
    bool IsEmpty() const { return fPath.empty(); }

    // Replaces the file name; the directory part (and the name offset) stays.
    void SetFileName(const std::string& name) { fPath = GetDirectory() + name; }

    // True when the path names an existing file or directory.
    bool Exists() const;
    // Deletes the file; true on success.
    bool Delete() const;
    // When the file exists, changes the file name to the first free "base[#]n.ext" for
    // n = 1..999; throws errNoUniqueName when all 999 are taken.
    void MakeUnique(bool withHash);
    // The same directory with the file name "base[#]n.ext", whether that exists or not. The
    // base is cut so that the name fits the 255 bytes a file name may hold, also when its
    // extension is later replaced by one of up to `extensionRoom` bytes.
    TFilePath NumberedName(long n, bool withHash, size_t extensionRoom = 0) const;

private:
    std::string fPath;
    int32_t fNameOffset = 0;
};
