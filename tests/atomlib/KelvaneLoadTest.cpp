// The exported interface: the export list, version and error texts, loading and unloading
// the table, and the dictionary queries.
#include "KelvaneApi.h"
#include "ProcessRunner.h"
#include "TempDirectory.h"

#include <climits>
#include <filesystem>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>
#include <tuple>

namespace {

// Every internal symbol, the standard library's template instantiations included, stays local;
// every export carries the version node KELVANE_1 (listed itself as an absolute symbol).
TEST(KelvaneAbi, ExportsExactlyTheInterface) {
    std::string nm = KELVANE_NM;
    if (nm.empty() || !std::filesystem::exists(nm)) GTEST_SKIP() << "nm is not available";
    TProcessResult run = RunProcess(nm, {"-D", "--defined-only", KELVANE_LIBRARY});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::set<std::string> exported;
    std::istringstream lines(run.out);
    for (std::string address, type, name; lines >> address >> type >> name;) {
        if (type == "A" && name == "KELVANE_1") continue;
        EXPECT_TRUE(name.ends_with("@@KELVANE_1")) << name;
        exported.insert(name.substr(0, name.find('@')));
    }
    std::istringstream names(
        "KelInitialize KelTerminate KelGetVersion KelGetErrorText KelAssembleAtomStream "
        "KelAssembleFragment KelAssembleArgument KelDisassembleAtomStream "
        "KelDisassembleAtomStreamState KelDisassembleAtom KelDisassembleAtomState "
        "KelDisassembleArgument KelNormalizeAtomStream KelDoAtomCallbacks KelLookupAtomEnum "
        "KelGetAtomByName KelGetAtomName KelIsValidProtocol KelEnumAllAtoms KelFreeState "
        "_Z21KelAssembleAtomStreamRK7ZStringR7ZBufferj "
        "_Z24KelDisassembleAtomStreamRK7ZBufferR7ZStringj "
        "_Z18KelDoAtomCallbacksPFijttPKhtEjRK7ZBufferj");
    const std::set<std::string> expected{std::istream_iterator<std::string>(names), {}};
    EXPECT_EQ(exported, expected);
}

TEST(KelvaneTexts, VersionAndEveryErrorTextInOneBuffer) {
    EXPECT_STREQ(KelGetVersion(), "KEL Build 8");
    std::istringstream texts(
        "Peachy!|Table File Open Fail|Table File Bad Format|Not Implemented|Buffer Too Small|"
        "Out of Memory|Missing Quote|Missing Open Bracket|Missing Close Bracket|Missing Comma|"
        "Unrecognized Atom|Bad Format|Bad Boolean Format|Bad Orientation Format|"
        "Bad Object Name Format|Bad Alert Name Format|Bad Number Format|Bad Letter Format|"
        "Bad Token Format|Bad String Format|Bad Global ID Format|Bad Byte Format|Bad Hex Format|"
        "Unrecognized Enum|Value Too Large|Callback Canceled|Bad Escape Sequence|"
        "The stream is too large to disassemble.|Mismatched text type|");
    int code = 0;
    for (std::string text; std::getline(texts, text, '|'); ++code)
        EXPECT_STREQ(KelGetErrorText(code), text.c_str()) << code;
    EXPECT_EQ(code, 29);
    EXPECT_STREQ(KelGetErrorText(-1), "Failed to assemble QDF.  Line ");
    EXPECT_STREQ(KelGetErrorText(-2), "Failed to disassemble QDF: ");
    for (int invalid : {29, 99, -3, INT_MAX, INT_MIN})
        EXPECT_STREQ(KelGetErrorText(invalid), "Invalid Error Number") << invalid;
    EXPECT_EQ(KelGetErrorText(0), KelGetErrorText(1)); // the next call overwrites the text
}

using KelvaneLoad = KelvaneTest;

TEST_F(KelvaneLoad, SecondInitializeKeepsTheFirstTableAndFailedLoadsAreTriedAgain) {
    EXPECT_EQ(KelInitialize("/no/such/table.kel"), 0); // nothing is read at all
    EXPECT_STREQ(KelGetAtomName(2, 2, 1), "label");
    KelTerminate();
    TTempDirectory temp;
    WriteBytes(temp / "bad.kel", {'n', 'o', 't'});
    EXPECT_EQ(KelInitialize((temp / "missing.kel").c_str()), 1);
    EXPECT_EQ(KelInitialize(temp.Path().c_str()), 1); // a directory
    EXPECT_EQ(KelInitialize((temp / "bad.kel").c_str()), 2);
    EXPECT_EQ(KelGetAtomName(2, 2, 1), nullptr);
    EXPECT_EQ(KelInitialize(KEL_DICTIONARY_TABLE), 0);
    EXPECT_STREQ(KelGetAtomName(2, 9, 1), "x");
}

TEST_F(KelvaneLoad, DictionaryQueriesUseOnlyALoadedTable) {
    EXPECT_EQ(KelTerminate(), 0);
    EXPECT_EQ(KelTerminate(), 0);
    KelAtomInfo info = {7, 7, 7, nullptr};
    EXPECT_EQ(KelGetAtomByName("label", &info), nullptr);
    EXPECT_EQ(Field(info.classNumber), 7);
    EXPECT_EQ(KelIsValidProtocol(2, 2), 0);
    EXPECT_EQ(KelEnumAllAtoms([](const KelAtomInfo*) -> int32_t { return 0; }), 1);
    EXPECT_EQ(KelGetAtomName(2, 2, 1), nullptr); // none of them loaded a table
}

// Each conversion loads the default table path, fixed when the library was loaded (the test's
// directory, whose atoms.kel is the default table): a later change of directory does not
// move it.
TEST_F(KelvaneLoad, EveryConversionLoadsTheDefaultTableLazily) {
    const uint8_t stream[] = {0x02, 0x01, 0x00};
    uint8_t bytes[16];
    char text[64];
    const std::function<int(uint32_t*)> conversions[] = {
        [&](uint32_t* size) { return KelDisassembleAtomStream(stream, 3, 0, text, size); },
        [&](uint32_t* size) {
            return KelDisassembleAtom(2, 1, nullptr, 0, 0, nullptr, text, size);
        },
        [&](uint32_t* size) { return KelDisassembleArgument(2, stream, 1, 0, text, size); },
        [&](uint32_t* size) { return KelNormalizeAtomStream(stream, 3, bytes, size); },
        [&](uint32_t* size) { return KelAssembleArgument(2, "5", 0, bytes, size); },
        [&](uint32_t* size) { return KelLookupAtomEnum("border", 0, 1, text, size); },
        [&](uint32_t*) { return KelDoAtomCallbacks(nullptr, 0, stream, 3, 0); },
        [&](uint32_t* size) { return KelAssembleAtomStream("label <\"hi\">", 0, bytes, size); }};
    TTempDirectory elsewhere;
    TCurrentDirectoryGuard guard(elsewhere.Path());
    for (const auto& conversion : conversions) {
        KelTerminate();
        uint32_t size = 16;
        EXPECT_EQ(conversion(&size), 0);
        EXPECT_STREQ(KelGetAtomName(2, 2, 1), "label");
    }
}

class KelvaneDictionary : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(KelInitialize(KEL_DICTIONARY_TABLE), 0); }
    void TearDown() override { KelTerminate(); }
};

