// Assembly and disassembly throughput on a large generated stream of the default table's
// atoms (every format, nested streams, comments, unknown atoms), in bytes of text per second
// both ways: the text is what the assembler reads and the disassembler writes. text_MBps is
// that rate in decimal megabytes (10^6 bytes), the unit of the library's target (300 MB/s);
// bytes_per_second beside it counts in MiB.

#include "Assembler.h"
#include "Disassembly.h"
#include "RandomStream.h"
#include "TableFile.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

struct Sample {
    std::shared_ptr<ZAtomTable> table;
    ZBuffer stream;
    std::string text;
};

// About 7 MB of text (much of it indentation, since the layout atoms nest deep), made once.
const Sample& TheSample() {
    static Sample sample = [] {
        Sample s;
        if (LoadAtomTableFile(KEL_DEFAULT_TABLE, s.table) != 0) std::abort();
        s.stream = RandomStreamMaker(*s.table, 42).Stream(100000);
        ZString text;
        if (DisassembleStream(*s.table, s.stream.Data(), s.stream.Length(), 0, nullptr, text))
            std::abort();
        s.text.assign(text.Text(), text.Length());
        return s;
    }();
    return sample;
}

void CountText(benchmark::State& state, size_t textBytes) {
    double bytes = double(state.iterations()) * double(textBytes);
    state.SetBytesProcessed(int64_t(bytes));
    state.counters["text_MBps"] = benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsRate);
}

void Assemble(benchmark::State& state) {
    const Sample& s = TheSample();
    for (auto _ : state) {
        ZBuffer out;
        uint32_t line = 0;
        if (AssembleStream(*s.table, s.text.c_str(), 0, out, line) != 0) std::abort();
        benchmark::DoNotOptimize(out.Data());
    }
    CountText(state, s.text.size());
    state.counters["stream_bytes"] = double(s.stream.Length());
}

void Disassemble(benchmark::State& state) {
    const Sample& s = TheSample();
    for (auto _ : state) {
        ZString text;
        if (DisassembleStream(*s.table, s.stream.Data(), s.stream.Length(), 0, nullptr, text))
            std::abort();
        benchmark::DoNotOptimize(text.Data());
    }
    CountText(state, s.text.size());
}

} // namespace

BENCHMARK(Assemble)->Unit(benchmark::kMillisecond);
BENCHMARK(Disassemble)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
