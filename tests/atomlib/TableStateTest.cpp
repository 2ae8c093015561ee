#include "TableState.h"

#include "KelCodes.h"
#include "TableBuilder.h"
#include "TableFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string WriteTemp(const char* name, const std::vector<uint8_t>& bytes) {
    std::string path = testing::TempDir() + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

TEST(TableState, LoadsReleasesAndReportsFailures) {
    TableBuilder t;
    t.Class(2).Protocol(0).Atom(3, "item", 2);
    std::string good = WriteTemp("state_good.kel", WriteAtomTable(*t.table));
    std::string bad = WriteTemp("state_bad.kel", {0x01, 0x00});

    ASSERT_EQ(ZTableState::Load(good.c_str()), kelSuccess);
    EXPECT_TRUE(ZTableState::IsLoaded());
    EXPECT_NE(ZTableState::Root()->FindAtom(2, 0, 3), nullptr);

    EXPECT_EQ(ZTableState::Load(bad.c_str()), kelTableBadFormat);
    EXPECT_FALSE(ZTableState::IsLoaded());
    EXPECT_EQ(ZTableState::Root(), nullptr);

    EXPECT_EQ(ZTableState::Load((testing::TempDir() + "no_such_table.kel").c_str()),
              kelTableOpenFail);
    EXPECT_EQ(ZTableState::Load(testing::TempDir().c_str()), kelTableOpenFail); // a directory
    EXPECT_EQ(ZTableState::Load(nullptr), kelTableOpenFail);

    ASSERT_EQ(ZTableState::Load(good.c_str()), kelSuccess);
    ZTableState::Release();
    EXPECT_FALSE(ZTableState::IsLoaded());
    std::remove(good.c_str());
    std::remove(bad.c_str());
}

} // namespace
