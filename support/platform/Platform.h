#pragma once
// The platform layer: every operating-system service the system uses, stated as operations.
//
// This is the only code that includes operating-system headers. Paths use '/'; error numbers
// are errno values. Nothing here throws: failures come back as a false result or an error
// number, and the callers decide how to report them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Platform {

// ---- Paths --------------------------------------------------------------------------------

// Longest full path, in bytes, that MakeFullPath produces.
constexpr size_t kMaxPath = 1023;

// The current directory, without a trailing '/' (except for the root itself).
std::string CurrentDirectory();

// Makes `path` a full path lexically: a relative path is taken against the current directory;
// "." and ".." components and repeated slashes collapse; symbolic links are not resolved; a
// trailing '/' is kept (the file name is then empty). False for an empty path or a result
// longer than kMaxPath bytes.
bool MakeFullPath(const std::string& path, std::string& full);

// The full path of the running program's own file (/proc/self/exe); empty when unknown.
std::string ProgramPath();

// The directory for temporary files ($TMPDIR, else /tmp), with a trailing '/'.
std::string TempDirectory();

// True when the path names an existing file system object (directories included).
bool PathExists(const std::string& path);
// True when the path names a regular file (after symbolic links): one that has a size and can
// be read at any offset, unlike a pipe, FIFO, terminal or directory.
bool IsRegularFile(const std::string& path);
bool DeleteFile(const std::string& path);
// Replaces `to` (when it exists) in one step.
bool RenameFile(const std::string& from, const std::string& to);
// Gives the file at `from` a second name `to` (which must not exist): a hard link.
bool LinkFile(const std::string& from, const std::string& to);
// Makes the creations, renames and deletions in `directory` durable; 0 or the errno.
int SyncDirectory(const std::string& directory);

// ---- Files --------------------------------------------------------------------------------

using FileHandle = int;
constexpr FileHandle kInvalidFile = -1;

enum class OpenMode {
    Read,      // read only; the file must exist
    Write,     // write only; created, or emptied when it exists
    Append,    // read and write; created when missing; position left at 0 (the caller seeks)
    ReadWrite, // read and write; created when missing
};

// Opens with sharing for other readers and writers; new files get mode 0666 & umask.
// Returns kInvalidFile and the errno in `error` on failure (EISDIR for a directory).
FileHandle OpenFile(const std::string& path, OpenMode mode, int& error);
void CloseFile(FileHandle file);

// One read of up to `count` bytes at `offset` (the descriptor's own position is neither used
// nor moved); `done` receives the number read (0 at the end of the file). Returns 0 or the
// errno. WriteFileAt writes all `count` bytes unless an error stops it.
int ReadFileAt(FileHandle file, void* data, uint32_t count, int64_t offset, uint32_t& done);
int WriteFileAt(FileHandle file, const void* data, uint32_t count, int64_t offset, uint32_t& done);
// One read of up to `count` bytes at the descriptor's own position, which it moves: the way to
// read a pipe or FIFO. `done` receives the number read (0 at the end). Returns 0 or the errno.
int ReadFile(FileHandle file, void* data, uint32_t count, uint32_t& done);
// Sets the file's end at `size` (growing it with zero bytes or cutting it); 0 or the errno.
int TruncateFile(FileHandle file, int64_t size);
// The file's size; 0 or the errno.
int FileSize(FileHandle file, int64_t& size);
// Makes the written data durable; 0 or the errno.
int SyncFile(FileHandle file);
// Reserves the bytes [offset, offset + count) on disk, growing the file when it is shorter, so
// that no later write there fails for want of space; 0 or the errno (ENOSPC, EDQUOT...).
int AllocateFile(FileHandle file, int64_t offset, int64_t count);

// An advisory lock on the whole file, shared or exclusive, taken without waiting; it is held by
// this handle (not by the process) until it is closed. Returns 0, ErrorWouldBlock() when another
// handle holds a lock that conflicts, or another errno. Taking the other kind on a handle that
// holds one converts it (not atomically: a failed conversion leaves no lock).
int LockFile(FileHandle file, bool exclusive);
// True when `path` names the very file open on `file` (the same device and inode): false once
// another file has been renamed over the path or the path was deleted.
bool IsSameFile(FileHandle file, const std::string& path);

// errno values the callers map to their own codes.
int ErrorAccess();     // access denied (EACCES)
int ErrorPermission(); // operation not permitted (EPERM)
int ErrorNoSpace();    // no space left on the device (ENOSPC)
int ErrorQuota();      // disk quota exceeded (EDQUOT)
int ErrorInvalid();    // an invalid argument, such as a negative file position (EINVAL)
int ErrorBadHandle();  // a closed or invalid file handle (EBADF)
int ErrorWouldBlock(); // a lock held by another (EWOULDBLOCK)

// ---- Directories and volumes --------------------------------------------------------------

struct DirectoryEntry {
    std::string name;
    bool hidden; // the name starts with '.'
};

// The entries of `directory` whose names match the shell pattern `pattern` ("*" matches all),
// in the order the system returns them; "." and ".." are left out. False when the directory
// cannot be read.
bool ListDirectory(const std::string& directory, const std::string& pattern,
                   std::vector<DirectoryEntry>& entries);

// Bytes available to the caller on the volume holding `path`; false on failure.
bool FreeSpace(const std::string& path, uint64_t& bytes);

// ---- Time --------------------------------------------------------------------------------

void SleepMilliseconds(uint32_t milliseconds);

// ---- Console ------------------------------------------------------------------------------

// Writes to standard error, unbuffered, in one piece.
void WriteStandardError(const char* text, size_t length);

// ---- Modules ------------------------------------------------------------------------------

// Loads a shared library by bare name through the system's search; null when it cannot.
void* LoadLibrary(const char* name);
// An exported symbol of a loaded library, or null.
void* FindSymbol(void* library, const char* name);
void FreeLibrary(void* library);

} // namespace Platform