TEST_F(KelvaneDictionary, AtomsByNameAndNumber) {
    KelAtomInfo info = {};
    // "twin" lies first in class 1, protocol 4, and again in class 2: class 2 is reported.
    ASSERT_EQ(KelGetAtomByName("twin", &info), &info);
    EXPECT_EQ(std::tuple(Field(info.classNumber), Field(info.protocol), Field(info.atom)),
              std::tuple(2, 4, 7));
    EXPECT_STREQ(Field(info.name), "twin");
    ASSERT_EQ(KelGetAtomByName("", &info), &info); // the atom with the empty name
    EXPECT_EQ(std::tuple(Field(info.protocol), Field(info.atom)), std::tuple(9, 3));
    EXPECT_EQ(Field(info.name), nullptr);
    EXPECT_EQ(KelGetAtomByName("Twin", &info), nullptr); // exact names only
    EXPECT_EQ(Field(info.atom), 3);                      // unchanged
    EXPECT_EQ(KelGetAtomByName(nullptr, &info), nullptr);
    EXPECT_EQ(KelGetAtomByName("twin", nullptr), nullptr);
    EXPECT_STREQ(KelGetAtomName(2, 9, 1), "x");
    EXPECT_STREQ(KelGetAtomName(1, 4, 7), "twin");
    for (auto [cls, protocol, atom] : {std::tuple(2, 9, 3), {2, 9, 5}, {2, 4, 7}, {3, 9, 1}})
        EXPECT_EQ(KelGetAtomName(cls, protocol, atom), nullptr) << cls << protocol << atom;
    EXPECT_EQ(KelIsValidProtocol(2, 12), 1); // a protocol without atoms
    EXPECT_EQ(KelIsValidProtocol(1, 4), 1);
    EXPECT_EQ(KelIsValidProtocol(1, 9), 0);
    EXPECT_EQ(KelIsValidProtocol(5, 0), 0); // a class without protocols
}

std::vector<std::tuple<int, int, int, std::string>> gVisited;
size_t gStopAfter = 0;

int32_t Visit(const KelAtomInfo* info) {
    gVisited.emplace_back(info->classNumber, info->protocol, info->atom,
                          info->name ? info->name : "(null)");
    return gVisited.size() == gStopAfter ? 0 : 1;
}

TEST_F(KelvaneDictionary, EnumAllAtomsVisitsInTableOrderAndStopsOnZero) {
    gVisited.clear();
    EXPECT_EQ(KelEnumAllAtoms(Visit), 1);
    const decltype(gVisited) expected = {{1, 4, 7, "twin"},
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
    EXPECT_EQ(KelEnumAllAtoms(Visit), 1); // a table without classes
    EXPECT_EQ(gVisited.size(), 1u);
}

// KelLookupAtomEnum's text, or "#" and the code.
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
    const std::tuple<const char*, uint32_t, int32_t, const char*> cases[] = {
        {"style", 0, 3, "bold | italic"},
        {"style", 0, 0, "plain"},
        {"border", 0, 2, "thick"},
        {"border", 0, 9, "9"},
        {"border", 0, -1, "-1"},
        {"anchor", 0, 0xB, "right | middle"},
        {"anchor", 0, 0, "#23"},
        {"font", 1, 1, "sans"},
        {"font", 2, 1, "#23"},
        {"font", 3, 1, "heavy"},
        {"font", 4, 1, "#23"},
        {"nope", 0, 1, "#10"},
        {nullptr, 0, 1, "#10"}};
    for (const auto& [atom, index, value, expected] : cases)
        EXPECT_EQ(Lookup(atom, index, value), expected) << (atom ? atom : "null") << index;
}

} // namespace
