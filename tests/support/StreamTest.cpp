#include "BlockReadStream.h"
#include "BufferedWriteStream.h"
#include "DynamicStream.h"
#include "File.h"
#include "FileLock.h"
#include "StdioStream.h"
#include "TempDirectory.h"
#include "ThrownCode.h"
#include "WriteBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using StreamPtr = std::unique_ptr<LStream>;
using FilePtr = std::unique_ptr<TWinFileStream>;

struct TCloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string Held(LDynamicStream& stream) {
    return std::string(stream.Data(), stream.Data() + stream.GetSize());
}

StreamPtr MemoryHolding(const Bytes& bytes) {
    auto stream = std::make_unique<LDynamicStream>();
    if (!bytes.empty()) stream->WriteOrThrow(bytes.data(), uint32_t(bytes.size()));
    stream->Seek(0, seekBegin);
    return stream;
}

// The kinds of stream that share the contract. Make gives an empty stream to a kind that
// writes, else one holding `bytes`. A kind that does not read (write) refuses every read
// (write) with count 0; with kShortReadIsEnd, a read that gets some bytes but fewer than asked
// reports the end.
struct TMemoryKind {
    static constexpr bool kReads = true, kWrites = true, kShortReadIsEnd = true;
    StreamPtr Make(const Bytes&) { return std::make_unique<LDynamicStream>(); }
};

struct TFileKind {
    static constexpr bool kReads = true, kWrites = true, kShortReadIsEnd = false;
    StreamPtr Make(const Bytes&) { return StreamPtr(fFile.OpenStream(openReadWrite)); }
    TTempDirectory fDir;
    TFile fFile{TFilePath(fDir / "f")};
};

struct TStdioKind {
    static constexpr bool kReads = true, kWrites = true, kShortReadIsEnd = false;
    StreamPtr Make(const Bytes&) { return std::make_unique<TSTDIOStream>(fFile.get()); }
    std::unique_ptr<std::FILE, TCloseFile> fFile{std::tmpfile()};
};

template <uint32_t kBlockSize> struct TBlockReadKind {
    static constexpr bool kReads = true, kWrites = false, kShortReadIsEnd = false;
    StreamPtr Make(const Bytes& bytes) {
        return std::make_unique<TBlockReadStream>(MemoryHolding(bytes), kBlockSize);
    }
};

// What it wrote is read back from the memory stream below.
template <uint32_t kCapacity> struct TBufferedWriteKind {
    static constexpr bool kReads = false, kWrites = true, kShortReadIsEnd = true;
    StreamPtr Make(const Bytes&) {
        auto below = std::make_unique<LDynamicStream>();
        fBelow = below.get();
        return std::make_unique<TBufferedWriteStream>(std::move(below), kCapacity);
    }
    LStream* fBelow = nullptr;
};

// A file "ten" holding the bytes 0..9 in a fresh directory.
class FileTest : public ::testing::Test {
protected:
    void SetUp() override { WriteBytes(fDir / "ten", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}); }
    FilePtr Open(uint32_t mode) { return FilePtr(fFile.OpenStream(mode)); }

    TTempDirectory fDir;
    TFile fFile{TFilePath(fDir / "ten")};
    uint8_t fByte = 0;
    uint32_t fCount = 1;
};

template <typename Kind> class StreamContract : public ::testing::Test {
protected:
    Kind fKind;
};

using Kinds = ::testing::Types<TMemoryKind, TFileKind, TStdioKind, TBlockReadKind<7>,
                               TBlockReadKind<64>, TBufferedWriteKind<16>>;
TYPED_TEST_SUITE(StreamContract, Kinds);

} // namespace

// Pieces of every size, smaller and larger than a buffer, arrive in order; reads at random
// positions, within blocks, across block ends, larger than a block, of exactly the bytes left
// and of none at the end, give what the stream holds; the position moves by the count
// written or read.
TYPED_TEST(StreamContract, ReadsGiveWhatWasWritten) {
    std::mt19937 random(5);
    Bytes bytes(3000);
    for (uint8_t& byte : bytes)
        byte = uint8_t(random());
    StreamPtr stream = this->fKind.Make(TypeParam::kWrites ? Bytes() : bytes);
    uint32_t count = 1, refused = 1;
    for (uint32_t at = 0; TypeParam::kWrites && at < bytes.size(); at += count) {
        count = std::min<uint32_t>(3000 - at, 1 + (random() % 3 ? random() % 10 : random() % 100));
        ASSERT_EQ(stream->Write(&bytes[at], count), 0u);
        ASSERT_TRUE(!TypeParam::kReads || stream->GetPosition() == int32_t(at + count)) << at;
    }
    stream->Flush();
    LStream* reader = stream.get();
    if constexpr (!TypeParam::kReads) {
        EXPECT_EQ(stream->Read(bytes.data(), refused), errEndOfData);
        reader = this->fKind.fBelow;
    } else if constexpr (!TypeParam::kWrites) {
        EXPECT_EQ(stream->Write("x", refused), errWriteFailed);
    }
    EXPECT_EQ(refused, TypeParam::kReads && TypeParam::kWrites ? 1u : 0u);
    for (int step = 0; step < 300; ++step) {
        const uint32_t at = random() % 3001;
        const uint32_t asked = step % 5 == 0  ? 3000 - at
                               : random() % 3 ? random() % 20
                                              : random() % 300;
        const uint32_t expected = std::min(asked, 3000 - at);
        Bytes got(asked + 1);
        reader->Seek(int32_t(at), seekBegin);
        count = asked;
        const uint32_t code = reader->Read(got.data(), count);
        ASSERT_EQ(count, expected) << at << " " << asked;
        const bool end = expected < asked && (expected == 0 || TypeParam::kShortReadIsEnd);
        EXPECT_EQ(code, end ? errEndOfData : 0u) << at << " " << asked;
        EXPECT_TRUE(std::equal(got.begin(), got.begin() + count, bytes.begin() + at)) << at;
        EXPECT_EQ(reader->GetPosition(), int32_t(at + count));
    }
}

