#include "File.h"
#include "Exception.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using StreamPtr = std::unique_ptr<TWinFileStream>;

template <typename F> uint32_t CodeOf(F&& f) {
    try {
        f();
    } catch (const TTolvException& e) {
        return e.code;
    }
    return 0;
}

class FileTest : public ::testing::Test {
protected:
    // A file holding the bytes 0..9 in the temporary directory.
    TFile& TenBytes() {
        WriteBytes(fDir / "ten", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
        fFile = std::make_unique<TFile>(TFilePath(fDir / "ten"));
        return *fFile;
    }

    TTempDirectory fDir;
    std::unique_ptr<TFile> fFile;
};

} // namespace

TEST_F(FileTest, MissingFileInReadModeThrowsTheSystemError) {
    TFile file(TFilePath(fDir / "missing"));
    EXPECT_EQ(CodeOf([&] { delete file.OpenStream(openRead); }), uint32_t(ENOENT));
    EXPECT_EQ(ENOENT, 2);
    EXPECT_FALSE(file.Exists());
    TFile inMissingDirectory(TFilePath(fDir / "no/such/file"));
    EXPECT_EQ(CodeOf([&] { delete inMissingDirectory.OpenStream(openReadWrite); }),
              uint32_t(ENOENT));
}

TEST_F(FileTest, WritingModesCreateMissingFiles) {
    for (uint32_t mode : {uint32_t(openWrite), uint32_t(openAppend), uint32_t(openReadWrite), 7u}) {
        const std::string name = "new" + std::to_string(mode);
        TFile file(TFilePath(fDir / name));
        StreamPtr stream(file.OpenStream(mode));
        EXPECT_TRUE(file.Exists()) << mode;
        EXPECT_EQ(stream->GetSize(), 0) << mode;
        const auto perms = std::filesystem::status(fDir / name).permissions();
        using std::filesystem::perms;
        EXPECT_NE(perms & perms::owner_read, perms::none);
        EXPECT_NE(perms & perms::owner_write, perms::none);
        EXPECT_EQ(perms & (perms::owner_exec | perms::group_exec | perms::others_exec),
                  perms::none);
    }
}

TEST_F(FileTest, WriteModeEmptiesAnExistingFile) {
    TFile& file = TenBytes();
    StreamPtr stream(file.OpenStream(openWrite));
    EXPECT_EQ(stream->GetSize(), 0);
    EXPECT_EQ(stream->GetPosition(), 0);
    uint8_t byte;
    uint32_t count = 1;
    EXPECT_EQ(stream->Read(&byte, count), errEndOfData); // write-only
}

TEST_F(FileTest, AppendModeKeepsTheFileAndStartsAtItsEnd) {
    TFile& file = TenBytes();
    StreamPtr stream(file.OpenStream(openAppend));
    EXPECT_EQ(stream->GetSize(), 10);
    EXPECT_EQ(stream->GetPosition(), 10);
    stream->WriteOrThrow("\x0a", 1);
    stream->Seek(0, seekBegin);
    uint8_t bytes[11];
    stream->ReadOrThrow(bytes, 11);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[10], 10);
}

