#include "FileIndex.h"

#include "ByteOrder.h"
#include "DatabaseFile.h"
#include "Exception.h"
#include "Journal.h"
#include "WriteBuffer.h"
#include "NumberReader.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace WVEK {

using namespace IndexFormat;

bool ReadIndexHeader(LStream& stream, int32_t& version, uint32_t& root) {
    if (stream.GetSize() < 1) return false;
    uint8_t header[kHeaderSize];
    uint32_t count = kHeaderSize;
    if (stream.Read(header, count) != 0 || count < kHeaderSize) return false;
    if (std::memcmp(header, kMagic, kMagicSize) != 0) return false;
    // The version text may run up to the end of the header when it lacks its 0 byte.
    char text[kHeaderSize - kVersionOffset + 1] = {};
    std::memcpy(text, header + kVersionOffset, kHeaderSize - kVersionOffset);
    int32_t number = Numbers::ReadSigned(text, 10);
    if (number != 0 && number != 1) return false;
    version = number;
    root = LoadLE32(header + kRootOffset);
    return true;
}

bool CheckIndexFile(const TFilePath& path, bool& needRebuild) {
    needRebuild = false;
    if (!path.Exists()) return false;
    TFile file(path);
    std::unique_ptr<TWinFileStream> stream(file.OpenStream(openRead));
    if (stream->GetSize() == 0) {
        needRebuild = true;
        return true;
    }
    int32_t version;
    uint32_t root;
    return ReadIndexHeader(*stream, version, root);
}

TFileIndex::TFileIndex(const TFilePath& path, bool readOnly)
    : TFileIndex(std::make_unique<TFile>(path), readOnly) {}

TFileIndex::TFileIndex(std::unique_ptr<TFile> file, bool readOnly)
    : TFileIndex(std::unique_ptr<LStream>(file->OpenStream(readOnly ? openRead : openReadWrite)),
                 file->GetPath().GetFullPath(), readOnly) {
    fFile = std::move(file);
}

TFileIndex::TFileIndex(std::unique_ptr<LStream> stream, std::string name, bool readOnly)
    : fStream(std::move(stream)), fName(std::move(name)), fReadOnly(readOnly) {
    ThrowUnless(fStream != nullptr, errNilPointer);
    int32_t size = fStream->GetSize();
    if (size <= 0) return;
    fCommittedSize = uint32_t(size);
    fNodeCount = size > int32_t(kHeaderSize) ? uint32_t(size - kHeaderSize) / kNodeSize : 0;
    fStream->Seek(0, seekBegin);
    ThrowUnless(ReadIndexHeader(*fStream, fVersion, fRoot.number));
}

TFileIndex::~TFileIndex() = default;

void TFileIndex::WriteHeader() {
    uint8_t header[kHeaderSize] = {};
    StoreLE32(header + kRootOffset, fRoot.number);
    char digits[24];
    std::to_chars_result printed = std::to_chars(digits, digits + sizeof digits, fVersion);
    size_t length = std::min<size_t>(size_t(printed.ptr - digits), kVersionSize - 1);
    std::memcpy(header + kVersionOffset, digits, length);
    std::memcpy(header, kMagic, kMagicSize);
    fStream->Seek(0, seekBegin);
    fStream->WriteOrThrow(header, kHeaderSize);
}

// ---- Lookups -------------------------------------------------------------------------------

TIndexNode* TFileIndex::Locate(int32_t key, uint32_t& slot) {
    uint32_t number = fRoot.number;
    if (number == kNone) return nullptr;
    for (uint32_t depth = 0;; ++depth) {
        ThrowUnless(depth < kMaxDepth);
        TIndexNode* node = GetNode(number);
        ThrowUnless(node != nullptr);
        TNodeView view = node->View();
        bool present;
        slot = view.Search(key, present);
        if (present) return node;
        number = view.IsLeaf() ? kNone : view.Child(slot);
        node->Release();
        if (number == kNone) return nullptr;
    }
}

bool TFileIndex::Find(int32_t key, uint32_t& value) {
    uint32_t slot;
    TIndexNode* node = Locate(key, slot);
    if (!node) return false;
    value = node->View().Value(slot);
    node->Release();
    return true;
}

