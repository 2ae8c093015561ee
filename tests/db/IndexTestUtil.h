#pragma once
// Helpers of the index tests: index images, opening an index on a memory file and walking it
// in key order.

#include "DatabaseImage.h"
#include "FileIndex.h"
#include "TestStream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

using TEntries = std::vector<std::pair<int32_t, uint32_t>>;
using TKeys = std::vector<int32_t>;

inline std::unique_ptr<WVEK::TFileIndex> OpenIndex(LDynamicStream& file, bool readOnly = false,
                                                   TStreamFaults* faults = nullptr) {
    return std::make_unique<WVEK::TFileIndex>(std::make_unique<TTestStream>(file, faults),
                                              "/test/index.ind", readOnly);
}

// The 16-byte header: magic, version text (up to 3 bytes), root.
inline Bytes IndexHeader(const char* version, uint32_t root) {
    Bytes header(16, 0);
    std::memcpy(header.data(), "VEKINDEX", 9);
    std::memcpy(header.data() + 9, version, std::min<size_t>(std::strlen(version), 3));
    for (int i = 0; i < 4; ++i)
        header[size_t(12 + i)] = uint8_t(root >> (8 * i));
    return header;
}

// Appends a 246-byte node image: the count, the keys with the values key * 10 (as InsertAll
// stores them) and the children; every slot not given is 0xFF.
inline void AppendNode(Bytes& image, uint16_t count, const TKeys& keys,
                       const std::vector<uint32_t>& children = {}) {
    const size_t at = image.size();
    image.resize(at + 246, 0xFF);
    image[at] = uint8_t(count);
    image[at + 1] = uint8_t(count >> 8);
    for (size_t i = 0; i < keys.size(); ++i) {
        PutLE32(image, at + 2 + 4 * i, uint32_t(keys[i]));
        PutLE32(image, at + 82 + 4 * i, uint32_t(keys[i]) * 10);
    }
    for (size_t i = 0; i < children.size(); ++i)
        PutLE32(image, at + 162 + 4 * i, children[i]);
}

// The value stored for `key`, nothing when it is absent.
inline std::optional<uint32_t> ValueOf(WVEK::TFileIndex& index, int32_t key) {
    uint32_t value = 0;
    if (!index.Find(key, value)) return std::nullopt;
    return value;
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
inline TKeys KeysOf(WVEK::TFileIndex& index, uint32_t number) {
    WVEK::TNodeRef ref(index, number);
    TKeys keys;
    for (uint32_t i = 0; i < ref.View().Count(); ++i)
        keys.push_back(ref.View().Key(i));
    return keys;
}

// Inserts `keys` in order, each with the value key * 10.
inline void InsertAll(WVEK::TFileIndex& index, const TKeys& keys) {
    for (int32_t key : keys)
        index.Insert(key, uint32_t(key) * 10);
}

// first, first + 1, ..., last, without `skip`.
inline TKeys Range(int32_t first, int32_t last, int32_t skip = INT32_MIN) {
    TKeys keys;
    for (int32_t k = first; k <= last; ++k)
        if (k != skip) keys.push_back(k);
    return keys;
}

// The flushed index of keys 1 to 21 and then `extra`. Without extra: root (node 2) [11] over
// node 0 [1..10] and node 1 [12..21].
inline Bytes TwoLeavesImage(const TKeys& extra = {}) {
    LDynamicStream file;
    auto index = OpenIndex(file);
    InsertAll(*index, Range(1, 21));
    InsertAll(*index, extra);
    index->Flush(false);
    return BytesOf(file);
}
