// The dictionary queries, enumeration look-ups and the two callback walks.
#include "KelvaneApi.h"

#include <tuple>

namespace {

class KelvaneDictionary : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(KelInitialize(KEL_DICTIONARY_TABLE), 0); }
    void TearDown() override { KelTerminate(); }
};

TEST_F(KelvaneDictionary, AtomByNameAlwaysReportsClassTwo) {
    KelAtomInfo info = {};
    // "twin" lies first in class 1, protocol 4, and again in class 2.
    ASSERT_EQ(KelGetAtomByName("twin", &info), &info);
    EXPECT_EQ(Field(info.classNumber), 2);
    EXPECT_EQ(Field(info.protocol), 4);
    EXPECT_EQ(Field(info.atom), 7);
    EXPECT_STREQ(Field(info.name), "twin");
    ASSERT_EQ(KelGetAtomByName("", &info), &info); // the atom with the empty name
    EXPECT_EQ(Field(info.protocol), 9);
    EXPECT_EQ(Field(info.atom), 3);
    EXPECT_EQ(Field(info.name), nullptr);
    EXPECT_EQ(KelGetAtomByName("Twin", &info), nullptr); // exact names only
    EXPECT_EQ(Field(info.atom), 3);                      // unchanged
    EXPECT_EQ(KelGetAtomByName(nullptr, &info), nullptr);
    EXPECT_EQ(KelGetAtomByName("twin", nullptr), nullptr);
}

TEST_F(KelvaneDictionary, AtomNamesAndProtocols) {
    EXPECT_STREQ(KelGetAtomName(2, 9, 1), "x");
    EXPECT_STREQ(KelGetAtomName(1, 4, 7), "twin");
    EXPECT_EQ(KelGetAtomName(2, 9, 3), nullptr); // empty name
    EXPECT_EQ(KelGetAtomName(2, 9, 5), nullptr);
    EXPECT_EQ(KelGetAtomName(2, 4, 7), nullptr);
    EXPECT_EQ(KelGetAtomName(3, 9, 1), nullptr);
    EXPECT_EQ(KelIsValidProtocol(2, 12), 1); // a protocol without atoms
    EXPECT_EQ(KelIsValidProtocol(1, 4), 1);
    EXPECT_EQ(KelIsValidProtocol(1, 9), 0);
    EXPECT_EQ(KelIsValidProtocol(5, 0), 0); // a class without protocols
}

using AtomRow = std::tuple<int, int, int, std::string>;
std::vector<AtomRow> gVisited;
int32_t gStopAfter = 0;

int32_t Visit(const KelAtomInfo* info) {
    gVisited.emplace_back(info->classNumber, info->protocol, info->atom,
                          info->name ? info->name : "(null)");
    return int32_t(gVisited.size()) == gStopAfter ? 0 : 1;
}

TEST_F(KelvaneDictionary, EnumAllAtomsVisitsInTableOrderAndStopsOnZero) {
    gVisited.clear();
    gStopAfter = 0;
    EXPECT_EQ(KelEnumAllAtoms(Visit), 1);
    std::vector<AtomRow> expected = {{1, 4, 7, "twin"},
                                     {2, 9, 1, "x"},
                                     {2, 9, 2, "twin"},
                                     {2, 9, 3, "(null)"},
                                     {2, 9, 4, "odd_kind"}};
    EXPECT_EQ(gVisited, expected);
    gVisited.clear();
    gStopAfter = 1;
    EXPECT_EQ(KelEnumAllAtoms(Visit), 0);
    EXPECT_EQ(gVisited.size(), 1u);
    EXPECT_EQ(KelEnumAllAtoms(nullptr), 1);

    KelTerminate();
    ASSERT_EQ(KelInitialize(KEL_EMPTY_TABLE), 0);
    gVisited.clear();
    EXPECT_EQ(KelEnumAllAtoms(Visit), 1);
    EXPECT_TRUE(gVisited.empty());
}

// KelLookupAtomEnum's text, or the code as "#code".
std::string Lookup(const char* atom, uint32_t index, int32_t value) {
    char out[128];
    uint32_t size = sizeof out;
    int result = KelLookupAtomEnum(atom, index, value, out, &size);
    return result == 0 ? std::string(out) : std::string("#").append(std::to_string(result));
}

