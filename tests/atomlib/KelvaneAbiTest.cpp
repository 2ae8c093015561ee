// The library exports exactly its interface: every internal symbol, the standard library's
// template instantiations included, stays local.
#include "ProcessRunner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>

namespace {

TEST(KelvaneAbi, ExportsExactlyTheInterface) {
    std::string nm = KELVANE_NM;
    if (nm.empty() || !std::filesystem::exists(nm)) GTEST_SKIP() << "nm is not available";
    TProcessResult run = RunProcess(nm, {"-D", "--defined-only", KELVANE_LIBRARY});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::set<std::string> exported;
    std::istringstream lines(run.out);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string address, type, name;
        fields >> address >> type >> name;
        if (!name.empty()) exported.insert(name);
    }
    const std::set<std::string> expected = {
        "KelInitialize",
        "KelTerminate",
        "KelGetVersion",
        "KelGetErrorText",
        "KelAssembleAtomStream",
        "KelAssembleFragment",
        "KelAssembleArgument",
        "KelDisassembleAtomStream",
        "KelDisassembleAtomStreamState",
        "KelDisassembleAtom",
        "KelDisassembleAtomState",
        "KelDisassembleArgument",
        "KelNormalizeAtomStream",
        "KelDoAtomCallbacks",
        "KelLookupAtomEnum",
        "KelGetAtomByName",
        "KelGetAtomName",
        "KelIsValidProtocol",
        "KelEnumAllAtoms",
        "KelFreeState",
        "_Z21KelAssembleAtomStreamRK7ZStringR7ZBufferj",
        "_Z24KelDisassembleAtomStreamRK7ZBufferR7ZStringj",
        "_Z18KelDoAtomCallbacksPFijttPKhtEjRK7ZBufferj",
    };
    EXPECT_EQ(exported, expected);
}

} // namespace