bool TFileIndex::Update(int32_t key, uint32_t value) {
    if (fReadOnly) return false;
    uint32_t slot;
    TIndexNode* node = Locate(key, slot);
    if (!node) return false;
    if (node->View().Value(slot) != value) {
        node->View().SetValue(slot, value);
        node->SetDirty(true);
    }
    node->Release();
    return true;
}

// ---- Check ---------------------------------------------------------------------------------

bool TFileIndex::Check() {
    if (fRoot.number == kNone) return true;
    std::vector<bool> visited(fNodeCount);
    int32_t leafDepth = -1;
    return CheckNode(fRoot.number, INT32_MIN, INT32_MAX, 0, visited, leafDepth);
}

// A node passes with keys strictly increasing within [low, high], 10 to 20 of them (the root
// may hold fewer), all leaves at one depth, every node reached once, and children strictly
// between the keys that separate them.
bool TFileIndex::CheckNode(uint32_t number, int64_t low, int64_t high, uint32_t depth,
                           std::vector<bool>& visited, int32_t& leafDepth) {
    if (depth >= kMaxDepth || number == kNone) return false;
    TNodeRef ref(*this, number); // errAssert for a number beyond the file
    if (visited[number]) return false;
    visited[number] = true;
    TNodeView node = ref.View();
    uint32_t count = node.Count();
    if (depth > 0 && count < kMinKeys) return false;
    for (uint32_t i = 0; i < count; ++i) {
        int64_t key = node.Key(i);
        if (key < low || key > high || (i > 0 && key <= node.Key(i - 1))) return false;
    }
    if (node.IsLeaf()) {
        for (uint32_t i = 0; i < kMaxChildren; ++i)
            if (node.Child(i) != kNone) return false;
        if (leafDepth < 0) leafDepth = int32_t(depth);
        return leafDepth == int32_t(depth);
    }
    for (uint32_t j = 0; j <= count; ++j) {
        int64_t childLow = j == 0 ? low : int64_t(node.Key(j - 1)) + 1;
        int64_t childHigh = j == count ? high : int64_t(node.Key(j)) - 1;
        if (!CheckNode(node.Child(j), childLow, childHigh, depth + 1, visited, leafDepth))
            return false;
    }
    return true;
}

// ---- Cache ---------------------------------------------------------------------------------

void TFileIndex::SetCacheSize(uint32_t bytes) {
    uint32_t limit = bytes / kBytesPerCachedNode;
    if (limit <= 10) return;
    fLimit = limit;
    fTable.Restamp();
    Trim(true);
}

std::unique_ptr<TIndexNode> TFileIndex::TakeHolder() {
    if (fSpares.empty()) return std::make_unique<TIndexNode>(*this);
    std::unique_ptr<TIndexNode> holder = std::move(fSpares.back());
    fSpares.pop_back();
    return holder;
}

TIndexNode* TFileIndex::GetNode(uint32_t number) {
    if (number == kNone) return nullptr;
    if (TIndexNode* hit = fTable.Find(number)) {
        hit->Borrow();
        return hit;
    }
    ThrowUnless(number < fNodeCount);
    std::unique_ptr<TIndexNode> holder = TakeHolder();
    fStream->Seek(int32_t(NodeOffset(number)), seekBegin);
    ReadExactly(*fStream, holder->Block(), kNodeSize);
    ThrowUnless(holder->View().Count() <= kMaxKeys);
    holder->SetUseCount(1);
    TIndexNode* node = holder.get();
    fTable.Add(number, std::move(holder));
    Trim(true);
    return node;
}

TIndexNode* TFileIndex::CreateNode(uint32_t& number) {
    ThrowUnless(NodeOffset(fNodeCount + 1) <= INT32_MAX, errCannotGrow);
    std::unique_ptr<TIndexNode> holder = TakeHolder();
    holder->View().Reset();
    holder->SetUseCount(0);
    holder->SetDirty(true);
    number = fNodeCount++;
    TIndexNode* node = holder.get();
    fTable.Add(number, std::move(holder));
    return node;
}

