#include "FilePath.h"
#include "FileServices.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

// A path is made full lexically, against the current directory when the value is made, and
// splits after its last slash (a trailing slash leaves no file name; nothing lies above the
// root); an empty path, or one longer than 1023 bytes, is empty.
TEST(FilePath, IsMadeFullAndSplitsAfterTheLastSlash) {
    TTempDirectory dir;
    const std::string longest(1022, 'a');
    const struct {
        std::string given, directory, name;
    } cases[] = {{"/data/games/main.adb", "/data/games/", "main.adb"},
                 {"/x", "/", "x"},
                 {"/data/games/", "/data/games/", ""},
                 {"/", "/", ""},
                 {"//x///y", "/x/", "y"},
                 {"/../../x", "/", "x"},
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
    path.SetPath("/a" + longest); // empties a value
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
    EXPECT_FALSE(TFilePath(dir.Path()).Delete() || !TFilePath(dir.Path()).Exists());
    file.MakeUnique(true);
    EXPECT_EQ(file.GetFullPath(), dir / "f#2.txt");
    EXPECT_EQ(other.GetFullPath(), dir / "f.txt");
    EXPECT_TRUE(other.Delete() && !other.Exists());
}

// The services are found while they live; kinds live in the program's directory unless they
// are temporary files. Listings hold the visible entries (directories too) of the path's
// directory part.
TEST(FileServices, RegistersKnowsItsKindsAndListsVisibleEntries) {
    TTempDirectory dir;
    for (const char* name : {"main.adb", ".hidden.adb", "notes.txt", ".only.alc"})
        WriteBytes(dir / name, {});
    std::filesystem::create_directory(dir / "sub.adb");
    EXPECT_EQ(LookupService<TFileServices>(kFileServicesClassId), nullptr);
    {
        TMiniFileServices services;
        EXPECT_EQ(LookupService<TFileServices>(kFileServicesClassId), &services);
        const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
        EXPECT_EQ(services.GetKindDirectory(-5).GetFullPath(),
                  program.substr(0, program.rfind('/') + 1));
        const TFilePath temp(std::filesystem::temp_directory_path().string() + "/");
        EXPECT_EQ(services.GetKindDirectory(8).GetFullPath(), temp.GetFullPath());
        EXPECT_TRUE(services.GetKindDirectory(1).IsEmpty());
        TStringList names(true);
        names.Add("kept");
        services.ListFiles(TFilePath(dir / "ignored-name"), ".adb", names);
        services.ListFilesOfKind(TFilePath(dir.Path()), 8, names); // the only match is hidden
        std::string listed;
        for (int32_t i = 0; i < names.Count(); ++i)
            listed += *names.StringAt(i) + " ";
        EXPECT_EQ(listed, "kept main.adb sub.adb ");
    }
    EXPECT_EQ(LookupService<TFileServices>(kFileServicesClassId), nullptr);
}
