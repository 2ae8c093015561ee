// Round trips between the assembler and the disassembler over random streams of the default
// table: canonical streams come back byte for byte; any stream whose text assembles is
// stable after one pass. docs/atom-text-read.md lists what cannot round-trip.
#include "Assembler.h"
#include "Disassembly.h"
#include "RandomStream.h"
#include "TableFile.h"
#include "TestTables.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class RoundTrip : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(LoadAtomTableFile(KEL_DEFAULT_TABLE, table), 0); }

    std::shared_ptr<ZAtomTable> table;

    std::string Disassemble(const ZBuffer& stream) {
        ZString text;
        EXPECT_EQ(DisassembleStream(*table, stream.Data(), stream.Length(), 0, nullptr, text), 0);
        return TextOf(text);
    }
    // The bytes of the text, or its error.
    std::string Assemble(const std::string& text, ZBuffer& out) {
        uint32_t line = 0;
        int32_t code = AssembleStream(*table, text.c_str(), 0, out, line);
        return code ? Fail(code, int32_t(line)) : Hex(out);
    }
};

TEST_F(RoundTrip, CanonicalStreamsComeBackByteForByte) {
    for (uint32_t seed = 1; seed <= 1000; ++seed) {
        ZBuffer stream = RandomStreamMaker(*table, seed).Stream(40);
        std::string text = Disassemble(stream);
        ZBuffer again;
        ASSERT_EQ(Assemble(text, again), Hex(stream)) << "seed " << seed << "\n" << text;
    }
}

// Random arguments for random atoms of class 2 and unknown atoms, each atom kept when its
// text alone assembles: the text of the whole stream assembles and is stable after one pass.
TEST_F(RoundTrip, AnyAssemblableTextIsStableAfterOnePass) {
    std::vector<std::pair<uint16_t, uint16_t>> atoms;
    for (const auto& cls : table->classes) {
        if (cls->number != kDisassemblyClass) continue;
        for (const auto& protocol : cls->protocols)
            for (const auto& atom : protocol->atoms)
                atoms.push_back({protocol->number, atom->number});
    }
    std::mt19937 rng(1);
    for (int round = 0; round < 1000; ++round) {
        ZBuffer stream, one, first, second;
        for (int i = 0; i < 40; ++i) {
            auto [protocol, atom] = atoms[rng() % atoms.size()];
            if (rng() % 20 == 0) protocol = uint16_t(rng() % 128), atom = uint16_t(rng() % 256);
            if (RandomStreamMaker::Reserved(protocol, atom)) continue;
            Bytes8 argument(rng() % 8);
            for (uint8_t& byte : argument)
                byte = uint8_t(rng());
            one.Clear();
            WriteFullAtom(one, protocol, atom, argument.data(), argument.size());
            ZString text;
            if (DisassembleStream(*table, one.Data(), one.Length(), 0, nullptr, text) == 0 &&
                Assemble(TextOf(text), first).find("error") == std::string::npos)
                stream.Append(one.Data(), one.Length());
        }
        std::string text = Disassemble(stream);
        ASSERT_EQ(Assemble(text, first).find("error"), std::string::npos) << round << "\n" << text;
        std::string again = Disassemble(first);
        ASSERT_EQ(Assemble(again, second), Hex(first)) << round << "\n" << again;
        EXPECT_EQ(Disassemble(second), again);
    }
}

// Compact styles come back in Full form.
TEST_F(RoundTrip, CompactStylesComeBackInFullForm) {
    // 63 after 02 01 00; 42 25 (protocol 2 atom 5, the byte 01); a sticky prefix E9 before
    // 08 04 01 05 (protocol 40).
    ZBuffer stream(Unhex("02 01 00 63 42 25 E9 08 04 01 05").data(), 11);
    ZBuffer out;
    EXPECT_EQ(Assemble(Disassemble(stream), out), "02 01 00 02 03 00 02 05 01 01 E8 08 04 01 05");
}

} // namespace
