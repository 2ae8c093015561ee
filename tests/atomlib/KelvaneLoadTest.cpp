// Load, unload, version and error texts of the exported interface.
#include "KelvaneApi.h"
#include "ProcessRunner.h"
#include "TempDirectory.h"

#include <climits>
#include <filesystem>
#include <fstream>

namespace {

TEST(KelvaneTexts, VersionAndEveryErrorText) {
    EXPECT_STREQ(KelGetVersion(), "KEL Build 8");
    const char* texts[] = {
        "Peachy!",
        "Table File Open Fail",
        "Table File Bad Format",
        "Not Implemented",
        "Buffer Too Small",
        "Out of Memory",
        "Missing Quote",
        "Missing Open Bracket",
        "Missing Close Bracket",
        "Missing Comma",
        "Unrecognized Atom",
        "Bad Format",
        "Bad Boolean Format",
        "Bad Orientation Format",
        "Bad Object Name Format",
        "Bad Alert Name Format",
        "Bad Number Format",
        "Bad Letter Format",
        "Bad Token Format",
        "Bad String Format",
        "Bad Global ID Format",
        "Bad Byte Format",
        "Bad Hex Format",
        "Unrecognized Enum",
        "Value Too Large",
        "Callback Canceled",
        "Bad Escape Sequence",
        "The stream is too large to disassemble.",
        "Mismatched text type",
    };
    for (int code = 0; code <= 28; ++code)
        EXPECT_STREQ(KelGetErrorText(code), texts[code]) << code;
    EXPECT_STREQ(KelGetErrorText(-1), "Failed to assemble QDF.  Line ");
    EXPECT_STREQ(KelGetErrorText(-2), "Failed to disassemble QDF: ");
    for (int code : {29, 99, -3, -50, -100, INT_MAX, INT_MIN})
        EXPECT_STREQ(KelGetErrorText(code), "Invalid Error Number") << code;
}

TEST(KelvaneTexts, OneBufferOverwrittenByTheNextCall) {
    const char* first = KelGetErrorText(0);
    const char* second = KelGetErrorText(1);
    EXPECT_EQ(first, second);
    EXPECT_STREQ(first, "Table File Open Fail");
}

using KelvaneLoad = KelvaneTest;

TEST_F(KelvaneLoad, SecondInitializeKeepsTheFirstTable) {
    EXPECT_EQ(KelInitialize(KEL_DICTIONARY_TABLE), 0);
    EXPECT_EQ(KelInitialize("/no/such/table.kel"), 0); // nothing is read at all
    EXPECT_STREQ(KelGetAtomName(2, 2, 1), "label");
    EXPECT_EQ(KelGetAtomName(2, 9, 1), nullptr); // the dictionary table's "x"
}

TEST_F(KelvaneLoad, FailedLoadsLeaveNoTableAndAreTriedAgain) {
    TTempDirectory temp;
    std::string bad = temp.Path() + "bad.kel";
    std::ofstream(bad, std::ios::binary) << "not a table";
    KelTerminate();
    EXPECT_EQ(KelInitialize((temp.Path() + "missing.kel").c_str()), 1);
    EXPECT_EQ(KelInitialize(temp.Path().c_str()), 1); // a directory
    EXPECT_EQ(KelInitialize(bad.c_str()), 2);
    EXPECT_EQ(KelGetAtomName(2, 2, 1), nullptr);
    EXPECT_EQ(KelInitialize(KEL_DICTIONARY_TABLE), 0);
    EXPECT_STREQ(KelGetAtomName(2, 9, 1), "x");
}

TEST_F(KelvaneLoad, TerminateUnloadsAndTheNextConversionLoadsTheDefault) {
    EXPECT_EQ(KelTerminate(), 0);
    EXPECT_EQ(KelTerminate(), 0);
    EXPECT_EQ(KelGetAtomName(2, 2, 1), nullptr);
    // The default table path is the current directory at load time (its atoms.kel is a copy
    // of the default table), so a change of directory afterwards does not move it.
    TTempDirectory elsewhere;
    std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.Path());
    Bytes stream = AssembleText("label <\"hi\">");
    std::filesystem::current_path(saved);
    EXPECT_EQ(stream, (Bytes{0x02, 0x01, 0x02, 'h', 'i'}));
    EXPECT_STREQ(KelGetAtomName(2, 2, 1), "label");
}

TEST_F(KelvaneLoad, DictionaryQueriesWithoutATableGiveEmptyResults) {
    KelTerminate();
    KelAtomInfo info = {7, 7, 7, nullptr};
    EXPECT_EQ(KelGetAtomByName("label", &info), nullptr);
    EXPECT_EQ(Field(info.classNumber), 7);
    EXPECT_EQ(KelGetAtomName(2, 2, 1), nullptr);
    EXPECT_EQ(KelIsValidProtocol(2, 2), 0);
    EXPECT_EQ(KelEnumAllAtoms([](const KelAtomInfo*) -> int32_t { return 0; }), 1);
    EXPECT_EQ(KelGetAtomName(2, 2, 1), nullptr); // none of them loaded a table
}

TEST_F(KelvaneLoad, EveryConversionLoadsLazily) {
    uint8_t stream[] = {0x02, 0x01, 0x00};
    uint8_t bytes[16];
    char text[64];
    uint32_t size;
    auto reset = [&] {
        KelTerminate();
        size = 16;
    };
    reset();
    EXPECT_EQ(KelDisassembleAtomStream(stream, 3, 0, text, &size), 0);
    reset();
    EXPECT_EQ(KelDisassembleAtom(2, 1, nullptr, 0, 0, nullptr, text, &size), 0);
    reset();
    EXPECT_EQ(KelDisassembleArgument(2, stream, 1, 0, text, &size), 0);
    reset();
    EXPECT_EQ(KelNormalizeAtomStream(stream, 3, bytes, &size), 0);
    reset();
    EXPECT_EQ(KelAssembleArgument(2, "5", 0, bytes, &size), 0);
    reset();
    EXPECT_EQ(KelLookupAtomEnum("border", 0, 1, text, &size), 0);
    reset();
    EXPECT_EQ(KelDoAtomCallbacks(nullptr, 0, stream, 3, 0), 0);
    EXPECT_STREQ(KelGetAtomName(2, 2, 1), "label");
}

} // namespace
