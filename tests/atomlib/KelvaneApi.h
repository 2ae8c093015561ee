#pragma once
// Helpers for the tests of the exported interface. They use kelvane.h only, as an outside
// program would, and report failures through GoogleTest.

#include "kelvane.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Assembles `text`; empty on failure.
inline Bytes AssembleText(const char* text, int flags = 0) {
    Bytes out(65536);
    uint32_t size = uint32_t(out.size());
    int result = KelAssembleAtomStream(text, flags, out.data(), &size);
    EXPECT_EQ(result, 0) << "assembling " << text;
    out.resize(result == 0 ? size : 0);
    return out;
}

// Disassembles `stream`; the text without its terminator, or "#" and the result code.
inline std::string DisassembleBytes(const Bytes& stream, int flags = 0) {
    std::vector<char> out(65536);
    uint32_t size = uint32_t(out.size());
    int result =
        KelDisassembleAtomStream(stream.data(), uint32_t(stream.size()), flags, out.data(), &size);
    if (result) return "#" + std::to_string(result);
    return size > 0 ? std::string(out.data(), size - 1) : std::string();
}

// Starts each test with the default table loaded and ends it with the library terminated.
class KelvaneTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(KelInitialize(KEL_DEFAULT_TABLE), 0); }
    void TearDown() override { KelTerminate(); }
};
