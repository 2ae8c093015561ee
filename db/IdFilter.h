#pragma once
// TIdFilter: the ids stored in a database that started empty, in a Bloom filter of a fixed
// 1 MiB (three bits an id). It answers "certainly not stored" for nearly every id that was
// never put, so that a new database filled with new records (what create builds) skips the
// index search for each; "maybe" sends the caller to the cache and the index as before.
// Ids are only ever added: a deleted id stays a "maybe". Its size does not grow with the
// database: past a few million ids most answers become "maybe" and it only stops helping.

#include <cstdint>
#include <vector>

namespace WVEK {

class TIdFilter {
public:
    TIdFilter() : fWords(kBits / 64) {}

    void Add(uint32_t id);
    // False only when `id` was certainly never added.
    bool MayHold(uint32_t id) const;

private:
    static constexpr uint32_t kBitsLog2 = 23;
    static constexpr uint64_t kBits = uint64_t(1) << kBitsLog2;

    // The three bit numbers of `id`: slices of one 64-bit mix of it.
    static void BitsOf(uint32_t id, uint32_t (&bits)[3]);

    std::vector<uint64_t> fWords;
};

} // namespace WVEK
