#pragma once
// TFileLock: an advisory lock on a file, held for the whole of a command: shared by readers,
// exclusive by a writer. The lock belongs to the lock object's own handle on the file, so other
// streams of this process may open, read and close the file freely; it is released when the
// object is destroyed (or the process ends, however it ends).
//
// A writer that replaces a file by renaming a new one over its name (create, compact) holds
// locks on both files, so a process that waited for the old file finds, on getting it, that its
// path names another file now, and starts over on the new one.

#include "FilePath.h"
#include "Platform.h"

#include <cstdint>
#include <memory>

class TFileLock {
public:
    enum class TMode : uint8_t { kShared, kExclusive };
    // How long a conflicting lock is waited for before the command gives up: about a second.
    static constexpr uint32_t kAttempts = 20;
    static constexpr uint32_t kPauseMilliseconds = 50;

    // Locks the existing file at `path`. Throws errDatabaseInUse when another process holds a
    // conflicting lock for longer than the short wait, the errno when the file cannot be
    // opened. On a file system without advisory locks the object holds no lock.
    static std::unique_ptr<TFileLock> Acquire(const TFilePath& path, TMode mode);
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;
    ~TFileLock();

    TMode Mode() const { return fMode; }
    // Converts a shared lock to an exclusive one, waiting as Acquire does; throws
    // errDatabaseInUse when other readers stay.
    void MakeExclusive();

private:
    TFileLock(Platform::FileHandle handle, TMode mode) : fHandle(handle), fMode(mode) {}

    Platform::FileHandle fHandle;
    TMode fMode;
};
