#include "StdioStream.h"
#include "Exception.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

struct TCloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, TCloseFile>;

} // namespace

TEST(StdioStream, WorksThroughTheFileWithoutClosingIt) {
    FilePtr file(std::tmpfile());
    ASSERT_NE(file, nullptr);
    char bytes[8] = {};
    uint32_t count = 8;
    {
        TSTDIOStream stream(file.get());
        stream.WriteOrThrow("hello", 5);
        stream.Seek(-4, seekEnd);       // fseek semantics: counted from the end
        EXPECT_EQ(stream.GetSize(), 5); // the size query returns to where it was
        EXPECT_EQ(stream.Read(bytes, count), 0u);
        EXPECT_STREQ(bytes, "ello");
        count = 8; // at the end: reported, unlike the plain fread it stands on
        EXPECT_EQ(stream.Read(bytes, count), errEndOfData);
        stream.Seek(4, seekBegin);
        stream.WriteOrThrow("!", 1);
    }
    std::rewind(file.get()); // still open
    EXPECT_EQ(std::fread(bytes, 1, 8, file.get()), 5u);
    EXPECT_EQ(std::string(bytes, 5), "hell!");
    // A write that does not get through is reported, not dropped silently.
    FilePtr readOnly(std::fopen("/proc/self/exe", "rb"));
    TSTDIOStream stream(readOnly.get());
    count = 3;
    EXPECT_EQ(stream.Write("abc", count), errWriteFailed);
    EXPECT_EQ(count, 0u);
}
