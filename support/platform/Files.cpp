// File handles over POSIX descriptors.
#include "Platform.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

FileHandle OpenFile(const std::string& path, OpenMode mode, int& error) {
    int flags = O_CLOEXEC;
    switch (mode) {
    case OpenMode::Read:
        flags |= O_RDONLY;
        break;
    case OpenMode::Write:
        flags |= O_WRONLY | O_CREAT | O_TRUNC;
        break;
    case OpenMode::Append:
    case OpenMode::ReadWrite:
        flags |= O_RDWR | O_CREAT;
        break;
    }
    int fd;
    do {
        fd = open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = errno;
        return kInvalidFile;
    }
    // A directory opens read-only on POSIX, but it is not a file to stream: refuse it as a
    // write-mode open would.
    struct stat info;
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        close(fd);
        error = EISDIR;
        return kInvalidFile;
    }
    error = 0;
    return fd;
}

void CloseFile(FileHandle file) {
    if (file != kInvalidFile) close(file);
}

int ReadFileAt(FileHandle file, void* data, uint32_t count, int64_t offset, uint32_t& done) {
    done = 0;
    ssize_t got;
    do {
        got = pread(file, data, count, off_t(offset));
    } while (got < 0 && errno == EINTR);
    if (got < 0) return errno;
    done = uint32_t(got);
    return 0;
}

int ReadFile(FileHandle file, void* data, uint32_t count, uint32_t& done) {
    done = 0;
    ssize_t got;
    do {
        got = read(file, data, count);
    } while (got < 0 && errno == EINTR);
    if (got < 0) return errno;
    done = uint32_t(got);
    return 0;
}

int WriteFileAt(FileHandle file, const void* data, uint32_t count, int64_t offset, uint32_t& done) {
    done = 0;
    const char* bytes = static_cast<const char*>(data);
    while (done < count) {
        ssize_t put = pwrite(file, bytes + done, count - done, off_t(offset + done));
        if (put < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (put == 0) return ErrorNoSpace();
        done += uint32_t(put);
    }
    return 0;
}

int TruncateFile(FileHandle file, int64_t size) {
    int result;
    do {
        result = ftruncate(file, off_t(size));
    } while (result < 0 && errno == EINTR);
    return result < 0 ? errno : 0;
}

int FileSize(FileHandle file, int64_t& size) {
    struct stat info;
    if (fstat(file, &info) != 0) return errno;
    size = int64_t(info.st_size);
    return 0;
}

int SyncFile(FileHandle file) {
    if (fdatasync(file) == 0) return 0;
    // Some file systems (and pipes) do not support fdatasync; fall back to fsync.
    if (errno == EINVAL && fsync(file) == 0) return 0;
    return errno;
}

int AllocateFile(FileHandle file, int64_t offset, int64_t count) {
    if (count <= 0) return 0;
    int result;
    do {
        result = posix_fallocate(file, off_t(offset), off_t(count));
    } while (result == EINTR);
    return result;
}

int LockFile(FileHandle file, bool exclusive) {
    int result;
    do {
        result = flock(file, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
    } while (result < 0 && errno == EINTR);
    return result < 0 ? errno : 0;
}

bool IsSameFile(FileHandle file, const std::string& path) {
    struct stat open, named;
    return fstat(file, &open) == 0 && stat(path.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

int ErrorAccess() {
    return EACCES;
}
int ErrorPermission() {
    return EPERM;
}
int ErrorNoSpace() {
    return ENOSPC;
}
int ErrorQuota() {
    return EDQUOT;
}
int ErrorInvalid() {
    return EINVAL;
}
int ErrorBadHandle() {
    return EBADF;
}
int ErrorWouldBlock() {
    return EWOULDBLOCK;
}

} // namespace Platform
