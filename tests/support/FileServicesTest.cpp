#include "FileServices.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Names(TStringList& list) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < list.Count(); ++i)
        out.push_back(*list.StringAt(i));
    return out;
}

using Strings = std::vector<std::string>;

} // namespace

TEST(FileServices, RegistersWhileItLives) {
    EXPECT_EQ(LookupService<TFileServices>(kFileServicesClassId), nullptr);
    {
        TMiniFileServices services;
        EXPECT_EQ(LookupService<TFileServices>(kFileServicesClassId), &services);
    }
    EXPECT_EQ(LookupService<TFileServices>(kFileServicesClassId), nullptr);
}

TEST(FileServices, KindDirectories) {
    TMiniFileServices services;
    const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string programDirectory = program.substr(0, program.rfind('/') + 1);
    EXPECT_EQ(services.GetKindDirectory(0).GetFullPath(), programDirectory);
    EXPECT_EQ(services.GetKindDirectory(0).GetFileName(), "");
    EXPECT_EQ(services.GetKindDirectory(2).GetFullPath(), programDirectory);
    EXPECT_EQ(services.GetKindDirectory(12).GetFullPath(), programDirectory);
    EXPECT_EQ(services.GetKindDirectory(-5).GetFullPath(), programDirectory);

    const TFilePath temp(std::filesystem::temp_directory_path().string() + "/");
    EXPECT_EQ(services.GetKindDirectory(8).GetFullPath(), temp.GetFullPath());
    EXPECT_EQ(services.GetKindDirectory(8).GetFullPath().back(), '/');
    for (int32_t kind : {1, 3, 4, 5, 6, 7})
        EXPECT_TRUE(services.GetKindDirectory(kind).IsEmpty()) << kind;
}

TEST(FileServices, KindExtensions) {
    TMiniFileServices services;
    EXPECT_EQ(services.GetKindExtension(1), ".txt");
    EXPECT_EQ(services.GetKindExtension(3), ".adb");
    EXPECT_EQ(services.GetKindExtension(8), ".alc");
    EXPECT_EQ(services.GetKindExtension(12), ".vek");
    EXPECT_EQ(services.GetKindExtension(13), ".dll");
    for (int16_t kind : {0, 2, 4, 5, 6, 7, 9, 14, -1})
        EXPECT_EQ(services.GetKindExtension(kind), "") << kind;
}

TEST(FileServices, HasSuffixWantsAnUpperCaseSuffix) {
    TMiniFileServices services;
    EXPECT_TRUE(services.HasSuffix(".ADB", "main.adb"));
    EXPECT_TRUE(services.HasSuffix(".ADB", "MAIN.ADB"));
    EXPECT_TRUE(services.HasSuffix(".ADB", ".adb"));
    EXPECT_FALSE(services.HasSuffix(".adb", "main.adb"));
    EXPECT_FALSE(services.HasSuffix(".ADB", "main.adc"));
    EXPECT_FALSE(services.HasSuffix("", "main.adb"));
    EXPECT_FALSE(services.HasSuffix("X.ADB", ".adb"));
}

class FileServicesListing : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"main.adb", "other.adb", ".hidden.adb", "notes.txt"})
            WriteBytes(fDir / name, {});
        std::filesystem::create_directory(fDir / "sub.adb");
    }

    TTempDirectory fDir;
    TMiniFileServices fServices;
};

TEST_F(FileServicesListing, ListsVisibleEntriesWithTheExtension) {
    TStringList names(true);
    fServices.ListFiles(TFilePath(fDir / "ignored-name"), ".adb", names);
    EXPECT_EQ(Names(names), (Strings{"main.adb", "other.adb", "sub.adb"}));
    names.DeleteAll();
    fServices.ListFilesOfKind(TFilePath(fDir.Path()), 3, names);
    EXPECT_EQ(Names(names), (Strings{"main.adb", "other.adb", "sub.adb"}));
    names.DeleteAll();
    fServices.ListFilesOfKind(TFilePath(fDir.Path()), 9, names); // no extension: everything
    EXPECT_EQ(Names(names), (Strings{"main.adb", "notes.txt", "other.adb", "sub.adb"}));
}

TEST_F(FileServicesListing, HiddenOrMissingGivesNothing) {
    TStringList names(true);
    names.Add("kept");
    WriteBytes(fDir / ".only.alc", {});
    fServices.ListFiles(TFilePath(fDir.Path()), ".alc", names);
    EXPECT_EQ(Names(names), (Strings{"kept"}));
    fServices.ListFiles(TFilePath(fDir / "missing/"), "", names);
    EXPECT_EQ(Names(names), (Strings{"kept"}));
}

TEST_F(FileServicesListing, FindFirstLooksAtTheFirstMatchOnly) {
    TFilePath found;
    EXPECT_TRUE(fServices.FindFirst(TFilePath(fDir.Path()), "m*.adb", found));
    EXPECT_EQ(found.GetFullPath(), fDir / "main.adb");
    EXPECT_EQ(found.GetFileName(), "main.adb");

    TFilePath untouched(fDir / "x");
    EXPECT_FALSE(fServices.FindFirst(TFilePath(fDir.Path()), ".h*", untouched));
    EXPECT_FALSE(fServices.FindFirst(TFilePath(fDir.Path()), "*.none", untouched));
    EXPECT_FALSE(fServices.FindFirst(TFilePath(fDir / "missing/"), "*", untouched));
    EXPECT_EQ(untouched.GetFullPath(), fDir / "x");
}

TEST_F(FileServicesListing, FreeSpaceAndTheIdleOperations) {
    EXPECT_GT(fServices.GetFreeSpace(TFilePath(fDir / "main.adb")), 0u);
    EXPECT_EQ(fServices.GetFreeSpace(TFilePath(fDir / "missing/deeper/file")), 0u);
    std::string first = "a", second = "b";
    fServices.ClearPair(1, first, second);
    EXPECT_EQ(first, "");
    EXPECT_EQ(second, "");
    fServices.IgnoreRequest(1, 2, 3);
}
