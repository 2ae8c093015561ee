#pragma once
// TSourceLines: line and column numbers of offsets in a source file, counted only when a
// diagnostic asks for them, so that a file compiled without problems costs nothing here.
//
// Each answer starts from the previous one and reads only the bytes between, forward or back;
// diagnostics come in file order, so the lines of a file cost at most about one pass over it.
// Lines and columns are 1-based; a line ends after a line feed; columns count bytes.

#include <cstdint>
#include <vector>

class LStream;

class TSourceLines {
public:
    // Reads the bytes of `stream` when asked, putting its position back after each read.
    explicit TSourceLines(LStream& stream) : fStream(stream) {}

    int32_t Line(int32_t offset);
    int32_t Column(int32_t offset);

private:
    // Reads the stream's bytes [from, from + count) into fChunk; returns the number read.
    uint32_t ReadChunk(int32_t from, uint32_t count);
    // The line feeds among the stream's bytes [from, to).
    int32_t LineFeeds(int32_t from, int32_t to);

    LStream& fStream;
    std::vector<uint8_t> fChunk;
    int32_t fOffset = 0; // the offset last answered, and its line
    int32_t fLine = 1;
};
