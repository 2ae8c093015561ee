#pragma once
// Byte layout of the index file (docs/IndexFormat.md describes it with a worked example).
//
// All integers are little-endian. A 16-byte header is followed by 246-byte B-tree nodes; node n
// starts at kHeaderSize + n * kNodeSize. Node numbers, not offsets, link the nodes.

#include <cstdint>

namespace WVEK::IndexFormat {

// Header: magic "VEKINDEX" and its 0 byte, the version as decimal text, the root node number.
constexpr char kMagic[] = "VEKINDEX";
constexpr uint32_t kMagicSize = 9; // with the terminating 0
constexpr uint32_t kVersionOffset = 9;
constexpr uint32_t kVersionSize = 3; // digits and their 0 byte; unused bytes 0
constexpr uint32_t kRootOffset = 12;
constexpr uint32_t kHeaderSize = 16;

// The version written into every new or rebuilt index; version 0 is read and kept as well.
constexpr int32_t kCurrentVersion = 1;

// Node: count (u16), 20 keys (i32), 20 values (u32), 21 children (u32).
constexpr uint32_t kMaxKeys = 20;
constexpr uint32_t kMinKeys = 10; // every node but the root holds at least this many
constexpr uint32_t kMaxChildren = kMaxKeys + 1;
constexpr uint32_t kCountOffset = 0;
constexpr uint32_t kKeysOffset = 2;
constexpr uint32_t kValuesOffset = kKeysOffset + 4 * kMaxKeys;
constexpr uint32_t kChildrenOffset = kValuesOffset + 4 * kMaxKeys;
constexpr uint32_t kNodeSize = kChildrenOffset + 4 * kMaxChildren;

// "No node": an empty tree's root, a leaf's children; a new node is all 0xFF bytes.
constexpr uint32_t kNone = 0xFFFFFFFF;

// Levels a search may descend before the tree counts as damaged (a cycle, or a chain of
// near-empty nodes). A sound tree of 2^32 keys with 10 or more keys per node has at most 10.
constexpr uint32_t kMaxDepth = 64;

static_assert(sizeof(kMagic) == kMagicSize);
static_assert(kVersionOffset + kVersionSize == kRootOffset && kRootOffset + 4 == kHeaderSize);
static_assert(kValuesOffset == 82 && kChildrenOffset == 162);
static_assert(kNodeSize == 246);

// File offset of node `number`; 64 bits wide so that no node number can overflow it.
constexpr int64_t NodeOffset(uint32_t number) {
    return int64_t(kHeaderSize) + int64_t(number) * kNodeSize;
}

} // namespace WVEK::IndexFormat
