#include "DatabaseFile.h"
#include "DatabaseImage.h"
#include "DynamicStream.h"
#include "Exception.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <vector>

using namespace WVEK;

namespace {

using Bytes = std::vector<uint8_t>;

bool IsDatabase(const TTempDirectory& dir, const Bytes& bytes) {
    WriteBytes(dir / "db", bytes);
    return IsDatabaseFile(TFilePath(dir / "db"));
}

// A stream that hands out at most one byte per Read, to exercise callers' short-read loops.
class TTrickleStream : public LStream {
public:
    explicit TTrickleStream(Bytes bytes) : fBytes(std::move(bytes)) {}
    uint32_t Write(const void*, uint32_t& count) override {
        count = 0;
        return errWriteFailed;
    }
    uint32_t Read(void* data, uint32_t& count) override {
        if (count == 0) return 0;
        if (fNext >= fBytes.size()) {
            count = 0;
            return errEndOfData;
        }
        *static_cast<uint8_t*>(data) = fBytes[fNext++];
        count = 1;
        return 0;
    }

private:
    Bytes fBytes;
    size_t fNext = 0;
};

} // namespace

TEST(DatabaseFile, EmptyAndHeaderOnlyFilesAreDatabases) {
    TTempDirectory dir;
    EXPECT_TRUE(IsDatabase(dir, {}));
    EXPECT_TRUE(IsDatabase(dir, FileHeaderImage()));
    Bytes reserved = FileHeaderImage();
    for (size_t i = 9; i < 25; ++i)
        reserved[i] = 0xA5; // the reserved words are not looked at
    EXPECT_TRUE(IsDatabase(dir, reserved));
    Bytes withRecord = DatabaseImage({{7, 't', 0, {'h', 'i'}}});
    EXPECT_TRUE(IsDatabase(dir, withRecord));
}

TEST(DatabaseFile, ShortOrWrongHeadersAreNotDatabases) {
    TTempDirectory dir;
    const Bytes header = FileHeaderImage();
    for (size_t length = 1; length < 25; ++length)
        EXPECT_FALSE(IsDatabase(dir, Bytes(header.begin(), header.begin() + long(length))))
            << length;
    for (size_t i = 0; i < 9; ++i) {
        Bytes flipped = header;
        flipped[i] ^= 0x20;
        EXPECT_FALSE(IsDatabase(dir, flipped)) << i;
    }
    Bytes unterminated = header;
    unterminated[8] = '!';
    EXPECT_FALSE(IsDatabase(dir, unterminated));
}

TEST(DatabaseFile, MissingPathsAndDirectoriesAreNotDatabases) {
    TTempDirectory dir;
    EXPECT_FALSE(IsDatabaseFile(TFilePath(dir / "missing")));
    EXPECT_FALSE(IsDatabaseFile(TFilePath(dir.Path())));
    EXPECT_FALSE(IsDatabaseFile(TFilePath("")));
}

TEST(DatabaseFile, WritesTheFreshHeaderAtThePosition) {
    LDynamicStream stream;
    WriteFileHeader(stream);
    EXPECT_EQ(stream.GetSize(), 25);
    Bytes written(stream.Data(), stream.Data() + 25);
    EXPECT_EQ(written, FileHeaderImage());
}

TEST(DatabaseFile, ReadExactlyLoopsOverShortReads) {
    TTrickleStream stream({1, 2, 3, 4, 5});
    uint8_t bytes[4] = {};
    ReadExactly(stream, bytes, 4);
    EXPECT_EQ(bytes[3], 4);
    try {
        ReadExactly(stream, bytes, 2);
        FAIL() << "read past the end";
    } catch (const TTolvException& e) {
        EXPECT_EQ(e.code, errEndOfData);
    }
    ReadExactly(stream, bytes, 0); // nothing asked, nothing thrown
}
