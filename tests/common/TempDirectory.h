#pragma once
// Test helpers for code that works on real files: a fresh directory removed at the end of the
// test, and a guard that changes the current directory for the length of a scope.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

// In memory when the machine has a tmpfs: databases sync every commit, which on a disk costs
// milliseconds that the byte-level damage loops would pay thousands of times.
class TTempDirectory {
public:
    TTempDirectory() {
        std::random_device random;
        const auto base = std::filesystem::is_directory("/dev/shm")
                              ? std::filesystem::path("/dev/shm")
                              : std::filesystem::temp_directory_path();
        do {
            fPath = base / ("tarnwick-test-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(fPath));
    }
    TTempDirectory(const TTempDirectory&) = delete;
    TTempDirectory& operator=(const TTempDirectory&) = delete;
    ~TTempDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(fPath, ignored);
    }

    // The directory with a trailing '/'.
    std::string Path() const { return fPath.string() + "/"; }
    // The full path of `name` inside the directory.
    std::string operator/(const std::string& name) const { return Path() + name; }
    // The names of the files in the directory, sorted.
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(fPath))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path fPath;
};

// Writes `bytes` as the whole content of the file at `path`.
inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The whole content of the file at `path` (empty when it cannot be read).
inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class TCurrentDirectoryGuard {
public:
    explicit TCurrentDirectoryGuard(const std::string& directory)
        : fSaved(std::filesystem::current_path()) {
        std::filesystem::current_path(directory);
    }
    TCurrentDirectoryGuard(const TCurrentDirectoryGuard&) = delete;
    TCurrentDirectoryGuard& operator=(const TCurrentDirectoryGuard&) = delete;
    ~TCurrentDirectoryGuard() { std::filesystem::current_path(fSaved); }

private:
    std::filesystem::path fSaved;
};
