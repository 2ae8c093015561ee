// Runs the commands that change a database under the I/O shim (io_shim.c) and stops each one at
// every point where it changes a file: killed before the call, killed in the middle of a
// write, killed after losing the data it had not synced (all of it, or all but the last
// write), or with the call failing. Every outcome must be a database that opens, passes the
// index check and holds exactly the records from before the command or from after it, with no
// temporary file or journal left once it has been opened again. A failed call ends the
// command with status -1 and the records from before it, or, after the commit point, with
// status 0 and the records from after it.

#include "DatabaseCheck.h"
#include "Exception.h"
#include "ProcessRunner.h"
#include "SupportFiles.h"
#include "TempDirectory.h"
#include "WVEK_DB.h"

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <stdexcept>
#include <tuple>

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

TWVEK_DB Open(const std::string& name, bool readOnly) {
    const TFilePath path(name);
    return TWVEK_DB(path, WVEK::GetSupportFileName(path, WVEK::TSupportFile::kIndex), readOnly);
}

// In `dir`: the database x.db, and the source s.xml for create and add. The database: ids
// 1-300 (types t, b, l and a in turn), every 7th permanent and every 11th compressed; then, in
// a second unit, every 5th id rewritten with another length and ids above 200 that are
// multiples of 13 deleted, which leaves dead versions for compaction. The source: new ids,
// ids rewritten with another length and with the same length, and ids whose flags alone change.
void MakeFiles(const std::string& dir) {
    TWVEK_DB db = Open(dir + "x.db", false);
    for (uint32_t id = 1; id <= 300; ++id) {
        const std::string data = Data(id, 0);
        ASSERT_TRUE(db.Put(id, data.data(), uint32_t(data.size()), uint8_t("tbla"[id % 4])));
        db.SetFlags(id, (id % 7 ? 0 : 0x4) | (id % 11 ? 0 : 0x1));
    }
    ASSERT_EQ(db.Flush(true), 0u);
    for (uint32_t id = 5; id <= 300; id += 5)
        ASSERT_TRUE(db.Put(id, Data(id, 1).data(), uint32_t(Data(id, 1).size()), 0));
    for (uint32_t id = 208; id <= 300; id += 13)
        ASSERT_TRUE(db.Delete(id, true));
    ASSERT_EQ(db.Flush(true), 0u);

    std::string text = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<record_list>\n";
    auto record = [&](uint32_t id, const char* flags, const std::string& data) {
        static const char* const kTypeNames[] = {"text", "binary", "list", "qdf"};
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
    WriteBytes(dir + "s.xml", std::vector<uint8_t>(text.begin(), text.end()));
}

// The live records of the database "x.db" in `dir`, opened read-only as the tool opens it
// (which applies a journal left behind and rebuilds a missing index). Throws when it cannot
// be opened or read, when a listed record cannot be found through the index, or when the
// check behind `verify` finds anything wrong with the files after that opening.
TRecords ReadRecords(const std::string& dir) {
    TRecords records;
    {
        TWVEK_DB db = Open(dir + "x.db", true);
        for (auto it = db.CreateIterator(0); it->HasMore();) {
            const uint32_t id = it->Next(nullptr);
            uint32_t length = 0, flags = 0;
            int type = 0;
            std::unique_ptr<uint8_t, decltype(&std::free)> data(db.Get(id, &length, &type, &flags),
                                                                std::free);
            if (!data) throw std::runtime_error("record " + std::to_string(id) + " is not indexed");
            records[id] = {type, flags, std::string(reinterpret_cast<char*>(data.get()), length)};
        }
    }
    for (const WVEK::TFinding& finding : WVEK::CheckDatabase(TFilePath(dir + "x.db")).findings)
        throw std::runtime_error("finding " + std::to_string(int(finding.kind)) + " at " +
                                 std::to_string(finding.offset));
    return records;
}

// The command line, on "x.db" in the run's directory: the tool's arguments, or "writer" and the
// writer's.
class CrashTest : public ::testing::TestWithParam<std::vector<std::string>> {
protected:
    // Runs the command in run/, a fresh copy of before/, under the shim with `environment`.
    TProcessResult Run(std::vector<std::string> environment) const {
        fs::remove_all(fRun);
        fs::copy(fBefore, fRun);
        environment.push_back("LD_PRELOAD=" CRASH_IO_SHIM);
        environment.push_back("ASAN_OPTIONS=verify_asan_link_order=0");
        std::vector<std::string> arguments = GetParam();
        if (arguments[0] != "writer") return RunProcess(ToolPath(), arguments, fRun, environment);
        arguments.erase(arguments.begin());
        return RunProcess(CRASH_WRITER, arguments, fRun, environment);
    }

    TTempDirectory fDir;
    const std::string fBefore = fDir / "before/", fRun = fDir / "run/";
};

TEST_P(CrashTest, EveryPointLeavesTheRecordsFromBeforeOrAfter) {
    fs::create_directory(fBefore);
    MakeFiles(fBefore);
    const TRecords was = ReadRecords(fBefore);
    const TProcessResult clean = Run({"TARNWICK_CRASH_LOG=" + fDir / "points"});
    ASSERT_EQ(clean.exitCode, 0) << clean.err;
    const TRecords is = ReadRecords(fRun); // for compaction, the same records
    const std::vector<uint8_t> points = ReadBytes(fDir / "points");
    ASSERT_GT(points.size(), 3u);
    for (size_t n = 1; n <= points.size(); ++n) {
        const char kind = char(points[n - 1]), previous = n > 1 ? char(points[n - 2]) : 's';
        for (const std::string mode : {"kill", "torn", "lose", "last", "fail"}) {
            // A torn write only; a loss leaves what was synced, renamed and deleted before the
            // point: the same as at the point before, unless that was a sync, a rename or an
            // unlink (these commands create files only right after one). After a write, the
            // loss that keeps it tells more.
            if ((mode == "torn" && kind != 'w') || (mode == "last" && previous != 'w') ||
                (mode == "lose" && previous != 's' && previous != 'r' && previous != 'u'))
                continue;
            SCOPED_TRACE(GetParam()[0] + " at point " + std::to_string(n) + " (" + kind + "), " +
                         mode);
            const TProcessResult result =
                Run({"TARNWICK_CRASH_AT=" + std::to_string(n), "TARNWICK_CRASH_MODE=" + mode});
            // A call that fails before the commit point ends the command with -1 and the
            // records from before it; after that point only files are left to delete, so the
            // command succeeds.
            const bool failed = result.exitCode == -1;
            if (mode == "fail")
                EXPECT_TRUE(failed ? result.err.find("ERROR: ") != std::string::npos
                                   : result.exitCode == 0)
                    << result.err;
            else
                EXPECT_EQ(result.signal, SIGKILL) << result.err; // the run reached the point
            try {
                const TRecords records = ReadRecords(fRun);
                if (mode == "fail")
                    EXPECT_TRUE(records == (failed ? was : is)) << "failed: " << failed;
                else
                    EXPECT_TRUE(records == was || records == is) << "neither state";
            } catch (const std::exception& e) {
                ADD_FAILURE() << "unreadable: " << e.what();
            } catch (const TTolvException& e) {
                ADD_FAILURE() << "unreadable: error " << e.code;
            }
            // Files a command leaves only while it runs: temporary names and the journal.
            for (const fs::directory_entry& entry : fs::directory_iterator(fRun))
                EXPECT_TRUE(entry.path().filename().string().find('#') == std::string::npos &&
                            entry.path().extension() != ".jnl")
                    << entry.path();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, CrashTest,
                         ::testing::Values(std::vector<std::string>{"create", "x.db", "s.xml"},
                                           std::vector<std::string>{"add", "x.db", "s.xml"},
                                           std::vector<std::string>{"remove", "x.db", "1:10"},
                                           std::vector<std::string>{"compact", "x.db"},
                                           std::vector<std::string>{"writer", "x.db"}),
                         [](const auto& info) { return info.param[0]; });

} // namespace
