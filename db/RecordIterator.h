#pragma once
// The interface of an iterator over the live records of a database in file order. The
// database class exposes it as its Iterator type; TWVEKIterator implements it.

#include <cstdint>

namespace WVEK {

class TRecordIterator {
public:
    virtual ~TRecordIterator() = default;
    // True while Next has a record to return.
    virtual bool HasMore() = 0;
    // The current record's id; its type goes to *type (when not null). The iterator then
    // moves on to the next match. Past the end: 0xFFFFFFFF and type 0.
    virtual uint32_t Next(uint32_t* type) = 0;
};

} // namespace WVEK
