#pragma once
// Helpers of the index tests: opening an index on a memory file and walking it in key order.

#include "FileIndex.h"
#include "TestStream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

using TEntries = std::vector<std::pair<int32_t, uint32_t>>;

inline std::unique_ptr<WVEK::TFileIndex> OpenIndex(LDynamicStream& file, bool readOnly = false,
                                                   TStreamFaults* faults = nullptr) {
    return std::make_unique<WVEK::TFileIndex>(std::make_unique<TTestStream>(file, faults),
                                              "/test/index.ind", readOnly);
}

// Every (key, value) of the tree in order, read through the node cache.
inline TEntries Walk(WVEK::TFileIndex& index) {
    TEntries entries;
    std::function<void(uint32_t)> visit = [&](uint32_t number) {
        WVEK::TNodeRef ref(index, number);
        WVEK::TNodeView node = ref.View();
        for (uint32_t i = 0; i <= node.Count(); ++i) {
            if (!node.IsLeaf()) visit(node.Child(i));
            if (i < node.Count()) entries.emplace_back(node.Key(i), node.Value(i));
        }
    };
    if (index.GetRoot() != WVEK::IndexFormat::kNone) visit(index.GetRoot());
    return entries;
}

// The keys of node `number`, read through the cache.
inline std::vector<int32_t> KeysOf(WVEK::TFileIndex& index, uint32_t number) {
    WVEK::TNodeRef ref(index, number);
    std::vector<int32_t> keys;
    for (uint32_t i = 0; i < ref.View().Count(); ++i)
        keys.push_back(ref.View().Key(i));
    return keys;
}

// Inserts `keys` in order, each with the value key * 10.
inline void InsertAll(WVEK::TFileIndex& index, const std::vector<int32_t>& keys) {
    for (int32_t key : keys)
        index.Insert(key, uint32_t(key) * 10);
}

inline std::vector<int32_t> Range(int32_t first, int32_t last) {
    std::vector<int32_t> keys;
    for (int32_t k = first; k <= last; ++k)
        keys.push_back(k);
    return keys;
}
