#include "DatabaseFile.h"

#include "Exception.h"
#include "File.h"

#include <cstring>
#include <memory>

namespace WVEK {

TFileKind CheckDatabaseFile(const TFilePath& path) {
    if (!path.Exists()) return TFileKind::kNotDatabase;
    try {
        TFile file(path);
        std::unique_ptr<TWinFileStream> stream(file.OpenStream(openRead));
        const int32_t size = stream->GetSize();
        if (size == 0) return TFileKind::kEmpty;
        if (size < int32_t(kFileHeaderSize)) return TFileKind::kNotDatabase;
        uint8_t header[kFileHeaderSize];
        ReadExactly(*stream, header, kFileHeaderSize);
        return std::memcmp(header, kFileMagic, kFileMagicSize) == 0 ? TFileKind::kDatabase
                                                                    : TFileKind::kNotDatabase;
    } catch (...) {
        return TFileKind::kNotDatabase;
    }
}

void WriteFileHeader(LStream& stream) {
    uint8_t header[kFileHeaderSize] = {};
    std::memcpy(header, kFileMagic, kFileMagicSize);
    stream.WriteOrThrow(header, kFileHeaderSize);
}

void ReadExactly(LStream& stream, void* data, uint32_t count) {
    auto* bytes = static_cast<uint8_t*>(data);
    while (count > 0) {
        uint32_t got = count;
        if (uint32_t code = stream.Read(bytes, got)) throw TTolvException(code);
        if (got == 0) throw TTolvException(errEndOfData);
        bytes += got;
        count -= got;
    }
}

} // namespace WVEK
