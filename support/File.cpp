#include "File.h"

#include "Exception.h"

#include <cstdint>
#include <memory>

namespace {

void ThrowIfError(int error) {
    if (error != 0) throw TTolvException(uint32_t(error));
}

Platform::OpenMode OpenModeOf(uint32_t mode) {
    switch (mode) {
    case openRead:
        return Platform::OpenMode::Read;
    case openWrite:
        return Platform::OpenMode::Write;
    case openAppend:
        return Platform::OpenMode::Append;
    default:
        return Platform::OpenMode::ReadWrite;
    }
}

// The code SetSize throws for the errno of a failed truncation.
uint32_t SetSizeFailureCode(int error) {
    if (error == Platform::ErrorAccess() || error == Platform::ErrorPermission())
        return errEndOfData;
    if (error == Platform::ErrorNoSpace() || error == Platform::ErrorQuota()) return errDiskFull;
    return errWriteFailed;
}

} // namespace

// ---- TFile --------------------------------------------------------------------------------

TFile::~TFile() {
    for (TKeyedListNode* node = fStreams.Head(); node; node = node->next) {
        auto* stream = reinterpret_cast<TFileStream*>(node->value);
        stream->Close();
        stream->fFile = nullptr; // its later destruction must not reach this object
    }
}

TWinFileStream* TFile::OpenStream(uint32_t mode) {
    int error = 0;
    Platform::FileHandle handle = Platform::OpenFile(fPath.GetFullPath(), OpenModeOf(mode), error);
    if (handle == Platform::kInvalidFile) throw TTolvException(uint32_t(error));
    std::unique_ptr<TWinFileStream> stream;
    try {
        stream = std::make_unique<TWinFileStream>(this, handle);
    } catch (...) {
        Platform::CloseFile(handle);
        throw;
    }
    if (mode == openAppend) stream->Seek(stream->GetSize(), seekBegin);
    return stream.release();
}

void TFile::Rename(const std::string& newName) {
    // A name holding '/' would move the file to another directory; the directory never changes.
    ThrowUnless(!newName.empty() && newName.find('/') == std::string::npos);
    ThrowUnless(Platform::RenameFile(fPath.GetFullPath(), fPath.GetDirectory() + newName));
    fPath.SetFileName(newName);
}

void TFile::AddStream(TFileStream* stream) {
    if (!fStreams.ContainsValue(reinterpret_cast<uintptr_t>(stream))) fStreams.AddLast(stream);
}

void TFile::RemoveStream(TFileStream* stream) {
    fStreams.RemoveValue(reinterpret_cast<uintptr_t>(stream));
}

// ---- TFileStream --------------------------------------------------------------------------

TFileStream::TFileStream(TFile* file) : fFile(file) {
    if (fFile) fFile->AddStream(this);
}

TFileStream::~TFileStream() {
    if (fFile) fFile->RemoveStream(this);
}

// ---- TWinFileStream -----------------------------------------------------------------------

TWinFileStream::TWinFileStream(TFile* file, Platform::FileHandle handle)
    : TFileStream(file), fHandle(handle) {}

TWinFileStream::~TWinFileStream() {
    Close();
}

void TWinFileStream::Seek(int32_t offset, uint32_t origin) {
    if (fHandle == Platform::kInvalidFile)
        throw TTolvException(uint32_t(Platform::ErrorBadHandle()));
    const int64_t base = origin == seekEnd       ? int64_t(GetSize())
                         : origin == seekCurrent ? fFilePosition
                                                 : 0;
    const int64_t target = base + offset;
    if (target < 0) throw TTolvException(uint32_t(Platform::ErrorInvalid()));
    // Positions stay within 32 bits; the position stays where it was.
    ThrowUnless(target <= INT32_MAX);
    fFilePosition = target;
}

int32_t TWinFileStream::GetPosition() {
    if (fHandle == Platform::kInvalidFile)
        throw TTolvException(uint32_t(Platform::ErrorBadHandle()));
    ThrowUnless(fFilePosition <= INT32_MAX);
    return int32_t(fFilePosition);
}

void TWinFileStream::SetSize(int32_t size) {
    Seek(size, seekBegin);
    if (int error = Platform::TruncateFile(fHandle, size))
        throw TTolvException(SetSizeFailureCode(error));
}

int32_t TWinFileStream::GetSize() {
    int64_t size = 0;
    ThrowUnless(Platform::FileSize(fHandle, size) == 0 && size <= INT32_MAX);
    return int32_t(size);
}

void TWinFileStream::Reserve(int32_t size) {
    const int32_t current = GetSize();
    if (size <= current) return;
    if (int error = Platform::AllocateFile(fHandle, current, int64_t(size) - current)) {
        const uint32_t code = SetSizeFailureCode(error);
        throw TTolvException(code == errEndOfData ? errWriteFailed : code);
    }
}

void TWinFileStream::Flush() {
    ThrowIfError(Platform::SyncFile(fHandle));
}

uint32_t TWinFileStream::Write(const void* data, uint32_t& count) {
    uint32_t done = 0;
    const int error = Platform::WriteFileAt(fHandle, data, count, fFilePosition, done);
    count = done;
    fFilePosition += done;
    return error == 0 ? 0 : errWriteFailed;
}

uint32_t TWinFileStream::Read(void* data, uint32_t& count) {
    if (count == 0) return 0; // nothing asked for is not the end of the data
    uint32_t done = 0;
    const int error = Platform::ReadFileAt(fHandle, data, count, fFilePosition, done);
    count = done;
    fFilePosition += done;
    return error != 0 || done == 0 ? errEndOfData : 0;
}

void TWinFileStream::Close() {
    Platform::CloseFile(fHandle);
    fHandle = Platform::kInvalidFile;
}
