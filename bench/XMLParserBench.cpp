// Parsing speed of TXMLParser on a typical record source, bytes per second including the
// destruction of the tree. The source is the file named by TARNWICK_XML_SAMPLE, or one
// generated in memory. `--write-sample=FILE [--sample-mb=N]` writes the generated source to
// FILE and exits, so that a peer tool can be timed on the same bytes (bench/xml_parse.sh).

#include "DynamicStream.h"
#include "RecordSource.h"
#include "XMLParser.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

size_t gSampleBytes = 32u << 20;

std::string Sample() {
    if (const char* path = std::getenv("TARNWICK_XML_SAMPLE")) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    return MakeRecordSource(gSampleBytes);
}

void BM_ParseRecordSource(benchmark::State& state) {
    std::string text = Sample();
    LDynamicStream stream;
    stream.WriteOrThrow(text.data(), uint32_t(text.size()));
    for (auto _ : state) {
        stream.Seek(0, seekBegin);
        TXMLParser parser;
        if (parser.Parse(stream) != 0) state.SkipWithError("the sample does not parse");
        benchmark::DoNotOptimize(parser.GetRoot());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_ParseRecordSource)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv) {
    const char* writeTo = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--write-sample=", 15) == 0) writeTo = argv[i] + 15;
        if (std::strncmp(argv[i], "--sample-mb=", 12) == 0)
            gSampleBytes = size_t(std::atoi(argv[i] + 12)) << 20;
    }
    if (writeTo != nullptr) {
        std::ofstream(writeTo, std::ios::binary) << MakeRecordSource(gSampleBytes);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
