#include "NodeTable.h"

#include <algorithm>

namespace WVEK {

TNodeTable::TNodeTable(uint32_t buckets) : fBuckets(std::max<uint32_t>(buckets, 1)) {}

TNodeTable::~TNodeTable() {
    UnlinkAll();
}

TIndexNode* TNodeTable::Find(uint32_t number) {
    for (Entry* e = fBuckets[number % fBuckets.size()].get(); e; e = e->next.get()) {
        if (e->number == number) {
            e->stamp = fCounter++;
            return e->node.get();
        }
    }
    return nullptr;
}

void TNodeTable::Link(std::unique_ptr<Entry> entry) {
    std::unique_ptr<Entry>& head = fBuckets[entry->number % fBuckets.size()];
    entry->next = std::move(head);
    head = std::move(entry);
    ++fCount;
}

void TNodeTable::Add(uint32_t number, std::unique_ptr<TIndexNode> node) {
    if (fCount >= BucketCount()) Resize(BucketCount() * 2);
    Link(std::unique_ptr<Entry>(new Entry{number, fCounter++, std::move(node), nullptr}));
}

std::vector<std::unique_ptr<TNodeTable::Entry>> TNodeTable::UnlinkAll() {
    std::vector<std::unique_ptr<Entry>> entries;
    entries.reserve(fCount);
    for (std::unique_ptr<Entry>& head : fBuckets) {
        while (head) {
            std::unique_ptr<Entry> next = std::move(head->next);
            entries.push_back(std::move(head));
            head = std::move(next);
        }
    }
    fCount = 0;
    return entries;
}

void TNodeTable::Resize(uint32_t buckets) {
    std::vector<std::unique_ptr<Entry>> entries = UnlinkAll();
    fBuckets = std::vector<std::unique_ptr<Entry>>(std::max<uint32_t>(buckets, 1));
    fScanBucket = 0;
    for (std::unique_ptr<Entry>& entry : entries)
        Link(std::move(entry));
}

void TNodeTable::Restamp() {
    for (std::unique_ptr<Entry>& head : fBuckets)
        for (Entry* e = head.get(); e; e = e->next.get())
            e->stamp = fCounter++;
}

// The recently used are the entries stamped in the last `recent` counts; with a counter still
// below `recent` nothing counts as recent.
bool TNodeTable::IsEvictable(const Entry& entry, uint32_t recent) const {
    const TIndexNode& node = *entry.node;
    if (node.UseCount() != 0 || node.IsDirty()) return false;
    bool isRecent = recent > 0 && fCounter >= recent && entry.stamp > fCounter - recent &&
                    entry.stamp < fCounter;
    return !isRecent;
}

uint32_t TNodeTable::Evict(uint32_t quota, uint32_t recent,
                           std::vector<std::unique_ptr<TIndexNode>>& evicted) {
    uint32_t removed = 0;
    const uint32_t buckets = BucketCount();
    for (uint32_t visited = 0; visited < buckets && removed < quota; ++visited) {
        uint32_t bucket = (fScanBucket + visited) % buckets;
        std::unique_ptr<Entry>* link = &fBuckets[bucket];
        while (*link && removed < quota) {
            Entry& entry = **link;
            if (!IsEvictable(entry, recent)) {
                link = &entry.next;
                continue;
            }
            evicted.push_back(std::move(entry.node));
            *link = std::move(entry.next);
            --fCount;
            ++removed;
        }
        if (removed == quota) fScanBucket = bucket;
    }
    return removed;
}

} // namespace WVEK
