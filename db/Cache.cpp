#include "Cache.h"

#include "Exception.h"
#include "Journal.h"

#include <vector>

namespace WVEK {

uint32_t TCache::Flush(bool release) {
    return Commit(release, TDurability::kSync);
}

uint32_t TCache::Commit(bool release, TDurability durability) {
    if (fSync) return fSync->FlushAll(release, durability);
    if (!IsDirty()) return 0;
    if (uint32_t code = Prepare(false)) return code;
    return Write(release, durability);
}

void TCache::SetSync(TCacheSync* sync) {
    if (fSync) fSync->Unregister(this);
    fSync = nullptr;
    if (sync) sync->Register(this);
    fSync = sync;
}

TCache::~TCache() {
    TCache::SetSync(nullptr);
}

TCacheSync::~TCacheSync() {
    TKeyedListIterator it(fCaches);
    while (it.HasMore())
        reinterpret_cast<TCache*>(it.Next())->SetSync(nullptr);
}

void TCacheSync::Register(TCache* cache) {
    fCaches.AddLast(cache);
}

void TCacheSync::Unregister(TCache* cache) {
    try {
        fCaches.RemoveValue(reinterpret_cast<uintptr_t>(cache));
    } catch (...) {
    }
}

namespace {

// Undoes phase 1 for `caches`, in order.
void AbortAll(const std::vector<TCache*>& caches) {
    for (TCache* cache : caches)
        cache->Prepare(true);
}

} // namespace

uint32_t TCacheSync::FlushAll(bool release, TDurability durability) {
    const uint32_t code = Flush(release, durability);
    if (code != 0) fFailure = code;
    return code;
}

// After a phase-2 failure the caches not yet written are cut back as after a phase-1 failure:
// they stay dirty and nothing of theirs reaches the file, so that the index never names
// records whose write failed.
uint32_t TCacheSync::Flush(bool release, TDurability durability) {
    uint32_t code = 0;
    try {
        std::vector<TCache*> dirty;
        for (TKeyedListNode* node = fCaches.Head(); node; node = node->next) {
            TCache* cache = reinterpret_cast<TCache*>(node->value);
            if (cache->IsDirty()) dirty.push_back(cache);
        }
        if (!dirty.empty() && fJournal) {
            for (TCache* cache : dirty)
                cache->JournalOverwrites(*fJournal);
            fJournal->Sync();
        }
        std::vector<TCache*> prepared;
        for (TCache* cache : dirty) {
            code = cache->Prepare(false);
            if (code != 0) {
                AbortAll(prepared);
                break;
            }
            prepared.push_back(cache);
        }
        for (size_t i = 0; code == 0 && i < prepared.size(); ++i) {
            code = prepared[i]->Write(release, durability);
            if (code != 0) AbortAll(std::vector<TCache*>(prepared.begin() + i + 1, prepared.end()));
        }
    } catch (const TTolvException& e) {
        code = e.code;
    } catch (...) {
        code = errWriteFailed;
    }
    return code;
}

} // namespace WVEK
