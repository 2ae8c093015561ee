#include "FilePath.h"
#include "Exception.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <string>

namespace {

uint32_t MakeUniqueCode(TFilePath& path, bool withHash) {
    try {
        path.MakeUnique(withHash);
    } catch (const TTolvException& e) {
        return e.code;
    }
    return 0;
}

} // namespace

TEST(FilePath, SplitsAFullPathAfterTheLastSlash) {
    TFilePath path("/data/games/main.adb");
    EXPECT_EQ(path.GetFullPath(), "/data/games/main.adb");
    EXPECT_EQ(path.GetDirectory(), "/data/games/");
    EXPECT_EQ(path.GetFileName(), "main.adb");

    TFilePath root("/x");
    EXPECT_EQ(root.GetDirectory(), "/");
    EXPECT_EQ(root.GetFileName(), "x");
}

TEST(FilePath, MakesRelativePathsFullAgainstTheCurrentDirectory) {
    TTempDirectory dir;
    TCurrentDirectoryGuard cwd(dir.Path());
    TFilePath path("sub/../a/./b.txt");
    EXPECT_EQ(path.GetFullPath(), dir / "a/b.txt");
    EXPECT_EQ(path.GetFileName(), "b.txt");
    EXPECT_EQ(path.GetDirectory(), dir / "a/");

    EXPECT_EQ(TFilePath("plain").GetFullPath(), dir / "plain");
    EXPECT_EQ(TFilePath("//x///y").GetFullPath(), "/x/y");
    EXPECT_EQ(TFilePath("/../../x").GetFullPath(), "/x"); // nothing above the root
    // The value is fixed when it is made: a later change of directory does not move it.
    TFilePath fixed("later.txt");
    TCurrentDirectoryGuard elsewhere("/");
    EXPECT_EQ(fixed.GetFullPath(), dir / "later.txt");
}

TEST(FilePath, ATrailingSlashLeavesAnEmptyFileName) {
    TFilePath path("/data/games/");
    EXPECT_EQ(path.GetFileName(), "");
    EXPECT_EQ(path.GetDirectory(), "/data/games/");
    TFilePath root("/");
    EXPECT_EQ(root.GetFullPath(), "/");
    EXPECT_EQ(root.GetFileName(), "");
}

TEST(FilePath, EmptyAndOverlongPathsGiveAnEmptyValue) {
    TFilePath empty("");
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(empty.GetDirectory(), "");
    EXPECT_EQ(empty.GetFileName(), "");
    EXPECT_FALSE(empty.Exists());
    EXPECT_TRUE(TFilePath(static_cast<const char*>(nullptr)).IsEmpty());

    const std::string fits = "/" + std::string(1022, 'a'); // 1023 bytes: the limit
    EXPECT_EQ(TFilePath(fits).GetFullPath(), fits);
    EXPECT_TRUE(TFilePath(fits + "a").IsEmpty());
    TFilePath reused("/a/b");
    reused.SetPath(fits + "a");
    EXPECT_TRUE(reused.IsEmpty());
    EXPECT_EQ(reused.GetFileName(), "");
}

TEST(FilePath, SetFileNameKeepsTheDirectory) {
    TFilePath path("/data/main.adb");
    path.SetFileName("other");
    EXPECT_EQ(path.GetFullPath(), "/data/other");
    EXPECT_EQ(path.GetFileName(), "other");
    path.SetFileName("");
    EXPECT_EQ(path.GetFullPath(), "/data/");
    TFilePath copy = path;
    copy.SetFileName("c");
    EXPECT_EQ(path.GetFullPath(), "/data/");
    EXPECT_EQ(copy.GetFullPath(), "/data/c");
}

TEST(FilePath, ExistsAndDelete) {
    TTempDirectory dir;
    TFilePath file(dir / "f.txt");
    EXPECT_FALSE(file.Exists());
    EXPECT_FALSE(file.Delete());
    WriteBytes(file.GetFullPath(), {1, 2, 3});
    EXPECT_TRUE(file.Exists());
    EXPECT_TRUE(TFilePath(dir.Path()).Exists());  // directories exist too
    EXPECT_FALSE(TFilePath(dir.Path()).Delete()); // but are not deleted as files
    EXPECT_TRUE(file.Delete());
    EXPECT_FALSE(file.Exists());
}

TEST(FilePath, MakeUniqueLeavesAMissingPathAlone) {
    TTempDirectory dir;
    TFilePath path(dir / "main.adb");
    path.MakeUnique(true);
    EXPECT_EQ(path.GetFullPath(), dir / "main.adb");
}

TEST(FilePath, MakeUniquePicksTheFirstFreeNumber) {
    TTempDirectory dir;
    WriteBytes(dir / "main.adb", {});
    WriteBytes(dir / "main#1.adb", {});
    TFilePath path(dir / "main.adb");
    path.MakeUnique(true);
    EXPECT_EQ(path.GetFullPath(), dir / "main#2.adb");

    WriteBytes(dir / "data", {});
    WriteBytes(dir / "data1", {});
    TFilePath bare(dir / "data");
    bare.MakeUnique(false);
    EXPECT_EQ(bare.GetFileName(), "data2");

    // Only the last dot starts the extension.
    WriteBytes(dir / "a.b.c", {});
    TFilePath dotted(dir / "a.b.c");
    dotted.MakeUnique(true);
    EXPECT_EQ(dotted.GetFileName(), "a.b#1.c");
}

TEST(FilePath, MakeUniqueTriesAtMost999Names) {
    TTempDirectory dir;
    WriteBytes(dir / "a.txt", {});
    for (int n = 1; n <= 998; ++n)
        WriteBytes(dir / ("a#" + std::to_string(n) + ".txt"), {});
    TFilePath path(dir / "a.txt");
    path.MakeUnique(true);
    EXPECT_EQ(path.GetFileName(), "a#999.txt");

    WriteBytes(dir / "a#999.txt", {});
    TFilePath full(dir / "a.txt");
    EXPECT_EQ(MakeUniqueCode(full, true), errNoUniqueName);
    EXPECT_EQ(full.GetFileName(), "a.txt"); // unchanged on failure
    EXPECT_FALSE(TFilePath(dir / "a#1000.txt").Exists());
}

TEST(FilePath, MakeUniqueCutsTheBaseToKeepNamesWithin256Bytes) {
    TTempDirectory dir;
    const std::string base(250, 'n');
    WriteBytes(dir / (base + ".txt"), {});
    TFilePath path(dir / (base + ".txt"));
    path.MakeUnique(true);
    // 250 + "#1" + ".txt" = 256 fits; no cut needed.
    EXPECT_EQ(path.GetFileName(), base + "#1.txt");

    const std::string longBase(255, 'm');
    WriteBytes(dir / longBase, {});
    TFilePath bare(dir / longBase);
    bare.MakeUnique(true);
    EXPECT_EQ(bare.GetFileName(), std::string(254, 'm') + "#1");
}
