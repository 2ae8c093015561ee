#include "FilePath.h"
#include "TempDirectory.h"

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

// Numbered names "base[#]n.ext" fit the 255 bytes a file name holds, cutting the base, also
// with room kept for a longer extension to come; only the last dot starts the extension.
TEST(FilePath, NumberedNamesFitAFileName) {
    const std::string base(250, 'n');
    const struct {
        std::string name;
        long n;
        bool withHash;
        size_t room;
        std::string expected;
    } cases[] = {{"main.adb", 2, true, 0, "main#2.adb"},
                 {"data", 2, false, 0, "data2"},
                 {"a.b.c", 1, true, 0, "a.b#1.c"},
                 {base + ".txt", 1, true, 0, std::string(249, 'n') + "#1.txt"},
                 {base + ".txt", 999, true, 0, std::string(247, 'n') + "#999.txt"},
                 {base + ".txt", 12, false, 8, std::string(245, 'n') + "12.txt"},
                 {base + ".txt", 3, true, 2, std::string(249, 'n') + "#3.txt"},
                 {std::string(255, 'm'), 1, true, 0, std::string(253, 'm') + "#1"}};
    for (const auto& c : cases)
        EXPECT_EQ(TFilePath("/d/" + c.name).NumberedName(c.n, c.withHash, c.room).GetFullPath(),
                  "/d/" + c.expected)
            << c.name << " " << c.n;
}

// Files and directories exist, only files are deleted; MakeUnique takes the first free
// numbered name of an existing file.
TEST(FilePath, ExistsDeletesAndMakeUniqueTakesTheFirstFreeName) {
    TTempDirectory dir;
    TFilePath file(dir / "f.txt"), other(dir / "f.txt");
    EXPECT_FALSE(file.Delete() || file.Exists() || TFilePath("").Exists());
    other.MakeUnique(true); // missing: unchanged
    WriteBytes(file.GetFullPath(), {});
    WriteBytes(dir / "f#1.txt", {});
    EXPECT_TRUE(file.Exists() && TFilePath(dir.Path()).Exists());
    EXPECT_FALSE(TFilePath(dir.Path()).Delete());
    file.MakeUnique(true);
    EXPECT_EQ(file.GetFullPath(), dir / "f#2.txt");
    EXPECT_EQ(other.GetFullPath(), dir / "f.txt");
    EXPECT_TRUE(other.Delete());
    EXPECT_FALSE(other.Exists());
}
