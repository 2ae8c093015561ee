#pragma once
// A typical record source for the parser benchmarks: the layout the dump command writes, with
// text, hex-data (with and without a character column), keyed-table and atom-stream records.

#include <cstddef>
#include <cstdint>
#include <string>

// About `bytes` bytes of record source, the same for the same seed.
std::string MakeRecordSource(size_t bytes, uint32_t seed = 1);
