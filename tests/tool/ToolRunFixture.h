#pragma once
// A fixture for tests that run the built tool in a fresh directory on databases made through
// the engine, and pin standard output, standard error and the exit status.

#include "ProcessRunner.h"
#include "TempDirectory.h"
#include "SupportFiles.h"
#include "WVEK_DB.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using WVEK::TWVEK_DB;

struct TRecordSpec {
    uint32_t id;
    uint8_t type;
    std::string data;
    uint32_t flags = 0; // public flag word

    bool operator==(const TRecordSpec&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const TRecordSpec& r) {
    return out << "{id " << r.id << ", type " << int(r.type) << ", " << r.data.size()
               << " bytes, flags " << r.flags << "}";
}

class TToolRunTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return fDir / name; }

    std::unique_ptr<TWVEK_DB> OpenDatabase(const std::string& name) const {
        const TFilePath path(PathOf(name));
        return std::make_unique<TWVEK_DB>(
            path, WVEK::GetSupportFileName(path, WVEK::TSupportFile::kIndex), false);
    }

    // A flushed database of `records`, put in the order given.
    void MakeDatabase(const std::string& name, const std::vector<TRecordSpec>& records) const {
        std::unique_ptr<TWVEK_DB> db = OpenDatabase(name);
        for (const TRecordSpec& record : records) {
            ASSERT_TRUE(
                db->Put(record.id, record.data.data(), uint32_t(record.data.size()), record.type));
            db->SetFlags(record.id, record.flags);
        }
        ASSERT_EQ(db->Flush(true), 0u);
    }

    void WriteFile(const std::string& name, const std::string& content) const {
        std::ofstream(PathOf(name), std::ios::binary) << content;
    }
    std::string ReadFile(const std::string& name) const {
        std::ifstream in(PathOf(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    uintmax_t SizeOf(const std::string& name) const {
        return std::filesystem::file_size(PathOf(name));
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(fDir.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // The live record `id` of database `name`, opened read-only; type 0xFF when there is none.
    TRecordSpec ReadRecord(const std::string& name, uint32_t id) const {
        const TFilePath path(PathOf(name));
        TWVEK_DB db(path, WVEK::GetSupportFileName(path, WVEK::TSupportFile::kIndex), true);
        uint32_t length = 0;
        int type = 0;
        uint8_t* data = db.Get(id, &length, &type);
        if (data == nullptr) return {id, 0xFF, "", 0};
        TRecordSpec record{id, uint8_t(type), std::string(reinterpret_cast<char*>(data), length),
                           db.GetFlags(id)};
        std::free(data);
        return record;
    }

    TProcessResult Tool(const std::vector<std::string>& arguments) const {
        return RunProcess(ToolPath(), arguments, fDir.Path());
    }
    void ExpectRun(const std::vector<std::string>& arguments, const std::string& out,
                   const std::string& err, int exitCode) const {
        const TProcessResult result = Tool(arguments);
        EXPECT_EQ(result.signal, 0);
        EXPECT_EQ(result.out, out);
        EXPECT_EQ(result.err, err);
        EXPECT_EQ(result.exitCode, exitCode);
    }

    TTempDirectory fDir;
};
