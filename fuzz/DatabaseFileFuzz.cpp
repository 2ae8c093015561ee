// Feeds arbitrary bytes as a database file to the header check, the iterator and the loaders.
#include "DBRecord.h"
#include "Exception.h"
#include "WVEKIterator.h"

#include <filesystem>
#include <fstream>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path =
        (std::filesystem::temp_directory_path() / "tarnwick-fuzz.db").string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), long(size));
    WVEK::IsDatabaseFile(TFilePath(path));
    TFile file{TFilePath(path)};
    try {
        std::unique_ptr<TWinFileStream> stream(file.OpenStream(openRead));
        for (WVEK::TWVEKIterator it(file, 0); it.HasMore();) {
            uint32_t position = 0;
            it.NextWithPosition(nullptr, &position);
            WVEK::TDBRecord(*stream, position).LoadData(*stream);
        }
    } catch (const TTolvException&) {
    }
    return 0;
}
