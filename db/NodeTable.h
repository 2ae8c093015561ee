#pragma once
// TNodeTable: the node cache's table from node number to holder, with use stamps and an
// eviction scan.
//
// A chained hash table; bucket = number modulo the bucket count; a new entry goes to the head
// of its chain. The bucket count follows the number of entries (it doubles when they outgrow
// it), so a large cache limit costs nothing until nodes fill it. A counter rises by one at
// every insertion and every lookup hit, and the entry takes the counter's value as its stamp,
// so stamps tell how recently a node was used. The table owns the holders it contains.

#include "NodeCache.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace WVEK {

class TNodeTable {
public:
    explicit TNodeTable(uint32_t buckets);
    TNodeTable(const TNodeTable&) = delete;
    TNodeTable& operator=(const TNodeTable&) = delete;
    ~TNodeTable();

    uint32_t BucketCount() const { return uint32_t(fBuckets.size()); }
    uint32_t Count() const { return fCount; }

    // The holder for `number`, its stamp refreshed; null on a miss.
    TIndexNode* Find(uint32_t number);
    // Enters a holder whose number is not in the table yet, stamped as the newest.
    void Add(uint32_t number, std::unique_ptr<TIndexNode> node);
    // Gives every entry a new stamp, as if all were used now.
    void Restamp();

    // Moves up to `quota` holders that are clean and unused into `evicted`, passing over the
    // `recent` most recently stamped ones (none when recent is 0). The scan visits every
    // bucket once, starting where the previous scan stopped. Returns the number removed.
    uint32_t Evict(uint32_t quota, uint32_t recent,
                   std::vector<std::unique_ptr<TIndexNode>>& evicted);

    // Calls fn(number, holder) for every entry; fn must not change the table.
    template <typename F> void ForEach(F fn) const {
        for (const std::unique_ptr<Entry>& head : fBuckets)
            for (const Entry* e = head.get(); e; e = e->next.get())
                fn(e->number, *e->node);
    }

private:
    struct Entry {
        uint32_t number;
        uint64_t stamp;
        std::unique_ptr<TIndexNode> node;
        std::unique_ptr<Entry> next;
    };

    bool IsEvictable(const Entry& entry, uint32_t recent) const;
    void Link(std::unique_ptr<Entry> entry);
    // Spreads the entries over `buckets` buckets, keeping their stamps.
    void Resize(uint32_t buckets);
    // Unlinks every entry (iteratively, whatever the chain lengths) and returns them.
    std::vector<std::unique_ptr<Entry>> UnlinkAll();

    std::vector<std::unique_ptr<Entry>> fBuckets;
    uint32_t fCount = 0;
    uint64_t fCounter = 0;
    uint32_t fScanBucket = 0; // where the last eviction scan stopped
};

} // namespace WVEK
