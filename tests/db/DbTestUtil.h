#pragma once
// Helpers of the database and index tests: file images built byte by byte, independently of
// the engine's own writer (so the tests pin the formats rather than restate the code), and
// databases and indexes opened on them.

#include "DynamicStream.h"
#include "Exception.h"
#include "FileIndex.h"
#include "SupportFiles.h"
#include "TempDirectory.h"
#include "WVEK_DB.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <optional>

using Bytes = std::vector<uint8_t>;
using TEntries = std::vector<std::pair<int32_t, uint32_t>>;
using TKeys = std::vector<int32_t>;

inline void PutLE32(Bytes& image, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i)
        image[at + i] = uint8_t(value >> (8 * i));
}

struct TTestRecord {
    uint32_t id;
    uint8_t type, flags;
    Bytes data;
};

// The 25-byte file header ("VEKDB-25", a 0 byte, 16 zero bytes), then each record: a 26-byte
// header ("R2D2", id, length, type, flags, 8 zero bytes, its own position) and its data.
inline Bytes DatabaseImage(const std::vector<TTestRecord>& records) {
    Bytes image(25, 0);
    std::memcpy(image.data(), "VEKDB-25", 8);
    for (const TTestRecord& record : records) {
        const size_t at = image.size();
        image.resize(at + 26, 0);
        std::memcpy(&image[at], "R2D2", 4);
        PutLE32(image, at + 4, record.id);
        PutLE32(image, at + 8, uint32_t(record.data.size()));
        image[at + 12] = record.type;
        image[at + 13] = record.flags;
        PutLE32(image, at + 22, uint32_t(at));
        image.insert(image.end(), record.data.begin(), record.data.end());
    }
    return image;
}

// Appends a 246-byte node image: the count, the keys with the values key * 10 (as
// TwoLeavesImage stores them) and the children; every slot not given is 0xFF.
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

// A stream over a memory "file" owned by the test, which plays the disk: an index that owns
// the stream can be destroyed and a new one opened on the same bytes.
class TTestStream : public LStream {
public:
    explicit TTestStream(LDynamicStream& file) : fFile(file) {}
    void Seek(int32_t offset, uint32_t origin) override { fFile.Seek(offset, origin); }
    int32_t GetPosition() override { return fFile.GetPosition(); }
    int32_t GetSize() override { return fFile.GetSize(); }
    void SetSize(int32_t size) override { fFile.SetSize(size); }
    uint32_t Write(const void* data, uint32_t& count) override { return fFile.Write(data, count); }
    uint32_t Read(void* data, uint32_t& count) override { return fFile.Read(data, count); }

private:
    LDynamicStream& fFile;
};

// The error code a call throws, 0 when it returns.
template <typename F> uint32_t CodeOf(F f) {
    try {
        f();
    } catch (const TTolvException& e) {
        return e.code;
    }
    return 0;
}

// An index on the memory file `file`, which first gets the content `bytes` when given.
inline std::unique_ptr<WVEK::TFileIndex> OpenIndex(LDynamicStream& file,
                                                   const std::optional<Bytes>& bytes = {}) {
    if (bytes) {
        file.SetSize(0);
        file.WriteOrThrow(bytes->data(), uint32_t(bytes->size()));
    }
    return std::make_unique<WVEK::TFileIndex>(std::make_unique<TTestStream>(file), "/x.ind", false);
}

inline std::optional<uint32_t> ValueOf(WVEK::TFileIndex& index, int32_t key) {
    uint32_t value = 0;
    return index.Find(key, value) ? std::optional(value) : std::nullopt;
}

// Every (key, value) of the tree in order, read through the node cache.
inline TEntries Walk(WVEK::TFileIndex& index) {
    TEntries entries;
    std::function<void(uint32_t)> visit = [&](uint32_t number) {
        WVEK::TNodeRef ref(index, number);
        for (uint32_t i = 0; i <= ref.View().Count(); ++i) {
            if (!ref.View().IsLeaf()) visit(ref.View().Child(i));
            if (i < ref.View().Count())
                entries.emplace_back(ref.View().Key(i), ref.View().Value(i));
        }
    };
    if (index.GetRoot() != WVEK::IndexFormat::kNone) visit(index.GetRoot());
    return entries;
}

