// Round trips between the assembler and the disassembler over the default table.
// docs/atom-text-read.md lists what cannot round-trip.
#include "AtomText.h"

#include <random>
#include <string>

namespace {

class RoundTrip : public AtomText {
protected:
    void SetUp() override { ASSERT_EQ(LoadAtomTableFile(KEL_DEFAULT_TABLE, table), 0); }
};

// Random arguments for random atoms of class 2 and unknown atoms (no large-atom pieces, 0/4
// to 0/6, and no comments, 51/36), each atom kept when its text alone assembles: the text of
// the whole stream assembles, and is stable after one pass. Compact styles come back in Full
// form.
TEST_F(RoundTrip, AnyAssemblableTextIsStableAfterOnePass) {
    std::vector<std::pair<uint16_t, uint16_t>> atoms;
    for (const auto& cls : table->classes)
        for (const auto& protocol : cls->protocols)
            for (const auto& atom : protocol->atoms)
                if (cls->number == 2) atoms.push_back({protocol->number, atom->number});
    std::mt19937 rng(1);
    for (int round = 0; round < 1000; ++round) {
        StreamBuilder stream;
        for (int i = 0; i < 40; ++i) {
            auto [protocol, atom] = atoms[rng() % atoms.size()];
            if (rng() % 20 == 0) protocol = uint16_t(rng() % 128), atom = uint16_t(rng() % 256);
            if (protocol == 0 ? atom >= 4 && atom <= 6 : protocol == 51 && atom == 36) continue;
            Bytes8 argument(rng() % 8);
            for (uint8_t& byte : argument)
                byte = uint8_t(rng());
            Bytes8 one = StreamBuilder().Atom(protocol, atom, argument).bytes;
            if (Asm(Show(one)).find("error") == std::string::npos)
                stream.bytes.insert(stream.bytes.end(), one.begin(), one.end());
        }
        std::string first = Asm(Show(stream.bytes));
        ASSERT_EQ(first.find("error"), std::string::npos) << Show(stream.bytes);
        std::string again = Show(Unhex(first));
        ASSERT_EQ(Asm(again), first) << round << "\n" << again;
    }
    // 63 after 02 01 00; 42 25 (protocol 2 atom 5, the byte 01); a sticky prefix E9 before
    // 08 04 01 05 (protocol 40).
    EXPECT_EQ(Asm(Show(Unhex("02 01 00 63 42 25 E9 08 04 01 05"))),
              "02 01 00 02 03 00 02 05 01 01 E8 08 04 01 05");
}

} // namespace
