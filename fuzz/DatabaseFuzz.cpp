// Feeds arbitrary bytes as a database file and its index to TWVEK_DB: opening (with the index
// check or rebuild), lookups of every id the walk finds, changes, a flush and a compaction.
// Input: a little-endian u16 length n, n bytes of database file, then the index file.
#include "Exception.h"
#include "SupportFiles.h"
#include "WVEK_DB.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const TFilePath path(
        (std::filesystem::temp_directory_path() / "tarnwick-fuzz.adb").string());
    const TFilePath indexPath = WVEK::GetSupportFileName(path, WVEK::TSupportFile::kIndex);
    const size_t split = size < 2 ? 0 : std::min<size_t>(size - 2, data[0] | data[1] << 8);
    const char* bytes = reinterpret_cast<const char*>(data) + (size < 2 ? size : 2);
    std::ofstream(path.GetFullPath(), std::ios::binary).write(bytes, long(split));
    std::ofstream(indexPath.GetFullPath(), std::ios::binary)
        .write(bytes + split, long(size - std::min<size_t>(size, 2) - split));
    try {
        WVEK::TWVEK_DB db(path, indexPath, false);
        for (auto it = db.CreateIterator(0); it->HasMore();) {
            const uint32_t id = it->Next(nullptr);
            uint32_t length = 0;
            std::free(db.Get(id, &length, nullptr));
            db.SetFlags(id, db.GetFlags(id) ^ 1);
            db.Put(id ^ 1, "data", 4, 't');
            db.Delete(id, (id & 1) != 0);
        }
        db.Flush(true);
        db.Compact();
    } catch (const TTolvException&) {
    }
    return 0;
}