// A memory stream counts a seek from the end back from the end, keeps the position for an
// unknown origin and keeps every position within [0, size], also where 32-bit arithmetic
// would wrap. SetSize cuts or extends with zeros and keeps the position within the size.
TEST(DynamicStream, SeeksAreClampedAndTheSizeFollowsCutsAndWrites) {
    StreamPtr held = MemoryHolding(Bytes(100, '.'));
    auto& s = static_cast<LDynamicStream&>(*held);
    const int32_t seeks[][4] = {
        {0, 0, seekEnd, 100},        {0, 10, seekEnd, 90}, {0, 500, seekBegin, 100},
        {2, -5, seekCurrent, 0},     {7, 3, 0, 7},         {5, INT32_MAX, seekCurrent, 100},
        {5, INT32_MIN, seekEnd, 100}};
    for (const auto& [from, offset, origin, to] : seeks) {
        s.Seek(from, seekBegin);
        s.Seek(offset, uint32_t(origin));
        EXPECT_EQ(s.GetPosition(), to) << from << " " << offset << " " << origin;
    }
    s.Seek(4, seekBegin);
    s.SetSize(2);
    EXPECT_EQ(s.GetPosition(), 2);
    s.SetSize(4); // the position stays
    s.WriteOrThrow("x", 1);
    EXPECT_EQ(Held(s), std::string("..x\0", 4));
}

// A standard I/O stream is borrowed: flushed but not closed. A write that does not get
// through is reported.
TEST(StdioStream, LeavesTheFileOpenAndReportsFailedWrites) {
    const std::unique_ptr<std::FILE, TCloseFile> readOnly(std::fopen("/proc/self/exe", "rb"));
    {
        TSTDIOStream stream(readOnly.get());
        uint32_t count = 3;
        EXPECT_EQ(stream.Write("abc", count), errWriteFailed);
        EXPECT_EQ(count, 0u);
    }
    std::rewind(readOnly.get());
    EXPECT_EQ(std::fgetc(readOnly.get()), 0x7F); // still open: a program file starts so
}

// The block reader is read-only and, like a file, places positions beyond the end (reading
// nothing there) but not below 0 or beyond 2 GiB.
TEST(BlockReadStream, RefusesChangesAndPositionsOutside32Bits) {
    TBlockReadStream stream(MemoryHolding({1, 2, 3}), 2);
    EXPECT_EQ(CodeOf([&] { stream.SetSize(1); }), errReadOnly);
    char byte = 0;
    stream.Seek(4, seekEnd);
    EXPECT_EQ(CodeOf([&] { stream.ReadOrThrow(&byte, 1); }), errEndOfData);
    EXPECT_EQ(CodeOf([&] { stream.Seek(-8, seekCurrent); }), errAssert);
    EXPECT_EQ(CodeOf([&] { stream.Seek(INT32_MAX, seekEnd); }), errAssert);
    EXPECT_EQ(stream.GetPosition(), 7);
}

// The buffered writer passes its buffer on only when a piece would overflow it, and before a
// piece that goes straight through; a failure below comes back from the write that met it.
TEST(BufferedWriteStream, HoldsBytesUntilTheyOverflowOrAFlushAndReportsFailures) {
    auto below = std::make_unique<LDynamicStream>();
    LDynamicStream& bytes = *below;
    TBufferedWriteStream stream(std::move(below), 8);
    for (std::string piece : {"abcde", "fgh", "ij"}) { // the second fills the buffer exactly
        EXPECT_EQ(bytes.GetSize(), 0) << piece;
        stream.WriteOrThrow(piece.data(), uint32_t(piece.size()));
    }
    stream.WriteOrThrow("0123456789", 10); // larger than the buffer: "ij" goes first
    stream.WriteBuffered();
    EXPECT_EQ(Held(bytes), "abcdefghij0123456789");
    TBufferedWriteStream failing(std::make_unique<TBlockReadStream>(MemoryHolding({})), 4);
    uint32_t count = 2;
    failing.WriteOrThrow("abc", 3);
    EXPECT_EQ(failing.Write("de", count), errWriteFailed); // would overflow: the failure shows
    EXPECT_EQ(count, 0u);
    failing.WriteOrThrow("x", 1);
    EXPECT_EQ(CodeOf([&] { failing.Flush(); }), errWriteFailed);
}

