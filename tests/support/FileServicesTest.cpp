#include "FileServices.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

// The services are found while they live; kinds live in the program's directory unless they
// are temporary files; a suffix must be given in upper case and matches either case.
TEST(FileServices, RegistersWhileItLivesAndKnowsItsKinds) {
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
        EXPECT_TRUE(services.HasSuffix(".ADB", "main.adb") && services.HasSuffix(".ADB", "A.ADB"));
        EXPECT_FALSE(services.HasSuffix(".adb", "main.adb"));
        EXPECT_FALSE(services.HasSuffix("", "main.adb"));
        EXPECT_FALSE(services.HasSuffix("X.ADB", ".adb"));
    }
    EXPECT_EQ(LookupService<TFileServices>(kFileServicesClassId), nullptr);
}

// Listing and finding see visible entries only (directories too), in the directory part of
// the path; a list is added to; a failed search leaves the result unchanged.
TEST(FileServices, ListsAndFindsVisibleEntries) {
    TTempDirectory dir;
    for (const char* name : {"main.adb", ".hidden.adb", "notes.txt", ".only.alc"})
        WriteBytes(dir / name, {});
    std::filesystem::create_directory(dir / "sub.adb");
    TMiniFileServices services;
    const TFilePath in(dir / "ignored-name");
    const auto listed = [&](const std::string& extension, int16_t kind) {
        TStringList names(true);
        names.Add("kept");
        kind < 0 ? services.ListFiles(in, extension, names) : services.ListFilesOfKind(in, kind, names);
        std::string out;
        for (int32_t i = 0; i < names.Count(); ++i)
            out += *names.StringAt(i) + " ";
        return out;
    };
    EXPECT_EQ(listed(".adb", -1), "kept main.adb sub.adb ");
    EXPECT_EQ(listed("", 9), "kept main.adb notes.txt sub.adb ");
    EXPECT_EQ(listed("", 8), "kept "); // the only match is hidden
    TFilePath found(dir / "x");
    EXPECT_FALSE(services.FindFirst(in, ".h*", found)); // a hidden first match
    EXPECT_EQ(found.GetFullPath(), dir / "x");
    EXPECT_TRUE(services.FindFirst(in, "m*.adb", found));
    EXPECT_EQ(found.GetFullPath(), dir / "main.adb");
    EXPECT_GT(services.GetFreeSpace(found), 0u);
    EXPECT_EQ(services.GetFreeSpace(TFilePath(dir / "missing/deeper/file")), 0u);
}
