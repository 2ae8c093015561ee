#pragma once
// TFileIndex: the database's index file, an on-disk B-tree from record id to record position,
// and the cache of its nodes (docs/IndexFormat.md gives the file layout).
//
// Nothing reaches the file before a flush: changed nodes stay dirty in the node cache until
// Prepare/Write (directly, or through the TCacheSync of the database) write them. Node numbers
// are handed out in increasing order and never reused. A damaged file (a node count above 20,
// a child number beyond the file, a cycle, a tree deeper than kMaxDepth) ends an operation in
// errAssert before any node is changed.

#include "File.h"
#include "FilePath.h"
#include "Index.h"
#include "NodeCache.h"
#include "NodeTable.h"
#include "Stream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace WVEK {

// Reads the 16-byte index header at the stream's position; false when it is short, lacks the
// magic or holds a version other than 0 and 1. Never reads past the header.
bool ReadIndexHeader(LStream& stream, int32_t& version, uint32_t& root);

// Whether the index file at `path` can be opened: false when it does not exist; true with
// needRebuild set when it is empty; else whether its header is valid. Throws the errno value
// when the file exists but cannot be opened.
bool CheckIndexFile(const TFilePath& path, bool& needRebuild);

class TFileIndex : public TIndex, public TNodeCache {
public:
    // The node cache's limit at construction, in nodes.
    static constexpr uint32_t kDefaultCacheNodes = 100;
    // Bytes one cached node counts in SetCacheSize: a table entry and the node.
    static constexpr uint32_t kBytesPerCachedNode = 16 + IndexFormat::kNodeSize;

    // Opens the index file at `path`, read-only or read-write (created when missing; an empty
    // file is a new index). Throws the errno value when it cannot be opened, errAssert for a
    // bad header.
    TFileIndex(const TFilePath& path, bool readOnly);
    // The same over an open stream (owned); `name` stands for the file's full path. Throws
    // errNilPointer for a null stream.
    TFileIndex(std::unique_ptr<LStream> stream, std::string name, bool readOnly);
    // Frees every node without writing anything; leaves the sync.
    ~TFileIndex() override;

    bool Find(int32_t key, uint32_t& value) override;
    bool Insert(int32_t key, uint32_t value) override;
    bool Update(int32_t key, uint32_t value) override;
    bool Delete(int32_t key) override;
    bool Check() override;
    int32_t GetVersion() override { return fVersion; }

    // bytes / 262 nodes when that is above 10 (every cached node counts as used now, and the
    // cache is trimmed); else ignored.
    void SetCacheSize(uint32_t bytes) override;
    uint32_t GetCacheSize() override { return fLimit; }
    void MarkDirty(bool dirty) override { fDirtyNodes += dirty ? 1 : -1; }
    // Also true while a write that skipped its sync waits for a durable commit.
    bool IsDirty() override { return fDirtyNodes != 0 || fRoot.dirty || fSyncPending; }
    std::string GetName() override { return fName; }
    // Reserves the file for every node (abort: cuts it back to the committed size).
    uint32_t Prepare(bool abort) override;
    // Writes the dirty nodes in node order, joining neighbours into large writes, then the
    // header when the root changed; syncs when asked.
    uint32_t Write(bool release, TDurability durability) override;
    // The dirty nodes and, when the root changed, the header.
    void JournalOverwrites(TJournal& journal) override;

    TIndexNode* GetNode(uint32_t number) override;
    void FreeNode(uint32_t) override {}
    TIndexNode* NewNode(uint32_t& number) override;
    uint32_t NewRoot(int32_t key, uint32_t value, uint32_t left, uint32_t right) override;

    // Nodes in the file and the cache: the next node number to hand out.
    uint32_t GetNodeCount() const { return fNodeCount; }
    // The root's node number, kNone for an empty tree.
    uint32_t GetRoot() const { return fRoot.number; }
    // The file's size after the last successful write (its size at opening before that).
    uint32_t GetCommittedSize() const { return fCommittedSize; }
    // Nodes held in memory now.
    uint32_t GetCachedNodeCount() const { return fTable.Count(); }

private:
    struct TRoot {
        bool dirty;
        uint32_t number;
    };
    enum class TInsertResult { kPresent, kInserted, kPromoted };

    TFileIndex(std::unique_ptr<TFile> file, bool readOnly);
    struct TDeletePath;

    // Cache upkeep.
    TIndexNode* CreateNode(uint32_t& number);
    std::unique_ptr<TIndexNode> TakeHolder();
    void Trim(bool force);
    bool EvictDownTo(uint32_t target);
    void WriteHeader();
    // The bytes the file must hold for the current node count.
    int32_t FileSize() const { return int32_t(IndexFormat::NodeOffset(fNodeCount)); }

    // The node holding key, borrowed (the caller releases it), and the key's slot; null when
    // the key is absent.
    TIndexNode* Locate(int32_t key, uint32_t& slot);
    bool CheckNode(uint32_t number, int64_t low, int64_t high, uint32_t depth,
                   std::vector<bool>& visited, int32_t& leafDepth);
    // The dirty nodes, ordered by number.
    std::vector<std::pair<uint32_t, TIndexNode*>> DirtyNodes() const;
    TInsertResult InsertInto(uint32_t number, int32_t key, uint32_t value, uint32_t depth,
                             TNodeEntry& promoted);
    bool Collect(TIndexNode* holder, int32_t key, bool predecessor, uint32_t depth,
                 TDeletePath& path, bool& underflow);
    bool AddSiblingFixup(TIndexNode* parent, uint32_t slot, TIndexNode* child, TDeletePath& path);
    void CarryOut(const TDeletePath& path, bool underflow);

    int32_t fVersion = IndexFormat::kCurrentVersion;
    TNodeTable fTable{kDefaultCacheNodes};
    uint32_t fLimit = kDefaultCacheNodes; // the number of nodes the cache aims to hold
    std::vector<std::unique_ptr<TIndexNode>> fSpares; // clean holders kept for reuse
    std::unique_ptr<TFile> fFile; // the index file, when opened by path; outlives fStream
    std::unique_ptr<LStream> fStream;
    std::string fName;
    TRoot fRoot{false, IndexFormat::kNone};
    uint32_t fNodeCount = 0;
    uint32_t fCommittedSize = 0; // the file size after the last successful write
    int32_t fDirtyNodes = 0;
    bool fSyncPending = false; // written without a sync since the last durable write
    bool fReadOnly;
};

} // namespace WVEK