// first, first + 1, ..., last, without `skip`.
inline TKeys Range(int32_t first, int32_t last, int32_t skip = INT32_MIN) {
    TKeys keys;
    for (int32_t k = first; k <= last; ++k)
        if (k != skip) keys.push_back(k);
    return keys;
}

// The flushed index of keys 1 to 21 and then `extra`, each with the value key * 10. Without
// extra: root (node 2) [11] over node 0 [1..10] and node 1 [12..21].
inline Bytes TwoLeavesImage(const TKeys& extra = {}) {
    LDynamicStream file;
    auto index = OpenIndex(file);
    for (const TKeys& keys : {Range(1, 21), extra})
        for (int32_t key : keys)
            index->Insert(key, uint32_t(key) * 10);
    index->Flush(false);
    return Bytes(file.Data(), file.Data() + file.GetSize());
}

// A record as Get and GetFlags show it.
struct TRecordValue {
    Bytes data;
    int type = 0;
    uint32_t flags = 0;
    bool operator==(const TRecordValue&) const = default;
};
using TRecords = std::map<uint32_t, TRecordValue>;

// The live record `id`, or nothing when Get gives null.
inline std::optional<TRecordValue> ReadRecord(WVEK::TWVEK_DB& db, uint32_t id) {
    uint32_t length = 0;
    int type = 0;
    uint8_t* data = db.Get(id, &length, &type);
    if (!data) return std::nullopt;
    TRecordValue value{Bytes(data, data + length), type, db.GetFlags(id)};
    std::free(data);
    return value;
}

// Every record the iterator yields, read through Get (type -1: Get found none); `duplicates`
// (when not null) counts the ids met more than once.
inline TRecords ReadAll(WVEK::TWVEK_DB& db, int* duplicates = nullptr) {
    TRecords records;
    for (auto it = db.CreateIterator(0); it->HasMore();) {
        const uint32_t id = it->Next(nullptr);
        if (duplicates && records.count(id) != 0) ++*duplicates;
        records[id] = ReadRecord(db, id).value_or(TRecordValue{{}, -1, 0});
    }
    return records;
}

inline bool PutBytes(WVEK::TWVEK_DB& db, uint32_t id, const Bytes& data, uint8_t type = 'b') {
    return db.Put(id, data.data(), uint32_t(data.size()), type);
}

// "db.adb" and its index "db.ind" in a fresh directory.
struct TDatabaseFiles {
    TTempDirectory dir;
    const TFilePath path{dir / "db.adb"};
    const TFilePath indexPath = WVEK::GetSupportFileName(path, WVEK::TSupportFile::kIndex);

    std::unique_ptr<WVEK::TWVEK_DB> Open(bool readOnly = false) const {
        return std::make_unique<WVEK::TWVEK_DB>(path, indexPath, readOnly);
    }
    // Writes both files; without an index, the next opening rebuilds it.
    void Write(const Bytes& image, const std::optional<Bytes>& index = std::nullopt) const {
        WriteBytes(path.GetFullPath(), image);
        indexPath.Delete();
        if (index) WriteBytes(indexPath.GetFullPath(), *index);
    }
    Bytes DatabaseBytes() const { return ReadBytes(path.GetFullPath()); }
    Bytes IndexBytes() const { return ReadBytes(indexPath.GetFullPath()); }
    // The names of the files in the directory, sorted.
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // True when the directory holds exactly the database and its index, with these bytes: no
    // journal and no temporary file left.
    bool HoldOnly(const Bytes& database, const Bytes& index) const {
        std::vector<std::string> both{path.GetFileName(), indexPath.GetFileName()};
        std::sort(both.begin(), both.end());
        return DatabaseBytes() == database && IndexBytes() == index && Files() == both;
    }
};
