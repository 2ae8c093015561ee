#include "HeldRecords.h"

namespace WVEK {

size_t THeldRecords::Probe(uint32_t id) const {
    const size_t mask = fSlots.size() - 1;
    size_t free = fSlots.size();
    for (size_t at = Home(id);; at = (at + 1) & mask) {
        const TSlot& slot = fSlots[at];
        if (slot.record && slot.id == id) return at;
        if (slot.record) continue;
        if (!slot.deleted) return free < fSlots.size() ? free : at;
        if (free == fSlots.size()) free = at;
    }
}

TDBRecord* THeldRecords::Find(uint32_t id) const {
    const TSlot& slot = fSlots[Probe(id)];
    return slot.record && slot.id == id ? slot.record.get() : nullptr;
}

void THeldRecords::MakeRoom() {
    if ((fUsed + 1) * 2 > fSlots.size()) Grow();
}

void THeldRecords::Add(std::unique_ptr<TDBRecord> record) noexcept {
    const uint32_t id = record->GetId();
    TSlot& slot = fSlots[Probe(id)];
    if (!slot.deleted) ++fUsed;
    slot = {id, false, std::move(record)};
    ++fCount;
}

std::unique_ptr<TDBRecord> THeldRecords::Take(uint32_t id) {
    TSlot& slot = fSlots[Probe(id)];
    if (!slot.record || slot.id != id) return nullptr;
    slot.deleted = true;
    --fCount;
    return std::move(slot.record);
}

void THeldRecords::Clear() {
    for (TSlot& slot : fSlots)
        slot = TSlot();
    fCount = fUsed = 0;
}

// Doubles the slots while the records fill more than a quarter of them (so that a table full
// of deleted marks is only cleaned), then places every record anew.
void THeldRecords::Grow() {
    size_t size = fSlots.size();
    while (fCount * 4 >= size)
        size *= 2;
    std::vector<TSlot> old(size);
    old.swap(fSlots);
    fCount = fUsed = 0;
    for (TSlot& slot : old)
        if (slot.record) Add(std::move(slot.record)); // a quarter full at most: room enough
}

} // namespace WVEK
