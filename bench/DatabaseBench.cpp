// The record database with 100,000 records of 20 to 500 bytes in random id order: putting and
// flushing them, and the `list`, `compare` and `compact` commands run on the result through
// the tool's own dispatcher. Each benchmark reports the database's file sizes and the peak
// resident memory of the process during that benchmark (VmHWM, reset before it starts).

#include "Dispatcher.h"
#include "Platform.h"
#include "RunState.h"
#include "SupportFiles.h"
#include "WVEK_DB.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kRecords = 100000;

std::string BenchPath(const std::string& name) {
    return Platform::TempDirectory() + "tarnwick-dbbench-" + name;
}

TFilePath IndexOf(const TFilePath& path) {
    return WVEK::GetSupportFileName(path, WVEK::TSupportFile::kIndex);
}

// Resets the peak resident size of the process (Linux: clear_refs 5), so that VmHWM tells the
// peak of what follows.
void ResetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// VmHWM in MiB, 0 when unknown.
double PeakMemoryMiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

// Record ids 1..kRecords spread over the VEK type field, in random order, with random sizes.
struct TWorkload {
    std::vector<uint32_t> ids;
    std::vector<uint32_t> sizes;
    std::vector<uint8_t> bytes;

    TWorkload() : ids(kRecords), sizes(kRecords), bytes(500) {
        std::mt19937 random(7);
        for (uint32_t i = 0; i < kRecords; ++i)
            ids[i] = ((i % 200) << 16) | (i / 200 + 1);
        std::shuffle(ids.begin(), ids.end(), random);
        std::uniform_int_distribution<uint32_t> size(20, 500);
        for (uint32_t& s : sizes)
            s = size(random);
        for (uint8_t& b : bytes)
            b = uint8_t(random());
    }
};

const TWorkload& Workload() {
    static const TWorkload workload;
    return workload;
}

void RemoveDatabase(const std::string& name) {
    WVEK::DeleteDatabaseFiles(TFilePath(BenchPath(name)));
}

// A fresh database `name` holding the workload's records, flushed.
void BuildDatabase(const std::string& name) {
    RemoveDatabase(name);
    const TFilePath path(BenchPath(name));
    WVEK::TWVEK_DB db(path, IndexOf(path), false);
    const TWorkload& work = Workload();
    for (uint32_t i = 0; i < kRecords; ++i)
        db.Put(work.ids[i], work.bytes.data(), work.sizes[i], 't');
    if (db.Flush(true) != 0) throw std::runtime_error("flush failed");
}

void CopyDatabase(const std::string& from, const std::string& to) {
    using std::filesystem::copy_options;
    for (const auto& [source, target] :
         {std::pair{BenchPath(from), BenchPath(to)},
          std::pair{IndexOf(TFilePath(BenchPath(from))).GetFullPath(),
                    IndexOf(TFilePath(BenchPath(to))).GetFullPath()}})
        std::filesystem::copy_file(source, target, copy_options::overwrite_existing);
}

// Runs the tool in-process with its messages dropped; returns the exit status.
int RunQuietly(std::vector<std::string> words) {
    TMessageSink previous = SetMessageSink([](std::string_view) {});
    words.insert(words.begin(), "tarnwick");
    std::vector<const char*> argv;
    for (const std::string& word : words)
        argv.push_back(word.c_str());
    const int status = RunTool(int(argv.size()), argv.data());
    SetMessageSink(std::move(previous));
    return status;
}

void ReportFiles(benchmark::State& state, const std::string& name) {
    const std::string path = BenchPath(name);
    state.counters["db_MiB"] = double(std::filesystem::file_size(path)) / (1 << 20);
    state.counters["index_MiB"] =
        double(std::filesystem::file_size(IndexOf(TFilePath(path)).GetFullPath())) / (1 << 20);
    state.counters["peak_RSS_MiB"] = PeakMemoryMiB();
}

void PutAndFlush(benchmark::State& state) {
    Workload();
    ResetPeakMemory();
    for (auto _ : state)
        BuildDatabase("put.db");
    state.SetItemsProcessed(state.iterations() * kRecords);
    ReportFiles(state, "put.db");
    RemoveDatabase("put.db");
}

void List(benchmark::State& state) {
    BuildDatabase("list.db");
    ResetPeakMemory();
    for (auto _ : state)
        if (RunQuietly({"list", BenchPath("list.db"), BenchPath("list.txt")}) != 0)
            state.SkipWithError("list failed");
    state.SetItemsProcessed(state.iterations() * kRecords);
    ReportFiles(state, "list.db");
    RemoveDatabase("list.db");
    std::filesystem::remove(BenchPath("list.txt"));
}

void Compare(benchmark::State& state) {
    BuildDatabase("a.db");
    CopyDatabase("a.db", "b.db");
    ResetPeakMemory();
    for (auto _ : state)
        if (RunQuietly({"compare", BenchPath("a.db"), BenchPath("b.db")}) != 0)
            state.SkipWithError("compare failed");
    state.SetItemsProcessed(state.iterations() * kRecords);
    ReportFiles(state, "a.db");
    RemoveDatabase("a.db");
    RemoveDatabase("b.db");
}

// Every tenth record has been replaced by one of another length, so a tenth of the versions in
// the file are dead.
void Compact(benchmark::State& state) {
    BuildDatabase("source.db");
    {
        const TFilePath path(BenchPath("source.db"));
        WVEK::TWVEK_DB db(path, IndexOf(path), false);
        const TWorkload& work = Workload();
        for (uint32_t i = 0; i < kRecords; i += 10)
            db.Put(work.ids[i], work.bytes.data(), 520 - work.sizes[i], 't');
        db.Flush(true);
    }
    ResetPeakMemory();
    for (auto _ : state) {
        state.PauseTiming();
        CopyDatabase("source.db", "compact.db");
        state.ResumeTiming();
        if (RunQuietly({"compact", BenchPath("compact.db")}) != 0)
            state.SkipWithError("compact failed");
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
    state.counters["before_MiB"] =
        double(std::filesystem::file_size(BenchPath("source.db"))) / (1 << 20);
    ReportFiles(state, "compact.db");
    RemoveDatabase("source.db");
    RemoveDatabase("compact.db");
}

} // namespace

BENCHMARK(PutAndFlush)->Unit(benchmark::kMillisecond);
BENCHMARK(List)->Unit(benchmark::kMillisecond);
BENCHMARK(Compare)->Unit(benchmark::kMillisecond);
BENCHMARK(Compact)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
