#pragma once
// Writes a whole index file at once, bottom-up, from the (id, position) pairs of a database's
// live records: what a rebuild and a compaction need, at the cost of sorting the pairs.
//
// The tree is packed level by level: the leaves take the sorted keys in order with one key
// between neighbours going up as their separator, then each level above is made the same way
// from the separators of the one below, until one node is left, the root. Node counts are
// spread evenly, so every node but the root holds 10 to 20 keys (n keys over
// ceil((n + 1) / 21) nodes). Nodes are numbered in the order written: the leaves first, the
// root last; unused slots are all 0xFF as in a new node. The file is a valid index of version
// 1 for any reader of the format, and the same set of pairs as single inserts would give.

#include "FilePath.h"

#include <cstdint>
#include <vector>

namespace WVEK {

struct TIndexPair {
    int32_t key;    // the record id, ordered as a signed number
    uint32_t value; // the position of its live header
};

// Creates (or empties) the file at `path` and writes the index of `pairs` to it, then syncs it.
// Of pairs with the same key, the first in the given order is kept (the first live version in
// file order, as a rebuild keeps). Throws the stream's code or the errno on failure.
void WriteIndexFile(const TFilePath& path, std::vector<TIndexPair> pairs);

} // namespace WVEK
