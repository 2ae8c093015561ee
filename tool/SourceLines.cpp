#include "SourceLines.h"

#include "Stream.h"

#include <algorithm>

namespace {

constexpr uint32_t kChunkBytes = 64 * 1024;

} // namespace

uint32_t TSourceLines::ReadChunk(int32_t from, uint32_t count) {
    fChunk.resize(kChunkBytes);
    int32_t held = fStream.GetPosition();
    fStream.Seek(from, seekBegin);
    fStream.Read(fChunk.data(), count); // a failed read counts what it got
    fStream.Seek(held, seekBegin);
    return count;
}

int32_t TSourceLines::LineFeeds(int32_t from, int32_t to) {
    int32_t count = 0;
    while (from < to) {
        uint32_t got = ReadChunk(from, std::min<uint32_t>(kChunkBytes, uint32_t(to - from)));
        if (got == 0) break;
        count += int32_t(std::count(fChunk.begin(), fChunk.begin() + got, '\n'));
        from += int32_t(got);
    }
    return count;
}

int32_t TSourceLines::Line(int32_t offset) {
    offset = std::max(offset, 0);
    if (offset >= fOffset)
        fLine += LineFeeds(fOffset, offset);
    else
        fLine -= LineFeeds(offset, fOffset);
    fOffset = offset;
    return fLine;
}

int32_t TSourceLines::Column(int32_t offset) {
    offset = std::max(offset, 0);
    for (int32_t end = offset; end > 0;) {
        int32_t from = std::max(end - int32_t(kChunkBytes), 0);
        uint32_t got = ReadChunk(from, uint32_t(end - from));
        auto last = std::find(fChunk.rbegin() + (kChunkBytes - got), fChunk.rend(), '\n');
        if (last != fChunk.rend()) return offset - (from + int32_t(fChunk.rend() - last)) + 1;
        if (got == 0) break;
        end = from;
    }
    return offset + 1;
}
