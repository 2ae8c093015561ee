#include "IndexBuilder.h"

#include "ByteOrder.h"
#include "File.h"
#include "IndexFormat.h"
#include "NodeView.h"
#include "WriteBuffer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace WVEK {

using namespace IndexFormat;

namespace {

// One level of the tree being packed: its entries in key order and, above the leaves, the
// node number of the child before each entry and after the last.
struct TLevel {
    std::vector<TIndexPair> entries;
    std::vector<uint32_t> children; // empty for the leaves, else entries.size() + 1
};

// Writes the nodes of `level` (numbered from `next`, which advances) and returns the level
// above it: the separators between the nodes, with the nodes as their children.
TLevel PackLevel(const TLevel& level, TWriteBuffer& out, uint32_t& next) {
    const size_t n = level.entries.size();
    const size_t nodes = (n + 1 + kMaxKeys) / (kMaxKeys + 1); // ceil((n + 1) / 21)
    const size_t keys = n - (nodes - 1);
    TLevel above;
    size_t entry = 0, child = 0;
    std::array<uint8_t, kNodeSize> block;
    for (size_t i = 0; i < nodes; ++i) {
        const uint32_t count = uint32_t(keys / nodes + (i < keys % nodes ? 1 : 0));
        TNodeView node(block.data());
        node.Reset();
        node.SetCount(count);
        for (uint32_t slot = 0; slot < count; ++slot, ++entry) {
            node.SetKey(slot, level.entries[entry].key);
            node.SetValue(slot, level.entries[entry].value);
        }
        if (!level.children.empty())
            for (uint32_t slot = 0; slot <= count; ++slot)
                node.SetChild(slot, level.children[child++]);
        above.children.push_back(next);
        out.Write(uint32_t(NodeOffset(next++)), block.data(), kNodeSize);
        if (i + 1 < nodes) above.entries.push_back(level.entries[entry++]);
    }
    return above;
}

void WriteHeader(LStream& stream, uint32_t root) {
    uint8_t header[kHeaderSize] = {};
    std::memcpy(header, kMagic, kMagicSize);
    header[kVersionOffset] = uint8_t('0' + kCurrentVersion);
    StoreLE32(header + kRootOffset, root);
    stream.Seek(0, seekBegin);
    stream.WriteOrThrow(header, kHeaderSize);
}

} // namespace

void WriteIndexFile(const TFilePath& path, std::vector<TIndexPair> pairs) {
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const TIndexPair& a, const TIndexPair& b) { return a.key < b.key; });
    pairs.erase(std::unique(pairs.begin(), pairs.end(),
                            [](const TIndexPair& a, const TIndexPair& b) { return a.key == b.key; }),
                pairs.end());
    TFile file(path);
    std::unique_ptr<LStream> stream(file.OpenStream(openWrite));
    uint32_t root = kNone;
    if (!pairs.empty()) {
        TWriteBuffer out(*stream);
        uint32_t next = 0;
        TLevel level{std::move(pairs), {}};
        for (;;) {
            TLevel above = PackLevel(level, out, next);
            if (above.entries.empty()) break;
            level = std::move(above);
        }
        out.Flush();
        root = next - 1;
    }
    WriteHeader(*stream, root);
    stream->Flush();
}

} // namespace WVEK
