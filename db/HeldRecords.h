#pragma once
// THeldRecords: the record cache's records by id, in one open-addressing table (linear
// probing, a power of two of slots, at most half full), so that a command holding hundreds of
// thousands of records does one probe per lookup and no allocation per record beyond the
// record itself. The table owns its records; clearing keeps its slots for the next run of puts.

#include "DBRecord.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace WVEK {

class THeldRecords {
public:
    THeldRecords() : fSlots(kFirstSlots) {}

    size_t Count() const { return fCount; }
    // The record held for `id`, or null.
    TDBRecord* Find(uint32_t id) const;
    // Makes room for one more record (throws when memory runs out, owning nothing new).
    void MakeRoom();
    // Holds `record` under its id, which no held record has; MakeRoom must come first, so
    // that this never fails.
    void Add(std::unique_ptr<TDBRecord> record) noexcept;
    // Takes the record held for `id` out of the table (the caller owns it); null when none is.
    std::unique_ptr<TDBRecord> Take(uint32_t id);
    // Frees every record; the slots stay.
    void Clear();
    // Calls fn(record) for every held record, in no particular order.
    template <typename F> void ForEach(F fn) const {
        for (const TSlot& slot : fSlots)
            if (slot.record) fn(*slot.record);
    }

private:
    static constexpr size_t kFirstSlots = 1024;
    struct TSlot {
        uint32_t id = 0;
        bool deleted = false; // a record was taken from here: probes go on past it
        std::unique_ptr<TDBRecord> record;
    };

    size_t Home(uint32_t id) const { return (id * 0x9E3779B1u) & (fSlots.size() - 1); }
    // The slot holding `id`, or the slot it would go to (the first free one probed, a deleted
    // one when there is one on the way).
    size_t Probe(uint32_t id) const;
    void Grow();

    std::vector<TSlot> fSlots;
    size_t fCount = 0;
    size_t fUsed = 0; // slots that end a probe: holding a record or marked deleted
};

} // namespace WVEK