TEST_F(FileTest, ReadWriteModeKeepsTheFileAndStartsAtZero) {
    TFile& file = TenBytes();
    StreamPtr stream(file.OpenStream(openReadWrite));
    EXPECT_EQ(stream->GetSize(), 10);
    EXPECT_EQ(stream->GetPosition(), 0);
    stream->WriteOrThrow("\xff", 1);
    stream.reset();
    EXPECT_EQ(ReadBytes(fDir / "ten"), (Bytes{0xff, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(FileTest, ReadModeRefusesWrites) {
    StreamPtr stream(TenBytes().OpenStream(openRead));
    uint32_t count = 1;
    EXPECT_EQ(stream->Write("x", count), errWriteFailed);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(CodeOf([&] { stream->SetSize(5); }), errWriteFailed);
    EXPECT_EQ(ReadBytes(fDir / "ten").size(), 10u);
}

TEST_F(FileTest, ADirectoryIsNotAFile) {
    TFile file(TFilePath(fDir.Path()));
    EXPECT_TRUE(file.Exists());
    EXPECT_EQ(CodeOf([&] { delete file.OpenStream(openRead); }), uint32_t(EISDIR));
    EXPECT_EQ(CodeOf([&] { delete file.OpenStream(openReadWrite); }), uint32_t(EISDIR));
}

TEST_F(FileTest, SeekEndAddsTheOffsetToTheSize) {
    StreamPtr stream(TenBytes().OpenStream(openRead));
    stream->Seek(0, seekEnd);
    EXPECT_EQ(stream->GetPosition(), 10);
    stream->Seek(-3, seekEnd);
    EXPECT_EQ(stream->GetPosition(), 7);
    stream->Seek(5, seekEnd); // beyond the end is allowed, not clamped
    EXPECT_EQ(stream->GetPosition(), 15);
    stream->Seek(2, seekBegin);
    stream->Seek(3, seekCurrent);
    EXPECT_EQ(stream->GetPosition(), 5);
    stream->Seek(4, 99); // an unknown origin counts as seekBegin
    EXPECT_EQ(stream->GetPosition(), 4);
}

TEST_F(FileTest, FailedSeeksThrowAndKeepThePosition) {
    StreamPtr stream(TenBytes().OpenStream(openRead));
    stream->Seek(6, seekBegin);
    EXPECT_EQ(CodeOf([&] { stream->Seek(-1, seekBegin); }), uint32_t(EINVAL));
    EXPECT_EQ(stream->GetPosition(), 6);
    EXPECT_EQ(CodeOf([&] { stream->Seek(-20, seekCurrent); }), uint32_t(EINVAL));
    EXPECT_EQ(stream->GetPosition(), 6);
    // Positions are signed 32-bit: a relative seek past that limit is refused, not wrapped.
    stream->Seek(INT32_MAX, seekBegin);
    EXPECT_EQ(CodeOf([&] { stream->Seek(1, seekCurrent); }), errAssert);
    EXPECT_EQ(stream->GetPosition(), INT32_MAX);
    EXPECT_EQ(CodeOf([&] { stream->Seek(INT32_MAX, seekEnd); }), errAssert);
    EXPECT_EQ(stream->GetPosition(), INT32_MAX);
}

TEST_F(FileTest, ReadsAtTheEndReportEndOfData) {
    StreamPtr stream(TenBytes().OpenStream(openRead));
    uint8_t bytes[20] = {};
    stream->Seek(7, seekBegin);
    uint32_t count = 20;
    EXPECT_EQ(stream->Read(bytes, count), 0u); // a short read with bytes is success
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(bytes[2], 9);
    count = 5;
    EXPECT_EQ(stream->Read(bytes, count), errEndOfData);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(CodeOf([&] { stream->ReadOrThrow(bytes, 1); }), errEndOfData);
    EXPECT_EQ(errEndOfData, 0x3201u);
    // Asking for nothing is not the end of the data, not even at the end.
    count = 0;
    EXPECT_EQ(stream->Read(bytes, count), 0u);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(CodeOf([&] { stream->ReadOrThrow(bytes, 0); }), 0u);
    EXPECT_EQ(stream->ReadSome(bytes, 4), 0u);
}

TEST_F(FileTest, SetSizeCutsOrGrowsAndLeavesThePositionThere) {
    StreamPtr stream(TenBytes().OpenStream(openReadWrite));
    stream->Seek(8, seekBegin);
    stream->SetSize(4);
    EXPECT_EQ(stream->GetSize(), 4);
    EXPECT_EQ(stream->GetPosition(), 4);
    stream->SetSize(6);
    EXPECT_EQ(stream->GetPosition(), 6);
    stream->Flush();
    EXPECT_EQ(ReadBytes(fDir / "ten"), (Bytes{0, 1, 2, 3, 0, 0}));
    EXPECT_EQ(CodeOf([&] { stream->SetSize(-1); }), uint32_t(EINVAL));
    EXPECT_EQ(stream->GetSize(), 6);
}

TEST_F(FileTest, WritesGoWhereThePositionIs) {
    TFile file(TFilePath(fDir / "w"));
    StreamPtr stream(file.OpenStream(openReadWrite));
    uint32_t count = 3;
    EXPECT_EQ(stream->Write("abc", count), 0u);
    EXPECT_EQ(count, 3u);
    stream->Seek(5, seekBegin); // writing past the end leaves a hole of zeros
    stream->WriteOrThrow("z", 1);
    count = 0;
    EXPECT_EQ(stream->Write(nullptr, count), 0u);
    EXPECT_EQ(stream->GetPosition(), 6);
    stream->Flush();
    EXPECT_EQ(ReadBytes(fDir / "w"), (Bytes{'a', 'b', 'c', 0, 0, 'z'}));
}

TEST_F(FileTest, StreamsOnOneFileShareIt) {
    TFile& file = TenBytes();
    StreamPtr writer(file.OpenStream(openReadWrite));
    StreamPtr reader(file.OpenStream(openRead));
    writer->Seek(0, seekEnd);
    writer->WriteOrThrow("\x0a\x0b", 2);
    EXPECT_EQ(reader->GetSize(), 12);
    reader->Seek(10, seekBegin);
    uint8_t bytes[2];
    reader->ReadOrThrow(bytes, 2);
    EXPECT_EQ(bytes[1], 0x0b);
}

TEST_F(FileTest, ClosedStreamsFailCleanly) {
    StreamPtr stream(TenBytes().OpenStream(openReadWrite));
    stream->Close();
    stream->Close(); // harmless
    uint8_t byte = 0;
    uint32_t count = 1;
    EXPECT_EQ(stream->Read(&byte, count), errEndOfData);
    count = 1;
    EXPECT_EQ(stream->Write(&byte, count), errWriteFailed);
    EXPECT_EQ(CodeOf([&] { stream->Seek(0, seekBegin); }), uint32_t(EBADF));
    EXPECT_EQ(CodeOf([&] { stream->GetPosition(); }), uint32_t(EBADF));
    EXPECT_EQ(CodeOf([&] { stream->Flush(); }), uint32_t(EBADF));
    EXPECT_EQ(CodeOf([&] { stream->GetSize(); }), errAssert);
}

TEST_F(FileTest, TheFileTracksItsOpenStreams) {
    TFile& file = TenBytes();
    StreamPtr a(file.OpenStream(openRead));
    StreamPtr b(file.OpenStream(openRead));
    EXPECT_EQ(file.StreamCount(), 2);
    EXPECT_EQ(a->GetFile(), &file);
    file.AddStream(a.get()); // listed at most once
    EXPECT_EQ(file.StreamCount(), 2);
    a.reset();
    EXPECT_EQ(file.StreamCount(), 1);
    b.reset();
    EXPECT_EQ(file.StreamCount(), 0);
}

TEST_F(FileTest, DestroyingTheFileClosesAndReleasesItsStreams) {
    auto file = std::make_unique<TFile>(TFilePath(fDir / "f"));
    StreamPtr stream(file->OpenStream(openReadWrite));
    stream->WriteOrThrow("ab", 2);
    file.reset();
    EXPECT_EQ(stream->GetFile(), nullptr);
    uint32_t count = 1;
    EXPECT_EQ(stream->Write("c", count), errWriteFailed); // closed
    stream.reset(); // must not reach the destroyed file (ASan checks)
    EXPECT_EQ(ReadBytes(fDir / "f"), (Bytes{'a', 'b'}));
}

TEST_F(FileTest, AStreamWithoutAFileNeedsNoBookkeeping) {
    TWinFileStream orphan(nullptr, Platform::kInvalidFile);
    EXPECT_EQ(orphan.GetFile(), nullptr);
    uint8_t byte = 0;
    uint32_t count = 1;
    EXPECT_EQ(orphan.Read(&byte, count), errEndOfData);
}

TEST_F(FileTest, RenameKeepsTheDirectory) {
    TFile& file = TenBytes();
    StreamPtr open(file.OpenStream(openRead));
    file.Rename("b.adb");
    EXPECT_EQ(file.GetPath().GetFullPath(), fDir / "b.adb");
    EXPECT_FALSE(TFilePath(fDir / "ten").Exists());
    EXPECT_TRUE(file.Exists());
    EXPECT_EQ(open->GetSize(), 10); // the open stream follows the file
}

TEST_F(FileTest, FailedRenamesThrowAssert) {
    TFile missing(TFilePath(fDir / "missing"));
    EXPECT_EQ(CodeOf([&] { missing.Rename("other"); }), errAssert);
    EXPECT_EQ(missing.GetPath().GetFileName(), "missing");

    TFile& file = TenBytes();
    std::filesystem::create_directory(fDir / "sub");
    EXPECT_EQ(CodeOf([&] { file.Rename("sub/moved"); }), errAssert);
    EXPECT_EQ(CodeOf([&] { file.Rename(""); }), errAssert);
    EXPECT_TRUE(file.Exists());
    EXPECT_EQ(file.GetPath().GetFileName(), "ten");
}
