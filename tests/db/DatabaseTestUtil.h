#pragma once
// Helpers of the database tests: a database file with its index in a fresh directory, and
// reading records back as plain values.

#include "DatabaseFile.h"
#include "DatabaseImage.h"
#include "SupportFiles.h"
#include "TempDirectory.h"
#include "WVEK_DB.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A record as Get and GetFlags show it.
struct TRecordValue {
    Bytes data;
    int type = 0;
    uint32_t flags = 0;
    bool operator==(const TRecordValue&) const = default;
};

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

// Every record the iterator yields, by id, read through Get; a record that Get cannot read
// has type -1. `duplicates` (when not null) counts the ids met more than once.
inline std::map<uint32_t, TRecordValue> ReadAll(WVEK::TWVEK_DB& db, int* duplicates = nullptr) {
    std::map<uint32_t, TRecordValue> records;
    std::unique_ptr<WVEK::TWVEK_DB::Iterator> it = db.CreateIterator(0);
    while (it->HasMore()) {
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
class TDatabaseFiles {
public:
    TFilePath Path() const { return TFilePath(fDir / "db.adb"); }
    TFilePath IndexPath() const {
        return WVEK::GetSupportFileName(Path(), WVEK::TSupportFile::kIndex);
    }
    std::string Name(const std::string& file) const { return fDir / file; }

    std::unique_ptr<WVEK::TWVEK_DB> Open(bool readOnly = false) const {
        return std::make_unique<WVEK::TWVEK_DB>(Path(), IndexPath(), readOnly);
    }
    // Writes a database file image (and removes the index, which then gets rebuilt).
    void WriteImage(const Bytes& image) const {
        WriteBytes(Path().GetFullPath(), image);
        IndexPath().Delete();
    }
    Bytes DatabaseBytes() const { return ReadBytes(Path().GetFullPath()); }
    Bytes IndexBytes() const { return ReadBytes(IndexPath().GetFullPath()); }
    // The names of the files in the directory, sorted.
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(fDir.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    TTempDirectory fDir;
};
