// The callback walk, and damaged streams and tables through every entry point.
#include "Disassembly.h"

#include "KelCodes.h"
#include "KelFlags.h"
#include "ShowTable.h"
#include "StreamBuilder.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

struct Visit {
    uint32_t user;
    uint16_t protocol;
    uint16_t atom;
    Bytes8 argument;
    bool operator==(const Visit&) const = default;
};

std::vector<Visit>* gVisits = nullptr;
int32_t gStopAt = -1; // the number of the visit whose callback returns 25

int32_t Record(uint32_t user, uint16_t protocol, uint16_t atom, const uint8_t* data,
               uint16_t length) {
    gVisits->push_back({user, protocol, atom, Bytes8(data, data + length)});
    return int32_t(gVisits->size()) == gStopAt ? kelCallbackCanceled : 0;
}

class Callbacks : public ::testing::Test {
protected:
    std::vector<Visit> visits;
    void SetUp() override {
        gVisits = &visits;
        gStopAt = -1;
    }
    int32_t Walk(const Bytes8& stream, uint32_t flags = 0) {
        return DoAtomCallbacks(Record, 1234, stream.data(), stream.size(), flags);
    }
};

TEST_F(Callbacks, VisitEveryAtomInOrderWithLargeAtomsJoinedAndNestedStreamsWhole) {
    Bytes8 inner = StreamBuilder().Atom(1, 2, {7}).bytes;
    Bytes8 stream = StreamBuilder()
                        .Atom(1, 2, {5})
                        .Text(51, 36, "x")
                        .Atom(0, 4, {1, 2})
                        .Atom(0, 5, {9})
                        .Atom(0, 6, {8})
                        .Atom(1, 4, inner)
                        .Atom(99, 1)
                        .bytes;
    const std::vector<Visit> expected = {{1234, 1, 2, {5}},
                                         {1234, 51, 36, {'x'}},
                                         {1234, 1, 2, {9, 8}},
                                         {1234, 1, 4, inner},
                                         {1234, 99, 1, {}}};
    EXPECT_EQ(Walk(stream), 0);
    EXPECT_EQ(visits, expected);
    // Flag 0x04 does not turn the walk into normalisation; comments are only text.
    visits.clear();
    EXPECT_EQ(Walk(stream, kelFlagNormalize | kelFlagDecodingComments), 0);
    EXPECT_EQ(visits, expected);
}

TEST_F(Callbacks, AnyNonzeroResultEndsTheWalk) {
    gStopAt = 2;
    Bytes8 stream = StreamBuilder().Atom(1, 1).Atom(1, 2).Atom(1, 3).bytes;
    EXPECT_EQ(Walk(stream), kelCallbackCanceled);
    EXPECT_EQ(visits.size(), 2u);
    EXPECT_EQ(DoAtomCallbacks(nullptr, 0, stream.data(), stream.size(), 0), 0);
    EXPECT_EQ(Walk({0x01, 0x01}), kelBadFormat);
}

TEST_F(Callbacks, AJoinedAtomLongerThanTheCallbackCanTakeIsRefused) {
    StreamBuilder b;
    b.Atom(0, 4, {1, 2});
    for (int i = 0; i < 2; ++i)
        b.Atom(0, 5, Bytes8(30000, 1));
    b.Atom(0, 6, Bytes8(5535, 1));
    EXPECT_EQ(Walk(b.bytes), 0); // exactly 65535 bytes
    EXPECT_EQ(visits.at(0).argument.size(), 65535u);
    b.Atom(0, 4, {1, 2}).Atom(0, 5, Bytes8(30000, 1)).Atom(0, 5, Bytes8(30000, 1));
    b.Atom(0, 6, Bytes8(5536, 1));
    EXPECT_EQ(Walk(b.bytes), kelValueTooLarge);
}

TEST(DisassemblyDamage, EveryCutAndEveryByteValueEndsInACode) {
    auto table = ShowTable();
    Bytes8 inner = StreamBuilder().Atom(1, 9, {0x49}).Atom(0, 22, {1, 4}).Text(1, 5, "q").bytes;
    Bytes8 stream = StreamBuilder()
                        .Atom(1, 1)
                        .Atom(1, 17, {1, 12, 3})
                        .Atom(1, 15, {0, 0x35})
                        .Atom(1, 12, Bytes8{6, 'a'})
                        .Atom(1, 24, inner)
                        .Atom(0, 4, {1, 14})
                        .Atom(0, 6, {1, 2, 3})
                        .Text(40, 3, "x")
                        .Atom(1, 11, {1, 7})
                        .Atom(1, 3)
                        .bytes;
    const uint32_t flagSets[] = {0, kelFlagAlternateSyntax | kelFlagDecodingComments,
                                 kelFlagShortRawDump | kelFlagSingleAtom};
    auto check = [&](const Bytes8& bytes) {
        for (uint32_t flags : flagSets) {
            ZString out;
            ZDisassemblyState state;
            int32_t result =
                DisassembleStream(*table, bytes.data(), bytes.size(), flags, &state, out);
            ASSERT_TRUE(result == 0 || result == kelBadFormat || result == kelBadOrientationFormat)
                << result;
        }
    };
    for (size_t n = 0; n <= stream.size(); ++n)
        check(Bytes8(stream.begin(), stream.begin() + n));
    for (size_t i = 0; i < stream.size(); ++i)
        for (int value = 0; value < 256; ++value) {
            Bytes8 damaged = stream;
            damaged[i] = uint8_t(value);
            check(damaged);
        }
}

TEST(DisassemblyDamage, RandomTablesAndRandomStreamsEndInACode) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 300; ++round) {
        auto table = RandomTable(rng);
        Bytes8 stream(rng() % 200);
        for (uint8_t& b : stream)
            b = uint8_t(rng());
        // Mostly atoms the table knows, with random arguments.
        StreamBuilder b;
        for (const auto& cls : table->classes)
            for (const auto& protocol : cls->protocols)
                for (const auto& atom : protocol->atoms) {
                    Bytes8 argument(rng() % 12);
                    for (uint8_t& x : argument)
                        x = uint8_t(rng());
                    b.Atom(protocol->number, atom->number, argument);
                }
        for (const Bytes8* bytes : {&stream, &b.bytes})
            for (uint32_t flags : {0u, 0x40u, 0x31u}) {
                ZString out;
                int32_t result =
                    DisassembleStream(*table, bytes->data(), bytes->size(), flags, nullptr, out);
                ASSERT_TRUE(result == 0 || result == kelBadFormat ||
                            result == kelBadOrientationFormat)
                    << result;
                for (uint16_t format = 0; format < 30; ++format)
                    DisassembleArgument(*table, format, bytes->data(), bytes->size(), flags, out);
            }
    }
}

} // namespace
