// Runs the commands that change a database under the I/O shim (io_shim.c) and stops each one at
// every point where it changes a file: killed before the call, killed in the middle of a
// write, killed after losing the data it had not synced (all of it, or all but the last
// write), or with the call failing. Every outcome must be a database that opens, passes the
// index check and holds exactly the records from before the command or from after it, with no
// temporary file or journal left once it has been opened again. A failed call ends the
// command with status -1 and the records from before it, or, after the commit point, with
// status 0 and the records from after it.

#include "Exception.h"
#include "FileIndex.h"
#include "ProcessRunner.h"
#include "SupportFiles.h"
#include "TempDirectory.h"
#include "WVEK_DB.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;
using WVEK::TWVEK_DB;

// id -> type, public flags, data.
using TRecords = std::map<uint32_t, std::tuple<int, uint32_t, std::string>>;

// The data of record `id` as written by `generation` (0: the first database); its length
// changes with the generation, except where `sameLength` keeps it.
std::string Data(uint32_t id, uint32_t generation, bool sameLength = false) {
    std::string data = std::to_string(id) + "." + std::to_string(generation) + ":";
    const size_t length = 1 + (id * 37 + (sameLength ? 0 : generation * 11)) % 300;
    data.resize(std::max(length, data.size()), char('a' + (id + generation) % 26));
    return data;
}

// The record types by id: t, b, l and a in turn.
const char* const kTypeNames[] = {"text", "binary", "list", "qdf"};

TFilePath IndexOf(const TFilePath& path) {
    return WVEK::GetSupportFileName(path, WVEK::TSupportFile::kIndex);
}

// Ids 1-300, every 7th permanent and every 11th compressed; then, in a
// second unit, every 5th id rewritten with another length and ids above 200 that are multiples
// of 13 deleted, which leaves dead versions for compaction.
void MakeDatabase(const std::string& name) {
    const TFilePath path(name);
    TWVEK_DB db(path, IndexOf(path), false);
    for (uint32_t id = 1; id <= 300; ++id) {
        const std::string data = Data(id, 0);
        ASSERT_TRUE(db.Put(id, data.data(), uint32_t(data.size()), uint8_t("tbla"[id % 4])));
        db.SetFlags(id, (id % 7 ? 0 : 0x4) | (id % 11 ? 0 : 0x1));
    }
    ASSERT_EQ(db.Flush(true), 0u);
    for (uint32_t id = 5; id <= 300; id += 5) {
        const std::string data = Data(id, 1);
        ASSERT_TRUE(db.Put(id, data.data(), uint32_t(data.size()), 0));
    }
    for (uint32_t id = 208; id <= 300; id += 13)
        ASSERT_TRUE(db.Delete(id, true));
    ASSERT_EQ(db.Flush(true), 0u);
}

// A source for create and add: new ids, ids rewritten with another length and with the same
// length, and ids whose flags alone change.
void WriteSource(const std::string& name) {
    std::string text = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<record_list>\n";
    auto record = [&](uint32_t id, const char* flags, const std::string& data) {
        text += "<record id=\"" + std::to_string(id) + "\" type=\"" + kTypeNames[id % 4] + "\"" +
                flags + "><string>" + data + "</string></record>\n";
    };
    for (uint32_t id = 1001; id <= 1004; ++id)
        record(id, "", Data(id, 2));
    for (uint32_t id = 3; id <= 12; id += 3)
        record(id, "", Data(id, 2));
    for (uint32_t id = 61; id <= 64; ++id)
        record(id, "", Data(id, 2, true));
    for (uint32_t id = 81; id <= 85; ++id)
        record(id, " permanent=\"true\" compressed=\"true\"", Data(id, id % 5 ? 0 : 1));
    text += "</record_list>\n";
    WriteBytes(name, std::vector<uint8_t>(text.begin(), text.end()));
}

// The live records of the database "x.db" in `dir`, opened read-only as the tool opens it
// (which applies a journal left behind and rebuilds a missing index). Throws when it cannot
// be opened or read, when its index fails the check, when a listed record cannot be found
// through the index, or when the index holds one of `probe` that the file does not list.
TRecords ReadRecords(const std::string& dir, const TRecords& probe = {}) {
    const TFilePath path(dir + "x.db");
    TWVEK_DB db(path, IndexOf(path), true);
    if (!WVEK::TFileIndex(IndexOf(path), true).Check())
        throw std::runtime_error("the index fails its check");
    TRecords records;
    for (std::unique_ptr<TWVEK_DB::Iterator> it = db.CreateIterator(0); it->HasMore();) {
        const uint32_t id = it->Next(nullptr);
        uint32_t length = 0, flags = 0;
        int type = 0;
        std::unique_ptr<uint8_t, decltype(&std::free)> data(db.Get(id, &length, &type, &flags),
                                                            std::free);
        if (!data) throw std::runtime_error("record " + std::to_string(id) + " is not indexed");
        records[id] = {type, flags, std::string(reinterpret_cast<char*>(data.get()), length)};
    }
    for (const auto& [id, record] : probe)
        if (!records.count(id) && db.Exists(id))
            throw std::runtime_error("the index names the dead record " + std::to_string(id));
    return records;
}

