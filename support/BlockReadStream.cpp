#include "BlockReadStream.h"

#include "Exception.h"

#include <algorithm>
#include <cstring>

TBlockReadStream::TBlockReadStream(std::unique_ptr<LStream> source, uint32_t blockSize)
    : fSource(std::move(source)), fBlockSize(std::max<uint32_t>(blockSize, 1)) {
    ThrowUnless(fSource != nullptr, errNilPointer);
    fSize = fSource->GetSize();
}

void TBlockReadStream::Seek(int32_t offset, uint32_t origin) {
    const int64_t base = origin == seekEnd ? fSize : origin == seekCurrent ? fPosition : 0;
    const int64_t target = base + offset;
    ThrowUnless(target >= 0 && target <= INT32_MAX);
    fPosition = int32_t(target);
}

void TBlockReadStream::SetSize(int32_t) {
    throw TTolvException(errReadOnly);
}

uint32_t TBlockReadStream::Write(const void*, uint32_t& count) {
    count = 0;
    return errWriteFailed;
}

uint32_t TBlockReadStream::ReadSource(int32_t position, uint8_t* data, uint32_t count) {
    fSource->Seek(position, seekBegin);
    uint32_t done = 0;
    while (done < count) {
        uint32_t got = count - done;
        if (fSource->Read(data + done, got) != 0 || got == 0) break;
        done += got;
    }
    return done;
}

bool TBlockReadStream::Fill(int32_t position) {
    const uint32_t want = uint32_t(std::min<int64_t>(fBlockSize, int64_t(fSize) - position));
    fBlock.resize(want);
    fBlock.resize(ReadSource(position, fBlock.data(), want));
    fBlockStart = position;
    return !fBlock.empty();
}

uint32_t TBlockReadStream::Read(void* data, uint32_t& count) {
    if (count == 0) return 0;
    const int64_t available = int64_t(fSize) - fPosition;
    const uint32_t want = uint32_t(std::clamp<int64_t>(available, 0, count));
    auto* out = static_cast<uint8_t*>(data);
    uint32_t got = 0;
    if (want > fBlockSize / 2) {
        got = ReadSource(fPosition, out, want);
    } else if (want > 0) {
        const int64_t offset = int64_t(fPosition) - fBlockStart;
        const bool inBlock = offset >= 0 && offset + want <= int64_t(fBlock.size());
        if (inBlock || Fill(fPosition)) {
            const size_t from = size_t(int64_t(fPosition) - fBlockStart);
            got = uint32_t(std::min<size_t>(want, fBlock.size() - from));
            std::memcpy(out, fBlock.data() + from, got);
        }
    }
    fPosition += int32_t(got);
    count = got;
    return got == 0 ? errEndOfData : 0;
}
