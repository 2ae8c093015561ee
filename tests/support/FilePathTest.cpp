#include "FilePath.h"
#include "TempDirectory.h"
#include "ThrownCode.h"

#include <gtest/gtest.h>

#include <string>

TEST(FilePath, SplitsAfterTheLastSlash) {
    const struct {
        std::string given, directory, name;
    } cases[] = {{"/data/games/main.adb", "/data/games/", "main.adb"},
                 {"/x", "/", "x"},
                 {"/data/games/", "/data/games/", ""}, // a trailing slash: no file name
                 {"/", "/", ""},
                 {"//x///y", "/x/", "y"},
                 {"/../../x", "/", "x"}}; // nothing above the root
    for (const auto& c : cases) {
        TFilePath path(c.given);
        EXPECT_EQ(path.GetDirectory(), c.directory) << c.given;
        EXPECT_EQ(path.GetFileName(), c.name) << c.given;
        EXPECT_EQ(path.GetFullPath(), c.directory + c.name) << c.given;
    }
    TFilePath path("/data/main.adb");
    path.SetFileName("other");
    EXPECT_EQ(path.GetFullPath(), "/data/other");
}

TEST(FilePath, RelativePathsAreMadeFullWhenTheValueIsMade) {
    TTempDirectory dir;
    TFilePath fixed;
    {
        TCurrentDirectoryGuard cwd(dir.Path());
        TFilePath path("sub/../a/./b.txt");
        EXPECT_EQ(path.GetDirectory(), dir / "a/");
        EXPECT_EQ(path.GetFileName(), "b.txt");
        fixed = TFilePath("plain");
    }
    EXPECT_EQ(fixed.GetFullPath(), dir / "plain");
}

TEST(FilePath, EmptyOverlongAndExistingPaths) {
    EXPECT_TRUE(TFilePath("").IsEmpty());
    EXPECT_FALSE(TFilePath("").Exists());
    EXPECT_TRUE(TFilePath(static_cast<const char*>(nullptr)).IsEmpty());
    const std::string fits = "/" + std::string(1022, 'a'); // 1023 bytes: the limit
    EXPECT_EQ(TFilePath(fits).GetFullPath(), fits);
    TFilePath reused("/a/b");
    reused.SetPath(fits + "a");
    EXPECT_TRUE(reused.IsEmpty());
    EXPECT_EQ(reused.GetFileName(), "");
    TTempDirectory dir;
    TFilePath file(dir / "f.txt");
    EXPECT_FALSE(file.Delete());
    WriteBytes(file.GetFullPath(), {1, 2, 3});
    EXPECT_TRUE(file.Exists());
    EXPECT_TRUE(TFilePath(dir.Path()).Exists());  // directories exist too
    EXPECT_FALSE(TFilePath(dir.Path()).Delete()); // but are not deleted as files
    EXPECT_TRUE(file.Delete());
    EXPECT_FALSE(file.Exists());
}

TEST(FilePath, MakeUniquePicksTheFirstFreeNumberedName) {
    TTempDirectory dir;
    const auto unique = [&](const std::string& name, bool withHash) {
        TFilePath path(dir / name);
        path.MakeUnique(withHash);
        return path.GetFullPath().substr(dir.Path().size());
    };
    EXPECT_EQ(unique("main.adb", true), "main.adb"); // missing: unchanged
    for (const char* name : {"main.adb", "main#1.adb", "data", "data1", "a.b.c", "a.txt"})
        WriteBytes(dir / name, {});
    EXPECT_EQ(unique("main.adb", true), "main#2.adb");
    EXPECT_EQ(unique("data", false), "data2");
    EXPECT_EQ(unique("a.b.c", true), "a.b#1.c"); // only the last dot starts the extension
    const std::string base(250, 'n'), longBase(255, 'm');
    WriteBytes(dir / (base + ".txt"), {});
    WriteBytes(dir / longBase, {});
    // A file name holds 255 bytes: the base is cut to make room.
    EXPECT_EQ(unique(base + ".txt", true), std::string(249, 'n') + "#1.txt");
    EXPECT_EQ(unique(longBase, true), std::string(253, 'm') + "#1");

    for (int n = 1; n <= 998; ++n)
        WriteBytes(dir / ("a#" + std::to_string(n) + ".txt"), {});
    EXPECT_EQ(unique("a.txt", true), "a#999.txt");
    WriteBytes(dir / "a#999.txt", {}); // at most 999 names are tried
    TFilePath full(dir / "a.txt");
    EXPECT_EQ(CodeOf([&] { full.MakeUnique(true); }), errNoUniqueName);
    EXPECT_EQ(full.GetFileName(), "a.txt");
}