TEST_F(KelvaneDictionary, EnumerationsRenderAsTheDisassemblerShowsThem) {
    EXPECT_EQ(Lookup("odd_kind", 0, 1), "#23"); // a kind that shows nothing
    EXPECT_EQ(Lookup("x", 0, 1), "#23");        // no enumeration at all
    KelTerminate();
    ASSERT_EQ(KelInitialize(KEL_DEFAULT_TABLE), 0);
    EXPECT_EQ(Lookup("style", 0, 3), "bold | italic");
    EXPECT_EQ(Lookup("style", 0, 0), "plain");
    EXPECT_EQ(Lookup("border", 0, 2), "thick");
    EXPECT_EQ(Lookup("border", 0, 9), "9");
    EXPECT_EQ(Lookup("border", 0, -1), "-1");
    EXPECT_EQ(Lookup("anchor", 0, 0xB), "right | middle");
    EXPECT_EQ(Lookup("anchor", 0, 0), "#23"); // nothing to show
    EXPECT_EQ(Lookup("font", 1, 1), "sans");
    EXPECT_EQ(Lookup("font", 2, 1), "#23"); // a byte component
    EXPECT_EQ(Lookup("font", 3, 1), "heavy");
    EXPECT_EQ(Lookup("font", 4, 1), "#23"); // no such component
    EXPECT_EQ(Lookup("nope", 0, 1), "#10");
    EXPECT_EQ(Lookup(nullptr, 0, 1), "#10");
}

struct Seen {
    uint32_t user;
    int protocol, atom;
    Bytes data;
    bool operator==(const Seen&) const = default;
};
std::vector<Seen> gSeen;
int32_t gCancelAt = 0;

int32_t Collect(uint32_t user, uint16_t protocol, uint16_t atom, const uint8_t* data,
                uint16_t length) {
    gSeen.push_back({user, protocol, atom, Bytes(data, data + length)});
    return int32_t(gSeen.size()) == gCancelAt ? 25 : 0;
}

using KelvaneCallbacks = KelvaneTest;

TEST_F(KelvaneCallbacks, EveryAtomInStreamOrderLargeAtomsJoined) {
    Bytes stream = AssembleText("form_begin\n;note\nsubform <visible <yes>>");
    const Bytes large = {0x00, 0x04, 0x02, 0x02, 0x01, 0x00, 0x05,
                         0x01, 'a',  0x00, 0x06, 0x01, 'b'};
    stream.insert(stream.end(), large.begin(), large.end());
    gSeen.clear();
    gCancelAt = 0;
    EXPECT_EQ(KelDoAtomCallbacks(Collect, 77, stream.data(), uint32_t(stream.size()), 0), 0);
    std::vector<Seen> expected = {{77, 0, 1, {}},
                                  {77, 51, 36, {'n', 'o', 't', 'e'}},
                                  {77, 1, 10, {0x02, 0x03, 0x01, 0x01}}, // not entered
                                  {77, 2, 1, {'a', 'b'}}};
    EXPECT_EQ(gSeen, expected);

    gSeen.clear();
    gCancelAt = 2;
    EXPECT_EQ(KelDoAtomCallbacks(Collect, 0, stream.data(), uint32_t(stream.size()), 0), 25);
    EXPECT_EQ(gSeen.size(), 2u);
    EXPECT_EQ(KelDoAtomCallbacks(nullptr, 0, stream.data(), uint32_t(stream.size()), 0), 0);
}

TEST_F(KelvaneCallbacks, DamagedStreamsAndOverlongAtomsEndTheWalk) {
    gSeen.clear();
    gCancelAt = 0;
    const Bytes cut = {0x00, 0x01, 0x00, 0x02, 0x01, 0x05, 'a'};
    EXPECT_EQ(KelDoAtomCallbacks(Collect, 0, cut.data(), uint32_t(cut.size()), 0), 11);
    EXPECT_EQ(gSeen.size(), 1u);
    // A large atom of 3 x 30000 bytes cannot be handed over with a 16-bit length.
    Bytes large = {0x00, 0x04, 0x02, 0x02, 0x01};
    for (uint8_t piece : {0x05, 0x05, 0x06}) {
        const Bytes header = {0x00, piece, 0x80 | (30000 >> 8), 30000 & 0xFF};
        large.insert(large.end(), header.begin(), header.end());
        large.insert(large.end(), 30000, 'z');
    }
    gSeen.clear();
    EXPECT_EQ(KelDoAtomCallbacks(Collect, 0, large.data(), uint32_t(large.size()), 0), 24);
    EXPECT_TRUE(gSeen.empty());
}

} // namespace
