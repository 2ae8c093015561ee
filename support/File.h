#pragma once
// TFile: a named file that opens streams on itself; TFileStream: a stream that belongs to a
// TFile; TWinFileStream: the file stream over an operating-system file descriptor.
//
// Ownership: whoever calls OpenStream owns the stream and deletes it, which closes the
// descriptor and takes the stream off its file's list. A file still holding streams when it
// is destroyed closes them and cuts them loose, so deleting them afterwards is safe.

#include "FilePath.h"
#include "KeyedList.h"
#include "Platform.h"
#include "Stream.h"

#include <cstdint>
#include <string>

// Open modes of TFile::OpenStream; any value other than 1 to 3 opens as openReadWrite.
enum : uint32_t {
    openRead = 1,      // read only; the file must exist; position 0
    openWrite = 2,     // write only; emptied, or created; position 0
    openAppend = 3,    // read and write; created when missing; position at the end
    openReadWrite = 4, // read and write; created when missing; position 0
};

class TFileStream;
class TWinFileStream;

class TFile {
public:
    explicit TFile(const TFilePath& path) : fPath(path) {}
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;
    // Closes every stream still open on this file and detaches it (the streams stay alive).
    virtual ~TFile();

    // Opens a new stream in `mode` (created files get mode 0666 & umask). Throws the errno
    // value on failure (a missing file in openRead throws 2). The caller owns the stream.
    virtual TWinFileStream* OpenStream(uint32_t mode);
    // Renames the file within its directory to `newName` (a bare name); throws errAssert on
    // failure. Open streams stay valid.
    virtual void Rename(const std::string& newName);
    virtual bool Exists() { return fPath.Exists(); }
    // Stream bookkeeping, called by TFileStream: each stream is listed at most once.
    virtual void AddStream(TFileStream* stream);
    virtual void RemoveStream(TFileStream* stream);

    const TFilePath& GetPath() const { return fPath; }
    int32_t StreamCount() const { return fStreams.Count(); }

protected:
    // For a derived file whose file was renamed by other means than Rename.
    void SetPath(const TFilePath& path) { fPath = path; }

private:
    TKeyedList fStreams; // key 0, value: TFileStream*
    TFilePath fPath;
};

// A stream opened by a TFile (or by no file at all, when the file is null).
class TFileStream : public LStream {
public:
    // Registers with `file` when it is not null.
    explicit TFileStream(TFile* file);
    ~TFileStream() override;

    virtual void Close() = 0;
    TFile* GetFile() const { return fFile; }

private:
    friend class TFile;
    TFile* fFile;
};

// The file stream over a POSIX descriptor. Position and size are the open file's, limited to
// signed 32 bits: a position or size beyond that throws errAssert instead of wrapping.
class TWinFileStream : public TFileStream {
public:
    // Takes ownership of `handle`.
    TWinFileStream(TFile* file, Platform::FileHandle handle);
    ~TWinFileStream() override;

    // seekEnd adds the offset to the size (unlike the memory stream); an unknown origin counts
    // as seekBegin. Throws the errno value on failure; the position then stays where it was.
    void Seek(int32_t offset, uint32_t origin) override;
    int32_t GetPosition() override;
    // Sets the file's end at `size` and leaves the position there. Failures throw errEndOfData
    // (access denied), errDiskFull (no space or quota) or errWriteFailed.
    void SetSize(int32_t size) override;
    // Throws errAssert when the size cannot be taken.
    int32_t GetSize() override;
    // Makes the written data durable; throws the errno value on failure.
    void Flush() override;
    // Allocates the bytes from the current end up to `size` on disk (a truncate would reserve
    // nothing). Failures throw errDiskFull (no space or quota) or errWriteFailed.
    void Reserve(int32_t size) override;
    // Returns errWriteFailed on failure; `count` comes back as the number written.
    uint32_t Write(const void* data, uint32_t& count) override;
    // Returns errEndOfData at the end of the file or on failure; a count of 0 asked for
    // succeeds with 0 bytes. A short read that returns some bytes is success.
    uint32_t Read(void* data, uint32_t& count) override;
    // Closes the descriptor; harmless when already closed.
    void Close() override;

private:
    Platform::FileHandle fHandle;
    // The stream's position. Reads and writes go to it with positioned calls, so that a seek
    // costs no system call; nothing else moves it, since the descriptor is this stream's own.
    int64_t fFilePosition = 0;
};
