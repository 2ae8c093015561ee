#include "FileServices.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

// Lists into a sorted list and returns its strings.
template <typename F> Strings Listed(F&& list) {
    TStringList names(true);
    names.Add("kept");
    list(names);
    Strings out;
    for (int32_t i = 0; i < names.Count(); ++i)
        out.push_back(*names.StringAt(i));
    return out;
}

} // namespace

TEST(FileServices, RegistersWhileItLivesAndKnowsItsKinds) {
    EXPECT_EQ(LookupService<TFileServices>(kFileServicesClassId), nullptr);
    {
        TMiniFileServices services;
        EXPECT_EQ(LookupService<TFileServices>(kFileServicesClassId), &services);
        const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
        for (int32_t kind : {0, 2, 12, -5})
            EXPECT_EQ(services.GetKindDirectory(kind).GetFullPath(),
                      program.substr(0, program.rfind('/') + 1));
        const TFilePath temp(std::filesystem::temp_directory_path().string() + "/");
        EXPECT_EQ(services.GetKindDirectory(8).GetFullPath(), temp.GetFullPath());
        for (int32_t kind : {1, 3, 4, 5, 6, 7})
            EXPECT_TRUE(services.GetKindDirectory(kind).IsEmpty()) << kind;
        const char* const extensions[] = {"",     ".txt", "", ".adb", "",     "",     "", "",
                                          ".alc", "",     "", "",     ".vek", ".dll", ""};
        for (int16_t kind = -1; kind < 15; ++kind)
            EXPECT_EQ(services.GetKindExtension(kind), extensions[kind < 0 ? 0 : kind]) << kind;
        EXPECT_TRUE(services.HasSuffix(".ADB", "main.adb"));
        EXPECT_TRUE(services.HasSuffix(".ADB", "MAIN.ADB"));
        EXPECT_FALSE(services.HasSuffix(".adb", "main.adb")); // the suffix must be upper case
        EXPECT_FALSE(services.HasSuffix("", "main.adb"));
        EXPECT_FALSE(services.HasSuffix("X.ADB", ".adb"));
    }
    EXPECT_EQ(LookupService<TFileServices>(kFileServicesClassId), nullptr);
}

TEST(FileServices, ListsAndFindsVisibleEntries) {
    TTempDirectory dir;
    for (const char* name : {"main.adb", "other.adb", ".hidden.adb", "notes.txt", ".only.alc"})
        WriteBytes(dir / name, {});
    std::filesystem::create_directory(dir / "sub.adb");
    TMiniFileServices services;
    const TFilePath in(dir / "ignored-name");
    EXPECT_EQ(Listed([&](TStringList& names) { services.ListFiles(in, ".adb", names); }),
              (Strings{"kept", "main.adb", "other.adb", "sub.adb"}));
    EXPECT_EQ(Listed([&](TStringList& names) { services.ListFilesOfKind(in, 9, names); }),
              (Strings{"kept", "main.adb", "notes.txt", "other.adb", "sub.adb"}));
    EXPECT_EQ(Listed([&](TStringList& names) { services.ListFilesOfKind(in, 8, names); }),
              (Strings{"kept"})); // the only match is hidden
    EXPECT_EQ(Listed([&](TStringList& n) { services.ListFiles(TFilePath(dir / "no/"), "", n); }),
              (Strings{"kept"}));

    TFilePath found(dir / "x");
    EXPECT_FALSE(services.FindFirst(in, ".h*", found)); // a hidden first match
    EXPECT_EQ(found.GetFullPath(), dir / "x");
    EXPECT_TRUE(services.FindFirst(in, "m*.adb", found));
    EXPECT_EQ(found.GetFullPath(), dir / "main.adb");
    EXPECT_GT(services.GetFreeSpace(found), 0u);
    EXPECT_EQ(services.GetFreeSpace(TFilePath(dir / "missing/deeper/file")), 0u);
}
