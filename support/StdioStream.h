#pragma once
// TSTDIOStream: the stream interface over a standard I/O stream (FILE*), such as stdout.
//
// The FILE* is borrowed: the stream flushes it when destroyed but never closes it. Positions
// and sizes that do not fit in 32 bits come back as INT32_MAX; on a stream that cannot seek
// (a pipe or terminal) they come back as -1.

#include "Stream.h"

#include <cstdio>

class TSTDIOStream : public LStream {
public:
    explicit TSTDIOStream(std::FILE* file) : fFile(file) {}
    // Flushes; the FILE* stays open.
    ~TSTDIOStream() override;

    // fseek with the matching origin (seekCurrent for unknown ones); failures are ignored.
    void Seek(int32_t offset, uint32_t origin) override;
    int32_t GetPosition() override;
    // Does nothing: a standard I/O stream cannot be cut.
    void SetSize(int32_t size) override;
    // Seeks to the end and back; -1 when the stream cannot seek.
    int32_t GetSize() override;
    void Flush() override;
    // One fwrite of the whole block; `count` comes back as the number written, and a short
    // write returns errWriteFailed.
    uint32_t Write(const void* data, uint32_t& count) override;
    // One fread; `count` comes back as the number read. Returns errEndOfData when bytes were
    // asked for and none came.
    uint32_t Read(void* data, uint32_t& count) override;

private:
    std::FILE* fFile;
};
