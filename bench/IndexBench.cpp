// Index insert, find and delete of 1 million keys, in sequential and random order, with the
// default node cache (100 nodes) over a real file in the temporary directory.

#include "FileIndex.h"
#include "Platform.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int32_t kKeys = 1000000;

std::vector<int32_t> Keys(bool shuffled) {
    std::vector<int32_t> keys(kKeys);
    std::iota(keys.begin(), keys.end(), 1);
    if (shuffled) std::shuffle(keys.begin(), keys.end(), std::mt19937(42));
    return keys;
}

TFilePath IndexPath() {
    return TFilePath(Platform::TempDirectory() + "tarnwick-bench.ind");
}

// A fresh index file holding every key of `keys`, flushed and closed.
void Build(const std::vector<int32_t>& keys) {
    IndexPath().Delete();
    WVEK::TFileIndex index(IndexPath(), false);
    for (int32_t key : keys)
        index.Insert(key, uint32_t(key));
    index.Flush(true);
}

void Insert(benchmark::State& state) {
    const std::vector<int32_t> keys = Keys(state.range(0) != 0);
    for (auto _ : state) {
        state.PauseTiming();
        IndexPath().Delete();
        state.ResumeTiming();
        WVEK::TFileIndex index(IndexPath(), false);
        for (int32_t key : keys)
            index.Insert(key, uint32_t(key));
        benchmark::DoNotOptimize(index.Flush(true));
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
}

void Find(benchmark::State& state) {
    const std::vector<int32_t> keys = Keys(state.range(0) != 0);
    Build(Keys(false));
    for (auto _ : state) {
        WVEK::TFileIndex index(IndexPath(), true);
        uint32_t value = 0;
        for (int32_t key : keys)
            benchmark::DoNotOptimize(index.Find(key, value));
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
}

void Delete(benchmark::State& state) {
    const std::vector<int32_t> keys = Keys(state.range(0) != 0);
    for (auto _ : state) {
        state.PauseTiming();
        Build(Keys(false));
        state.ResumeTiming();
        WVEK::TFileIndex index(IndexPath(), false);
        for (int32_t key : keys)
            index.Delete(key);
        benchmark::DoNotOptimize(index.Flush(true));
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
}

} // namespace

BENCHMARK(Insert)->ArgName("random")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Find)->ArgName("random")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Delete)->ArgName("random")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
