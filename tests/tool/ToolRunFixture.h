#pragma once
// A fixture for tests that run the built tool in a fresh directory on databases made through
// the engine, and pin standard output, standard error and the exit status.

#include "ExpectRun.h"
#include "SupportFiles.h"
#include "TempDirectory.h"
#include "WVEK_DB.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

inline std::string Bytes(std::initializer_list<uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

struct TRecordSpec {
    uint32_t id;
    uint8_t type; // 0xFF: no such record
    std::string data;
    uint32_t flags = 0; // public flag word

    bool operator==(const TRecordSpec&) const = default;
};

class TToolRunTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return fDir / name; }

    std::unique_ptr<WVEK::TWVEK_DB> OpenDatabase(const std::string& name,
                                                 bool readOnly = false) const {
        const TFilePath path(PathOf(name));
        return std::make_unique<WVEK::TWVEK_DB>(
            path, WVEK::GetSupportFileName(path, WVEK::TSupportFile::kIndex), readOnly);
    }
    // A flushed database of `records`, put in the order given.
    void MakeDatabase(const std::string& name, const std::vector<TRecordSpec>& records) const {
        std::unique_ptr<WVEK::TWVEK_DB> db = OpenDatabase(name);
        for (const TRecordSpec& record : records) {
            ASSERT_TRUE(
                db->Put(record.id, record.data.data(), uint32_t(record.data.size()), record.type));
            db->SetFlags(record.id, record.flags);
        }
        ASSERT_EQ(db->Flush(true), 0u);
    }
    // The live record `id` of database `name`.
    TRecordSpec ReadRecord(const std::string& name, uint32_t id) const {
        uint32_t length = 0;
        int type = 0;
        std::unique_ptr<WVEK::TWVEK_DB> db = OpenDatabase(name, true);
        std::unique_ptr<uint8_t, decltype(&std::free)> data(db->Get(id, &length, &type), std::free);
        if (!data) return {id, 0xFF, "", 0};
        return {id, uint8_t(type), std::string(reinterpret_cast<char*>(data.get()), length),
                db->GetFlags(id)};
    }

    void WriteFile(const std::string& name, const std::string& content) const {
        WriteBytes(PathOf(name), std::vector<uint8_t>(content.begin(), content.end()));
    }
    std::string ReadFile(const std::string& name) const {
        const std::vector<uint8_t> bytes = ReadBytes(PathOf(name));
        return std::string(bytes.begin(), bytes.end());
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(PathOf(name)); }

    TProcessResult Tool(const std::vector<std::string>& arguments) const {
        return RunProcess(ToolPath(), arguments, fDir.Path());
    }
    void ExpectRun(const std::vector<std::string>& arguments, const std::string& out,
                   const std::string& err, int exitCode) const {
        ::ExpectRun(ToolPath(), arguments, out, err, exitCode, fDir.Path());
    }

    TTempDirectory fDir;
};
