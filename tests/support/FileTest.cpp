#include "File.h"
#include "FileLock.h"
#include "TempDirectory.h"
#include "ThrownCode.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using StreamPtr = std::unique_ptr<TWinFileStream>;

// A file "ten" holding the bytes 0..9 in a fresh directory.
class FileTest : public ::testing::Test {
protected:
    void SetUp() override { WriteBytes(fDir / "ten", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}); }
    StreamPtr Open(uint32_t mode) { return StreamPtr(fFile.OpenStream(mode)); }

    TTempDirectory fDir;
    TFile fFile{TFilePath(fDir / "ten")};
    uint8_t fByte = 0;
    uint32_t fCount = 1;
};

} // namespace

// Each open mode's position, creation (readable and writable, not executable) and refusals;
// failures to open throw the errno. Streams of one file share it.
TEST_F(FileTest, OpenModes) {
    TFile missing(TFilePath(fDir / "missing")), directory(TFilePath(fDir.Path()));
    EXPECT_EQ(CodeOf([&] { delete missing.OpenStream(openRead); }), uint32_t(ENOENT));
    EXPECT_EQ(CodeOf([&] { delete directory.OpenStream(openRead); }), uint32_t(EISDIR));
    using std::filesystem::perms;
    for (uint32_t mode : {2u, 3u, 4u, 7u}) {
        delete TFile(TFilePath(fDir / std::to_string(mode))).OpenStream(mode);
        EXPECT_EQ(std::filesystem::status(fDir / std::to_string(mode)).permissions() &
                      (perms::owner_all | perms::group_exec | perms::others_exec),
                  perms::owner_read | perms::owner_write)
            << mode;
    }
    StreamPtr append = Open(openAppend), readWrite = Open(openReadWrite), reader = Open(openRead);
    EXPECT_EQ(append->GetPosition(), 10);
    append->WriteOrThrow("\x0a", 1);
    EXPECT_EQ(readWrite->GetPosition(), 0);
    readWrite->WriteOrThrow("\xff", 1);
    EXPECT_EQ(ReadBytes(fDir / "ten"), (Bytes{0xff, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(reader->Write("x", fCount), errWriteFailed);
    EXPECT_EQ(CodeOf([&] { reader->SetSize(5); }), errWriteFailed);
    StreamPtr writer = Open(openWrite); // empties the file, refuses reads
    fCount = 1;
    EXPECT_EQ(writer->Read(&fByte, fCount), errEndOfData);
    EXPECT_EQ(reader->GetSize(), 0);
}

// Seeks add a seekEnd offset to the size (unlike a memory stream) and may go beyond the end,
// within signed 32 bits: a seek outside is refused and leaves the position. SetSize cuts or
// extends and leaves the position there; writing past the end leaves zeros; Reserve grows.
TEST_F(FileTest, PositionsAndSizesFollowTheSystemWithin32Bits) {
    StreamPtr s = Open(openReadWrite);
    const int32_t seeks[][3] = {{-3, seekEnd, 7}, {5, seekEnd, 15}, {4, 99, 4}, {1, seekCurrent, 5}};
    for (const auto& [offset, origin, to] : seeks) {
        s->Seek(offset, uint32_t(origin));
        EXPECT_EQ(s->GetPosition(), to) << offset << " " << origin;
    }
    EXPECT_EQ(CodeOf([&] { s->Seek(-1, seekBegin); }), uint32_t(EINVAL));
    EXPECT_EQ(CodeOf([&] { s->Seek(-20, seekCurrent); }), uint32_t(EINVAL));
    EXPECT_EQ(s->GetPosition(), 5);
    s->Seek(INT32_MAX, seekBegin);
    EXPECT_EQ(CodeOf([&] { s->Seek(1, seekCurrent); }), errAssert);
    EXPECT_EQ(CodeOf([&] { s->Seek(INT32_MAX, seekEnd); }), errAssert);
    EXPECT_EQ(s->GetPosition(), INT32_MAX);
    s->SetSize(4);
    EXPECT_EQ(s->GetPosition(), 4);
    s->Seek(6, seekBegin);
    s->WriteOrThrow("z", 1);
    EXPECT_EQ(CodeOf([&] { s->SetSize(-1); }), uint32_t(EINVAL));
    s->Reserve(3);
    EXPECT_EQ(ReadBytes(fDir / "ten"), (Bytes{0, 1, 2, 3, 0, 0, 'z'}));
    s->Reserve(4096);
    EXPECT_EQ(s->GetSize(), 4096);
}

// A file closes the streams still open when it goes and lets go of them: they fail cleanly
// and may be deleted later. A rename stays in the directory; open streams follow the file.
TEST_F(FileTest, StreamsAreTrackedRenamedAndClosedWithTheFile) {
    auto file = std::make_unique<TFile>(TFilePath(fDir / "ten"));
    StreamPtr a(file->OpenStream(openReadWrite)), b(file->OpenStream(openRead));
    file->AddStream(a.get()); // listed at most once
    EXPECT_EQ(file->StreamCount(), 2);
    b.reset();
    EXPECT_EQ(file->StreamCount(), 1);
    file->Rename("b.adb");
    EXPECT_EQ(file->GetPath().GetFullPath(), fDir / "b.adb");
    EXPECT_FALSE(TFilePath(fDir / "ten").Exists());
    a->WriteOrThrow("ab", 2);
    for (const char* name : {"sub/moved", ""})
        EXPECT_EQ(CodeOf([&] { file->Rename(name); }), errAssert) << name;
    EXPECT_EQ(CodeOf([&] { fFile.Rename("other"); }), errAssert); // "ten" is gone
    file.reset();
    EXPECT_EQ(a->GetFile(), nullptr);
    EXPECT_EQ(a->Write("c", fCount), errWriteFailed);
    fCount = 1;
    EXPECT_EQ(a->Read(&fByte, fCount), errEndOfData);
    for (uint32_t code : {CodeOf([&] { a->Seek(0, seekBegin); }), CodeOf([&] { a->GetPosition(); }),
                          CodeOf([&] { a->Flush(); })})
        EXPECT_EQ(code, uint32_t(EBADF));
    EXPECT_EQ(CodeOf([&] { a->GetSize(); }), errAssert);
    a->Close(); // harmless a second time
    a.reset();  // must not reach the destroyed file (ASan checks)
    EXPECT_EQ(ReadBytes(fDir / "b.adb"), (Bytes{'a', 'b', 2, 3, 4, 5, 6, 7, 8, 9}));
}

// Readers share a lock; a writer's lock is taken alone (waiting for one is the tool's test)
// and belongs to the lock object: other handles of the process stay free. A handle knows when
// its path has come to name another file, as when a new file is renamed over it.
TEST_F(FileTest, ReadersShareALockAndAHandleKnowsItsFile) {
    const TFilePath path(fDir / "ten");
    EXPECT_EQ(CodeOf([&] { TFileLock::Acquire(TFilePath(fDir / "no"), TFileLock::TMode::kShared); }),
              uint32_t(ENOENT));
    auto first = TFileLock::Acquire(path, TFileLock::TMode::kShared);
    EXPECT_NE(TFileLock::Acquire(path, TFileLock::TMode::kShared), nullptr);
    first->MakeExclusive();
    EXPECT_EQ(first->Mode(), TFileLock::TMode::kExclusive);
    EXPECT_EQ(Open(openRead)->GetSize(), 10);
    int error = 0;
    const Platform::FileHandle handle =
        Platform::OpenFile(path.GetFullPath(), Platform::OpenMode::Read, error);
    EXPECT_TRUE(Platform::LinkFile(path.GetFullPath(), fDir / "link"));
    WriteBytes(fDir / "new", {});
    EXPECT_TRUE(Platform::RenameFile(fDir / "new", path.GetFullPath()));
    EXPECT_FALSE(Platform::IsSameFile(handle, path.GetFullPath()));
    EXPECT_TRUE(Platform::IsSameFile(handle, fDir / "link"));
    Platform::CloseFile(handle);
}
