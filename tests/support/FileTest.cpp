#include "File.h"
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
    uint8_t fBytes[20] = {};
    uint32_t fCount = 0;
};

} // namespace

TEST_F(FileTest, OpenModes) {
    TFile missing(TFilePath(fDir / "missing")), directory(TFilePath(fDir.Path()));
    EXPECT_EQ(CodeOf([&] { delete missing.OpenStream(openRead); }), uint32_t(ENOENT));
    EXPECT_FALSE(missing.Exists());
    EXPECT_EQ(CodeOf([&] { delete directory.OpenStream(openRead); }), uint32_t(EISDIR));
    using std::filesystem::perms;
    const perms checked = perms::owner_all | perms::group_exec | perms::others_exec;
    for (uint32_t mode : {2u, 3u, 4u, 7u}) { // created readable and writable, not executable
        TFile file(TFilePath(fDir / ("new" + std::to_string(mode))));
        delete file.OpenStream(mode);
        EXPECT_EQ(std::filesystem::status(file.GetPath().GetFullPath()).permissions() & checked,
                  perms::owner_read | perms::owner_write)
            << mode;
    }
    StreamPtr append = Open(openAppend);
    EXPECT_EQ(append->GetPosition(), 10);
    append->WriteOrThrow("\x0a", 1);
    StreamPtr readWrite = Open(openReadWrite);
    EXPECT_EQ(readWrite->GetPosition(), 0);
    readWrite->WriteOrThrow("\xff", 1);
    EXPECT_EQ(ReadBytes(fDir / "ten"), (Bytes{0xff, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    StreamPtr reader = Open(openRead); // refuses writes
    fCount = 1;
    EXPECT_EQ(reader->Write("x", fCount), errWriteFailed);
    EXPECT_EQ(CodeOf([&] { reader->SetSize(5); }), errWriteFailed);
    StreamPtr writer = Open(openWrite); // empties the file, refuses reads
    fCount = 1;
    EXPECT_EQ(writer->Read(fBytes, fCount), errEndOfData);
    EXPECT_EQ(reader->GetSize(), 0); // the streams share the file
}

TEST_F(FileTest, SeeksFollowTheSystemAndStayWithin32Bits) {
    StreamPtr s = Open(openRead);
    s->Seek(-3, seekEnd); // the offset is added to the size, unlike a memory stream
    EXPECT_EQ(s->GetPosition(), 7);
    s->Seek(5, seekEnd); // beyond the end is allowed
    EXPECT_EQ(s->GetPosition(), 15);
    s->Seek(4, 99); // an unknown origin counts as seekBegin
    s->Seek(1, seekCurrent);
    EXPECT_EQ(CodeOf([&] { s->Seek(-1, seekBegin); }), uint32_t(EINVAL));
    EXPECT_EQ(CodeOf([&] { s->Seek(-20, seekCurrent); }), uint32_t(EINVAL));
    EXPECT_EQ(s->GetPosition(), 5);
    // A relative seek past the signed 32-bit limit is refused, not wrapped.
    s->Seek(INT32_MAX, seekBegin);
    EXPECT_EQ(CodeOf([&] { s->Seek(1, seekCurrent); }), errAssert);
    EXPECT_EQ(CodeOf([&] { s->Seek(INT32_MAX, seekEnd); }), errAssert);
    EXPECT_EQ(s->GetPosition(), INT32_MAX);
}

TEST_F(FileTest, ReadsWritesAndSizes) {
    StreamPtr s = Open(openReadWrite);
    s->Seek(7, seekBegin);
    fCount = 20;
    EXPECT_EQ(s->Read(fBytes, fCount), 0u); // a short read with bytes is success
    EXPECT_EQ(fCount, 3u);
    fCount = 5;
    EXPECT_EQ(s->Read(fBytes, fCount), errEndOfData);
    EXPECT_EQ(fCount, 0u);
    EXPECT_EQ(CodeOf([&] { s->ReadOrThrow(fBytes, 1); }), 0x3201u);
    EXPECT_EQ(CodeOf([&] { s->ReadOrThrow(fBytes, 0); }), 0u); // nothing asked: no end of data
    s->Seek(8, seekBegin);
    s->SetSize(4);
    EXPECT_EQ(s->GetSize(), 4);
    EXPECT_EQ(s->GetPosition(), 4);
    s->Seek(6, seekBegin); // writing past the end leaves a hole of zeros
    s->WriteOrThrow("z", 1);
    EXPECT_EQ(CodeOf([&] { s->SetSize(-1); }), uint32_t(EINVAL));
    s->Flush();
    EXPECT_EQ(ReadBytes(fDir / "ten"), (Bytes{0, 1, 2, 3, 0, 0, 'z'}));
}

TEST_F(FileTest, StreamsAreTrackedAndClosedWithTheFile) {
    auto file = std::make_unique<TFile>(TFilePath(fDir / "f"));
    StreamPtr a(file->OpenStream(openReadWrite)), b(file->OpenStream(openRead));
    file->AddStream(a.get()); // listed at most once
    EXPECT_EQ(file->StreamCount(), 2);
    b.reset();
    EXPECT_EQ(file->StreamCount(), 1);
    a->WriteOrThrow("ab", 2);
    file.reset(); // closes the stream still open and lets go of it
    EXPECT_EQ(a->GetFile(), nullptr);
    fCount = 1;
    EXPECT_EQ(a->Write("c", fCount), errWriteFailed);
    fCount = 1;
    EXPECT_EQ(a->Read(fBytes, fCount), errEndOfData);
    EXPECT_EQ(CodeOf([&] { a->Seek(0, seekBegin); }), uint32_t(EBADF));
    EXPECT_EQ(CodeOf([&] { a->GetPosition(); }), uint32_t(EBADF));
    EXPECT_EQ(CodeOf([&] { a->Flush(); }), uint32_t(EBADF));
    EXPECT_EQ(CodeOf([&] { a->GetSize(); }), errAssert);
    a->Close(); // harmless a second time
    a.reset();  // must not reach the destroyed file (ASan checks)
    EXPECT_EQ(ReadBytes(fDir / "f"), (Bytes{'a', 'b'}));
}

TEST_F(FileTest, RenameKeepsTheDirectory) {
    StreamPtr open = Open(openRead);
    fFile.Rename("b.adb");
    EXPECT_EQ(fFile.GetPath().GetFullPath(), fDir / "b.adb");
    EXPECT_FALSE(TFilePath(fDir / "ten").Exists());
    EXPECT_EQ(open->GetSize(), 10); // the open stream follows the file
    std::filesystem::create_directory(fDir / "sub");
    for (const char* name : {"sub/moved", ""})
        EXPECT_EQ(CodeOf([&] { fFile.Rename(name); }), errAssert) << name;
    EXPECT_EQ(fFile.GetPath().GetFileName(), "b.adb");
    TFile missing(TFilePath(fDir / "missing"));
    EXPECT_EQ(CodeOf([&] { missing.Rename("other"); }), errAssert);
}
