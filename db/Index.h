#pragma once
// TIndex: the key/value interface the database uses to find record positions by id.
//
// Keys are record ids compared as signed 32-bit integers; values are opaque 32-bit words (the
// positions of record headers). The operations are declared in their table order.

#include <cstdint>

namespace WVEK {

class TIndex {
public:
    TIndex() = default;
    TIndex(const TIndex&) = delete;
    TIndex& operator=(const TIndex&) = delete;

    // True and the key's value when the key is present.
    virtual bool Find(int32_t key, uint32_t& value) = 0;
    // False when the key is present already (nothing changes) or the index is read-only.
    virtual bool Insert(int32_t key, uint32_t value) = 0;
    // False when the key is absent or the index is read-only.
    virtual bool Update(int32_t key, uint32_t value) = 0;
    virtual bool Delete(int32_t key) = 0;
    // Verifies the structure of the whole index; false when an invariant is broken.
    virtual bool Check() = 0;
    virtual int32_t GetVersion() = 0;
    virtual ~TIndex() = default;
};

} // namespace WVEK
