#include "StdioStream.h"
#include "Exception.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, CloseFile>;

} // namespace

TEST(StdioStream, WritesReadsAndSeeksThroughTheFile) {
    FilePtr file(std::tmpfile());
    ASSERT_NE(file, nullptr);
    TSTDIOStream stream(file.get());
    uint32_t count = 5;
    EXPECT_EQ(stream.Write("hello", count), 0u);
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(stream.GetPosition(), 5);
    stream.Seek(1, seekBegin);
    EXPECT_EQ(stream.GetSize(), 5); // the size query returns to where it was
    EXPECT_EQ(stream.GetPosition(), 1);
    char bytes[8] = {};
    count = 8;
    EXPECT_EQ(stream.Read(bytes, count), 0u);
    EXPECT_EQ(count, 4u);
    EXPECT_STREQ(bytes, "ello");
    count = 8;
    EXPECT_EQ(stream.Read(bytes, count), errEndOfData);
    EXPECT_EQ(count, 0u);
    count = 0;
    EXPECT_EQ(stream.Read(bytes, count), 0u);

    stream.Seek(-2, seekEnd); // fseek semantics: counted from the end
    EXPECT_EQ(stream.GetPosition(), 3);
    stream.Seek(1, seekCurrent);
    EXPECT_EQ(stream.GetPosition(), 4);
    stream.Seek(-100, seekBegin); // failure ignored, position kept
    EXPECT_EQ(stream.GetPosition(), 4);
    stream.SetSize(0); // does nothing
    EXPECT_EQ(stream.GetSize(), 5);
}

TEST(StdioStream, DestructionFlushesButDoesNotClose) {
    FilePtr file(std::tmpfile());
    ASSERT_NE(file, nullptr);
    {
        TSTDIOStream stream(file.get());
        stream.WriteOrThrow("abc", 3);
    }
    std::rewind(file.get());
    char bytes[4] = {};
    EXPECT_EQ(std::fread(bytes, 1, 3, file.get()), 3u); // still open, data there
    EXPECT_STREQ(bytes, "abc");
}

TEST(StdioStream, AShortWriteFails) {
    TTempDirectory dir;
    WriteBytes(dir / "f", {1, 2, 3});
    FilePtr file(std::fopen((dir / "f").c_str(), "rb"));
    ASSERT_NE(file, nullptr);
    TSTDIOStream stream(file.get());
    uint32_t count = 3;
    EXPECT_EQ(stream.Write("abc", count), errWriteFailed);
    EXPECT_EQ(count, 0u);
}
