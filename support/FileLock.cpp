#include "FileLock.h"

#include "Exception.h"

namespace {

// Takes the lock on `handle`, waiting out a conflict for a short while. True once held (or
// when the file system has no advisory locks); false when the conflict stayed.
bool LockWithRetry(Platform::FileHandle handle, bool exclusive) {
    for (uint32_t attempt = 0; attempt < TFileLock::kAttempts; ++attempt) {
        const int error = Platform::LockFile(handle, exclusive);
        if (error != Platform::ErrorWouldBlock()) return true;
        Platform::SleepMilliseconds(TFileLock::kPauseMilliseconds);
    }
    return false;
}

} // namespace

std::unique_ptr<TFileLock> TFileLock::Acquire(const TFilePath& path, TMode mode) {
    // Each pass either returns or found the path renamed over while it waited; a file that
    // keeps being replaced is as busy as a locked one.
    for (uint32_t pass = 0; pass < kAttempts; ++pass) {
        int error = 0;
        Platform::FileHandle handle =
            Platform::OpenFile(path.GetFullPath(), Platform::OpenMode::Read, error);
        if (handle == Platform::kInvalidFile) throw TTolvException(uint32_t(error));
        std::unique_ptr<TFileLock> lock(new TFileLock(handle, mode));
        if (!LockWithRetry(handle, mode == TMode::kExclusive))
            throw TTolvException(errDatabaseInUse);
        if (Platform::IsSameFile(handle, path.GetFullPath())) return lock;
    }
    throw TTolvException(errDatabaseInUse);
}

TFileLock::~TFileLock() {
    Platform::CloseFile(fHandle);
}

void TFileLock::MakeExclusive() {
    if (fMode == TMode::kExclusive) return;
    if (!LockWithRetry(fHandle, true)) throw TTolvException(errDatabaseInUse);
    fMode = TMode::kExclusive;
}
