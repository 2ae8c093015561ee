#include "FilePath.h"
#include "TempDirectory.h"
#include "ThrownCode.h"

#include <gtest/gtest.h>

#include <string>

// A path is made full lexically, against the current directory when the value is made, and
// splits after its last slash; an empty path, or one longer than 1023 bytes, is empty.
TEST(FilePath, IsMadeFullAndSplitsAfterTheLastSlash) {
    TTempDirectory dir;
    const std::string longest(1022, 'a');
    const struct {
        std::string given, directory, name;
    } cases[] = {{"/data/games/main.adb", "/data/games/", "main.adb"},
                 {"/x", "/", "x"},
                 {"/data/games/", "/data/games/", ""}, // a trailing slash: no file name
                 {"/", "/", ""},
                 {"//x///y", "/x/", "y"},
                 {"/../../x", "/", "x"}, // nothing above the root
                 {"sub/../a/./b.txt", dir / "a/", "b.txt"},
                 {"/" + longest, "/", longest},
                 {"/a" + longest, "", ""},
                 {"", "", ""}};
    TFilePath fixed;
    {
        TCurrentDirectoryGuard cwd(dir.Path());
        for (const auto& c : cases) {
            TFilePath path(c.given);
            EXPECT_EQ(path.GetDirectory(), c.directory) << c.given;
            EXPECT_EQ(path.GetFileName(), c.name) << c.given;
            EXPECT_EQ(path.GetFullPath(), c.directory + c.name) << c.given;
        }
        fixed = TFilePath("plain");
    }
    EXPECT_EQ(fixed.GetFullPath(), dir / "plain");
    TFilePath path("/data/main.adb");
    path.SetFileName("other");
    EXPECT_EQ(path.GetFullPath(), "/data/other");
    path.SetPath("/a" + longest);
    EXPECT_TRUE(path.IsEmpty() && TFilePath(static_cast<const char*>(nullptr)).IsEmpty());
}

// Files and directories exist, only files are deleted. MakeUnique takes the first free
// "base[#]n.ext"; numbered names fit the 255 bytes a file name holds, cutting the base, also
// with room kept for a longer extension to come.
TEST(FilePath, NumberedNamesFitAFileNameAndMakeUniqueTakesTheFirstFree) {
    TTempDirectory dir;
    TFilePath file(dir / "f.txt");
    EXPECT_FALSE(file.Delete() || file.Exists() || TFilePath("").Exists());
    WriteBytes(file.GetFullPath(), {});
    EXPECT_TRUE(file.Exists() && TFilePath(dir.Path()).Exists());
    EXPECT_FALSE(TFilePath(dir.Path()).Delete());
    EXPECT_TRUE(file.Delete());
    EXPECT_FALSE(file.Exists());
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
    EXPECT_EQ(unique(base + ".txt", true), std::string(249, 'n') + "#1.txt");
    EXPECT_EQ(unique(longBase, true), std::string(253, 'm') + "#1");
    const TFilePath named(dir / (base + ".txt"));
    EXPECT_EQ(named.NumberedName(12, false, 8).GetFileName(), std::string(245, 'n') + "12.txt");
    EXPECT_EQ(named.NumberedName(3, true, 2).GetFileName(), std::string(249, 'n') + "#3.txt");

    for (int n = 1; n <= 998; ++n)
        WriteBytes(dir / ("a#" + std::to_string(n) + ".txt"), {});
    EXPECT_EQ(unique("a.txt", true), "a#999.txt");
    WriteBytes(dir / "a#999.txt", {}); // at most 999 names are tried
    TFilePath full(dir / "a.txt");
    EXPECT_EQ(CodeOf([&] { full.MakeUnique(true); }), errNoUniqueName);
    EXPECT_EQ(full.GetFileName(), "a.txt");
}
