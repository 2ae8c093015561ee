#include "WVEKIterator.h"

#include "BlockReadStream.h"
#include "DBRecord.h"

namespace WVEK {

TWVEKIterator::TWVEKIterator(TFile& file, uint32_t typeFilter)
    : fStream(std::make_unique<TBlockReadStream>(
          std::unique_ptr<LStream>(file.OpenStream(openRead)))),
      fTypeFilter(typeFilter) {
    Advance();
}

uint32_t TWVEKIterator::Next(uint32_t* type) {
    if (type) *type = fCurrentType;
    const uint32_t id = fCurrentId;
    if (!fAtEnd) Advance();
    return id;
}

uint32_t TWVEKIterator::NextWithPosition(uint32_t* type, uint32_t* position) {
    if (position) *position = fCurrentPosition;
    return Next(type);
}

void TWVEKIterator::Advance() {
    if (Search()) return;
    fAtEnd = true;
    fCurrentId = kNoRecordId;
    fCurrentType = 0;
}

bool TWVEKIterator::Search() {
    while (fScanOffset < fStream->GetSize()) {
        const TDBRecord header(*fStream, uint32_t(fScanOffset));
        const int32_t at = fScanOffset;
        // The header's data was checked to end within the file, which stays below 2 GiB, so
        // the sum fits and is larger than the old offset.
        fScanOffset = int32_t(int64_t(at) + int64_t(kRecordHeaderSize) + header.GetLength());
        const uint32_t type = uint32_t(header.GetType());
        if ((fTypeFilter == 0 || fTypeFilter == type) && !header.TestFlag(kFlagDeleted)) {
            fCurrentId = header.GetId();
            fCurrentType = type;
            fCurrentPosition = uint32_t(at);
            return true;
        }
    }
    return false;
}

} // namespace WVEK