// Files a command leaves only while it runs: temporary names and the journal.
std::string LeftOvers(const std::string& dir) {
    std::string names;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename();
        if (name.find('#') != std::string::npos || entry.path().extension() == ".jnl")
            names += " " + name;
    }
    return names;
}

void CopyFiles(const std::string& from, const std::string& to) {
    fs::remove_all(to);
    fs::copy(from, to);
}

struct TCommand {
    const char* name;
    std::vector<std::string> arguments; // on "x.db" in the run's directory
    const char* program;                // null: the tool
};

void PrintTo(const TCommand& command, std::ostream* out) {
    *out << command.name;
}

class CrashTest : public ::testing::TestWithParam<TCommand> {
protected:
    // The database and source in before/, the records before and after the uninterrupted run,
    // and the points of that run: one letter for each.
    void SetUp() override {
        fs::create_directory(fBefore);
        MakeDatabase(fBefore + "x.db");
        WriteSource(fBefore + "s.xml");
        CopyFiles(fBefore, fRun);
        fWas = ReadRecords(fRun);
        CopyFiles(fBefore, fRun);
        const TProcessResult clean = Run({"TARNWICK_CRASH_LOG=" + fDir / "points"});
        ASSERT_EQ(clean.exitCode, 0) << clean.err;
        fIs = ReadRecords(fRun); // for compaction, the same records
        fBoth = fWas;
        fBoth.insert(fIs.begin(), fIs.end());
        fPoints = ReadBytes(fDir / "points");
        ASSERT_GT(fPoints.size(), 3u);
    }

    // Runs the command in run/ under the shim, with `environment` added.
    TProcessResult Run(std::vector<std::string> environment) const {
        environment.push_back("LD_PRELOAD=" CRASH_IO_SHIM);
        environment.push_back("ASAN_OPTIONS=verify_asan_link_order=0");
        const char* program = GetParam().program;
        return RunProcess(program ? program : ToolPath(), GetParam().arguments, fRun, environment);
    }

    // Stops the command at each point from `first` through `last` in each of `modes`, each run
    // on a fresh copy of before/, and checks what it leaves.
    void Sweep(const std::vector<std::string>& modes, size_t first, size_t last) {
        for (size_t n = first; n <= last; ++n) {
            const char kind = char(fPoints[n - 1]), previous = n > 1 ? char(fPoints[n - 2]) : 's';
            for (const std::string& mode : modes) {
                if (mode == "torn" && kind != 'w') continue; // the same as kill
                // A loss leaves what was synced, renamed and deleted before the point: the same
                // as at the point before, unless that was a sync, a rename or an unlink (these
                // commands create files only right after one). After a write, the loss that
                // keeps it tells more.
                if (mode == "lose" && previous != 's' && previous != 'r' && previous != 'u')
                    continue;
                if (mode == "last" && previous != 'w') continue;
                SCOPED_TRACE(std::string(GetParam().name) + " at point " + std::to_string(n) +
                             " (" + kind + "), " + mode);
                CopyFiles(fBefore, fRun);
                Check(mode, Run({"TARNWICK_CRASH_AT=" + std::to_string(n),
                                 "TARNWICK_CRASH_MODE=" + mode}));
            }
        }
    }

    // A call that fails before the commit point ends the command with -1 and the records from
    // before it; after that point only files are left to delete, so the command succeeds.
    void Check(const std::string& mode, const TProcessResult& result) const {
        const bool failed = result.exitCode == -1;
        if (mode == "fail") {
            EXPECT_TRUE(failed || result.exitCode == 0) << result.err;
            EXPECT_TRUE(!failed || result.err.find("ERROR: ") != std::string::npos);
        } else {
            EXPECT_EQ(result.signal, SIGKILL) << result.err; // the run reached the point
        }
        try {
            const TRecords records = ReadRecords(fRun, fBoth);
            if (mode == "fail")
                EXPECT_TRUE(records == (failed ? fWas : fIs)) << "failed: " << failed;
            else
                EXPECT_TRUE(records == fWas || records == fIs) << "neither state";
        } catch (const std::exception& e) {
            ADD_FAILURE() << "unreadable: " << e.what();
        } catch (const TTolvException& e) {
            ADD_FAILURE() << "unreadable: error " << e.code;
        }
        EXPECT_EQ(LeftOvers(fRun), "");
    }

    TTempDirectory fDir;
    const std::string fBefore = fDir / "before/", fRun = fDir / "run/";
    TRecords fWas, fIs, fBoth;
    std::vector<uint8_t> fPoints;
};

TEST_P(CrashTest, EveryPointLeavesTheRecordsFromBeforeOrAfter) {
    Sweep({"kill", "torn", "lose", "last", "fail"}, 1, fPoints.size());
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CrashTest,
    ::testing::Values(TCommand{"create", {"create", "x.db", "s.xml"}, nullptr},
                      TCommand{"add", {"add", "x.db", "s.xml"}, nullptr},
                      TCommand{"remove", {"remove", "x.db", "1:10"}, nullptr},
                      TCommand{"compact", {"compact", "x.db"}, nullptr},
                      TCommand{"writer", {"x.db"}, CRASH_WRITER}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