// The write buffer joins pieces that follow one another (writing nothing until it must); a
// piece elsewhere, or one that would overflow the capacity, sends what is buffered first; a
// piece larger than the capacity goes straight through.
TEST(WriteBuffer, JoinsFollowingPiecesAndKeepsTheOrderOfWrites) {
    LDynamicStream bytes;
    TWriteBuffer out(bytes, 6);
    const struct {
        uint32_t position;
        std::string piece, written; // what the stream holds afterwards
    } writes[] = {{0, "ab", ""},     {2, "cd", ""},        {1, "X", "abcd"},
                  {2, "YZ", "abcd"}, {4, "uvwxy", "aXYZ"}, {9, "0123456", "aXYZuvwxy0123456"}};
    for (const auto& [position, piece, written] : writes) {
        out.Write(position, piece.data(), uint32_t(piece.size()));
        EXPECT_EQ(Held(bytes), written) << piece;
    }
    EXPECT_EQ(out.End(), 16u);
    out.Write(16, "!", 1);
    out.Flush();
    out.Flush(); // nothing left to write
    EXPECT_EQ(Held(bytes), "aXYZuvwxy0123456!");
}

// Each open mode's position, creation (readable and writable, not executable) and refusals;
// failures to open throw the errno.
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
    FilePtr append = Open(openAppend), readWrite = Open(openReadWrite), reader = Open(openRead);
    EXPECT_EQ(append->GetPosition(), 10);
    append->WriteOrThrow("\x0a", 1);
    EXPECT_EQ(readWrite->GetPosition(), 0);
    readWrite->WriteOrThrow("\xff", 1);
    EXPECT_EQ(ReadBytes(fDir / "ten"), (Bytes{0xff, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(reader->Write("x", fCount), errWriteFailed);
    EXPECT_EQ(CodeOf([&] { reader->SetSize(5); }), errWriteFailed);
    FilePtr writer = Open(openWrite); // empties the file, refuses reads
    fCount = 1;
    EXPECT_EQ(writer->Read(&fByte, fCount), errEndOfData);
}

// Seeks add a seekEnd offset to the size (unlike a memory stream) and may go beyond the end,
// within signed 32 bits: a seek outside is refused and leaves the position. SetSize cuts or
// extends and leaves the position there; writing past the end leaves zeros; Reserve grows.
TEST_F(FileTest, PositionsAndSizesFollowTheSystemWithin32Bits) {
    FilePtr s = Open(openReadWrite);
    const int32_t seeks[][3] = {
        {-3, seekEnd, 7}, {5, seekEnd, 15}, {4, 99, 4}, {1, seekCurrent, 5}};
    for (const auto& [offset, origin, to] : seeks) {
        s->Seek(offset, uint32_t(origin));
        EXPECT_EQ(s->GetPosition(), to) << offset << " " << origin;
    }
    EXPECT_EQ(CodeOf([&] { s->Seek(-20, seekCurrent); }), uint32_t(EINVAL));
    EXPECT_EQ(s->GetPosition(), 5);
    s->Seek(INT32_MAX, seekBegin);
    EXPECT_EQ(CodeOf([&] { s->Seek(INT32_MAX, seekEnd); }), errAssert);
    EXPECT_EQ(s->GetPosition(), INT32_MAX);
    s->SetSize(4);
    EXPECT_EQ(s->GetPosition(), 4);
    s->Seek(6, seekBegin);
    s->WriteOrThrow("z", 1);
    s->Reserve(3);
    EXPECT_EQ(ReadBytes(fDir / "ten"), (Bytes{0, 1, 2, 3, 0, 0, 'z'}));
    s->Reserve(4096);
    EXPECT_EQ(s->GetSize(), 4096);
}

// A file closes the streams still open when it goes and lets go of them: they fail cleanly
// and may be deleted later. A rename stays in the directory; open streams follow the file.
TEST_F(FileTest, StreamsAreTrackedRenamedAndClosedWithTheFile) {
    auto file = std::make_unique<TFile>(TFilePath(fDir / "ten"));
    FilePtr a(file->OpenStream(openReadWrite)), b(file->OpenStream(openRead));
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
    EXPECT_EQ(
        CodeOf([&] { TFileLock::Acquire(TFilePath(fDir / "no"), TFileLock::TMode::kShared); }),
        uint32_t(ENOENT));
    auto first = TFileLock::Acquire(path, TFileLock::TMode::kShared);
    EXPECT_NE(TFileLock::Acquire(path, TFileLock::TMode::kShared), nullptr);
    first->MakeExclusive();
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
