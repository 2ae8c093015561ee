// Round trips between the assembler and the disassembler over random streams of the default
// table: canonical streams come back byte for byte; any stream whose text assembles is
// stable after one pass. docs/atom-text-read.md lists what cannot round-trip.
#include "AssemblerFixture.h"
#include "Disassembly.h"
#include "KelCodes.h"
#include "RandomStream.h"
#include "TableFile.h"

#include <string>

namespace {

class RoundTrip : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(LoadAtomTableFile(KEL_DEFAULT_TABLE, table), 0); }

    std::shared_ptr<ZAtomTable> table;

    std::string Disassemble(const ZBuffer& stream) {
        ZString text;
        EXPECT_EQ(DisassembleStream(*table, stream.Data(), stream.Length(), 0, nullptr, text), 0);
        return std::string(text.Text(), text.Length());
    }
    int32_t Assemble(const std::string& text, ZBuffer& out) {
        uint32_t line = 0;
        return AssemblyResult(AssembleStream(*table, text.c_str(), 0, out, line), line);
    }
};

TEST_F(RoundTrip, CanonicalStreamsComeBackByteForByte) {
    for (uint32_t seed = 1; seed <= 1000; ++seed) {
        RandomStreamMaker maker(*table, seed, false);
        ZBuffer stream = maker.Stream(40);
        std::string text = Disassemble(stream);
        ZBuffer again;
        ASSERT_EQ(Assemble(text, again), 0) << "seed " << seed << "\n" << text;
        ASSERT_EQ(Of(again), Of(stream)) << "seed " << seed << "\n" << text;
    }
}

TEST_F(RoundTrip, CompactStylesComeBackInFullForm) {
    // 63 (atom 3 of the current protocol) after 02 01 00 (protocol 2 atom 1, no argument),
    // 42 25 (protocol 2 atom 5, the byte 01), a sticky prefix E9 and 08 04 01 05 (protocol 40).
    const uint8_t compact[] = {0x02, 0x01, 0x00, 0x63, 0x42, 0x25, 0xE9, 0x08, 0x04, 0x01, 0x05};
    ZBuffer stream(compact, sizeof compact);
    ZBuffer normalized;
    ASSERT_EQ(NormalizeAtomStream(stream.Data(), stream.Length(), normalized), 0);
    ZBuffer again;
    ASSERT_EQ(Assemble(Disassemble(stream), again), 0);
    EXPECT_EQ(Of(again), Of(normalized));
}

TEST_F(RoundTrip, AnyAssemblableTextIsStableAfterOnePass) {
    for (uint32_t seed = 1; seed <= 1000; ++seed) {
        RandomStreamMaker maker(*table, seed, true);
        std::string text = Disassemble(maker.Stream(40));
        ZBuffer first;
        ASSERT_EQ(Assemble(text, first), 0) << "seed " << seed << "\n" << text;
        std::string again = Disassemble(first);
        ZBuffer second;
        ASSERT_EQ(Assemble(again, second), 0) << "seed " << seed << "\n" << again;
        ASSERT_EQ(Of(second), Of(first)) << "seed " << seed << "\n" << again;
        EXPECT_EQ(Disassemble(second), again);
    }
}

// Values whose text the assembler reads differently, pinned so that a change shows.
TEST_F(RoundTrip, KnownLosses) {
    auto trip = [&](uint8_t protocol, uint8_t atom, Bytes8 argument) {
        ZBuffer stream;
        WriteFullAtom(stream, protocol, atom, argument.data(), argument.size());
        std::string text = Disassemble(stream);
        ZBuffer out;
        int32_t code = Assemble(text, out);
        return code ? Bytes8{uint8_t(code)} : Bytes8(out.Data() + 3, out.Data() + out.Length());
    };
    EXPECT_EQ(trip(2, 5, {0xFF, 0xFF, 0xFF, 0xFF}), Bytes8{kelBadNumberFormat}) << "-1";
    EXPECT_EQ(trip(2, 14, {0x80, 0, 0, 0}), Bytes8{kelBadNumberFormat}) << "dword top bit";
    EXPECT_EQ(trip(2, 5, {0x00, 0x05}), Bytes8{0x05}) << "non-compact number";
    EXPECT_EQ(trip(2, 3, {0x02}), Bytes8{0x01}) << "boolean 02 shows yes";
    EXPECT_EQ(trip(0, 3, {0x00, 0x01, 0x02}), (Bytes8{0x01, 0x02})) << "global id 0-258";
    EXPECT_EQ(trip(3, 3, {0x0B, 'a'}), (Bytes8{0x00, 'a'})) << "alert 11 shows ?";
    EXPECT_EQ(trip(1, 9, {0x00, 0x10}), Bytes8{0x10}) << "masked value as a bare number";
}

} // namespace
