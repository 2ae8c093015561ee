// A writer for the crash tests: the calls that `add` makes (Exists, Delete, Put, SetFlags and
// one Flush at the end), with records large enough that the record cache flushes on the way,
// so that one unit of changes spans several flushes. A source large enough for that would take
// the tool under the sanitizers seconds to read, at every point.
//   crash_writer DATABASE    exit status 0, or an error message and status 255

#include "Exception.h"
#include "SupportFiles.h"
#include "WVEK_DB.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    try {
        const TFilePath path(argv[1]);
        WVEK::TWVEK_DB db(path, WVEK::GetSupportFileName(path, WVEK::TSupportFile::kIndex), false);
        auto put = [&](uint32_t id, const std::string& data) {
            if (db.Exists(id)) db.Delete(id, true);
            if (!db.Put(id, data.data(), uint32_t(data.size()), 'b')) throw TTolvException(0);
            db.SetFlags(id, id % 3 ? 0x4 : 0);
        };
        for (uint32_t id = 1; id <= 4; ++id) // held before and written by the forced flush
            put(id, std::string(id * 7, 'p'));
        std::string big(6u << 20, 'b');
        for (uint32_t id = 2001; id <= 2003; ++id) // 18 MiB: the third forces a flush
            put(id, big.replace(0, 1, 1, char('0' + id % 10)));
        for (uint32_t id = 2; id <= 8; id += 2) // after it, some of the same again
            put(id, std::string(id * 5, 'q'));
        db.Delete(2002, true);
        if (const uint32_t code = db.Flush(true)) throw TTolvException(code);
        return 0;
    } catch (const TTolvException& failure) {
        std::fprintf(stderr, "ERROR: the writer failed with error %u\n", failure.code);
        return 255;
    }
}