TIndexNode* TFileIndex::NewNode(uint32_t& number) {
    TIndexNode* node = CreateNode(number);
    Trim(false);
    return node;
}

uint32_t TFileIndex::NewRoot(int32_t key, uint32_t value, uint32_t left, uint32_t right) {
    uint32_t number;
    TNodeView node = CreateNode(number)->View();
    node.InsertEntry(0, {key, value, right});
    node.SetChild(0, left);
    return number;
}

bool TFileIndex::EvictDownTo(uint32_t target) {
    uint32_t count = fTable.Count();
    if (count <= target) return true;
    std::vector<std::unique_ptr<TIndexNode>> evicted;
    uint32_t removed = fTable.Evict(count - target, target, evicted);
    const size_t keep = fLimit / 2;
    for (std::unique_ptr<TIndexNode>& holder : evicted)
        if (fSpares.size() < keep) fSpares.push_back(std::move(holder));
    return removed == count - target;
}

// Over the limit L, the cache shrinks to 3/4 of L. When only a flush can free enough (too many
// dirty or busy nodes) and the cache is still more than L/10 above that, a forced trim commits
// the whole database through the sync, without syncing the files, and tries again. A failed
// commit is thrown: the database cannot go on.
void TFileIndex::Trim(bool force) {
    const uint32_t limit = fLimit;
    if (fTable.Count() <= limit) return;
    const uint32_t target = limit / 4 * 3;
    if (EvictDownTo(target)) return;
    if (force && fTable.Count() > target + limit / 10) {
        if (uint32_t code = Commit(false, TDurability::kSkipSync)) throw TTolvException(code);
        EvictDownTo(target);
    }
}

// ---- Commit --------------------------------------------------------------------------------

std::vector<std::pair<uint32_t, TIndexNode*>> TFileIndex::DirtyNodes() const {
    std::vector<std::pair<uint32_t, TIndexNode*>> nodes;
    fTable.ForEach([&](uint32_t number, TIndexNode& node) {
        if (node.IsDirty()) nodes.emplace_back(number, &node);
    });
    std::sort(nodes.begin(), nodes.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    return nodes;
}

void TFileIndex::JournalOverwrites(TJournal& journal) {
    if (!IsDirty()) return;
    for (const auto& [number, node] : DirtyNodes())
        journal.Protect(TJournalFile::kIndex, *fStream, uint32_t(NodeOffset(number)), kNodeSize);
    if (fRoot.dirty) journal.Protect(TJournalFile::kIndex, *fStream, 0, kHeaderSize);
}

uint32_t TFileIndex::Prepare(bool abort) {
    try {
        if (abort)
            fStream->SetSize(int32_t(fCommittedSize));
        else if (IsDirty())
            fStream->Reserve(FileSize());
    } catch (const TTolvException& e) {
        return e.code;
    }
    return 0;
}

// Nodes and the root become clean only once every byte is written and flushed, so that a
// failed write leaves all of them dirty for the next flush.
uint32_t TFileIndex::Write(bool release, TDurability durability) {
    if (!IsDirty()) return 0;
    try {
        const std::vector<std::pair<uint32_t, TIndexNode*>> written = DirtyNodes();
        TWriteBuffer out(*fStream);
        for (const auto& [number, node] : written)
            out.Write(uint32_t(NodeOffset(number)), node->Block(), kNodeSize);
        out.Flush();
        if (fRoot.dirty) WriteHeader();
        if (durability == TDurability::kSync) fStream->Flush();
        for (const auto& [number, node] : written)
            node->SetDirty(false);
        fRoot.dirty = false;
        fSyncPending = durability == TDurability::kSkipSync;
        if (release) {
            std::vector<std::unique_ptr<TIndexNode>> freed;
            fTable.Evict(fTable.Count(), 0, freed);
            fSpares.clear();
        }
        fCommittedSize = uint32_t(FileSize());
    } catch (const TTolvException& e) {
        Prepare(true);
        return e.code;
    } catch (...) {
        Prepare(true);
        return errWriteFailed;
    }
    return 0;
}

} // namespace WVEK
