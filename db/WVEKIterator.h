#pragma once
// TWVEKIterator: walks the live records of a database file in file order, optionally only
// those of one type.
//
// It reads the file through a read-only stream of its own, in large blocks, and takes the
// file's size once, when it is made: it sees what had reached the file then, and the file must
// not change under it (the database's lock and its flush before iterating see to that). Every
// step moves forward by at least one record header, and every header is checked to lie within
// the file, so a walk always ends.

#include "DatabaseFile.h"
#include "File.h"
#include "RecordIterator.h"

#include <cstdint>
#include <memory>

namespace WVEK {

class TWVEKIterator : public TRecordIterator {
public:
    // Opens its stream on `file` (which must outlive the iterator) and finds the first match;
    // typeFilter 0 matches every type. Throws the errno value when the file cannot be opened,
    // errAssert or errEndOfData on a damaged record header.
    TWVEKIterator(TFile& file, uint32_t typeFilter);

    bool HasMore() override { return !fAtEnd; }
    // Throws as the constructor does when the search for the following match meets damage.
    uint32_t Next(uint32_t* type) override;
    // Next, also storing the file offset of the returned record's header through `position`.
    uint32_t NextWithPosition(uint32_t* type, uint32_t* position);

private:
    // Finds the next live record of the filtered type from the scan offset on; at end when
    // there is none.
    void Advance();
    bool Search();

    std::unique_ptr<LStream> fStream;
    int32_t fScanOffset = int32_t(kFileHeaderSize); // where the next header to examine starts
    uint32_t fTypeFilter;
    bool fAtEnd = false;
    uint32_t fCurrentId = kNoRecordId;
    uint32_t fCurrentType = 0;
    uint32_t fCurrentPosition = uint32_t(kFileHeaderSize);
};

} // namespace WVEK
