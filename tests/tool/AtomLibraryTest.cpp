// The tool's binding to the library: what it says about an assembly failure beyond the code.
#include "AtomLibrary.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The word on the failing line that is none of the names of the argument part it stands in,
// with those names (a long kind name is known although only the short one is listed); nothing
// for failures that no name explains.
TEST(AtomLibrary, NamesTheWordThatIsNoNameOfItsArgument) {
    TFilePath table(std::string(std::getenv("TARNWICK_BIN")) + "/kel.bin");
    ASSERT_TRUE(InitAtomLibrary(&table));
    const std::pair<std::string, std::string> cases[] = {
        {"form_begin\r\n  then <visible <yes> on <Click>>\r\nform_end",
         "unknown name 'Click' (known: void, select, "},
        {"style <bold | shiny>",
         "unknown name 'shiny' (known: plain, bold, italic, underline, strike)"},
        {"group <independent, \"a\"> font <serif, 12, loud>",
         "unknown name 'loud' (known: regular, heavy, slanted)"},
        {"delay <soon> ; on <click>", ""}, // a word argument has no names, a comment none at all
    };
    for (const auto& [text, explanation] : cases) { // a list that ends in ", " goes on
        TMemBuffer buffer(text.c_str(), uint32_t(text.size() + 1));
        int32_t result = 0;
        EXPECT_FALSE(AssembleAtomStream(buffer, &result)) << text;
        const std::string got = ExplainAtomStreamFailure(text, result);
        EXPECT_EQ(explanation.ends_with(", ") ? got.substr(0, explanation.size()) : got,
                  explanation)
            << text;
    }
    ResetAtomLibraryState();
}

// A buffer that runs out of memory past its first block.
class TFullBuffer : public TMemBuffer {
public:
    bool Append(const void* source, uint32_t count) override {
        return GetLength() + uint64_t(count) <= 4096 && TMemBuffer::Append(source, count);
    }
};

// A text longer than the first output block needs the buffer to grow: where it cannot, the
// library must not be handed more room than the block has (ASan sees the overflow).
TEST(AtomLibrary, GrowsTheOutputOnlyAsFarAsTheBufferDid) {
    TFilePath table(std::string(std::getenv("TARNWICK_BIN")) + "/kel.bin");
    ASSERT_TRUE(InitAtomLibrary(&table));
    std::string text;
    for (int i = 0; i < 600; ++i)
        text += "style <bold | italic>\r\n";
    TMemBuffer stream(text.c_str(), uint32_t(text.size() + 1));
    ASSERT_TRUE(AssembleAtomStream(stream, nullptr));
    TFullBuffer full;
    EXPECT_FALSE(DisassembleAtomStream(stream.Data(), stream.GetLength(), full));
    TMemBuffer shown;
    ASSERT_TRUE(DisassembleAtomStream(stream.Data(), stream.GetLength(), shown));
    EXPECT_GT(shown.GetLength(), 4096u);
    ResetAtomLibraryState();
}

} // namespace
