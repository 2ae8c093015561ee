// The tool's binding to the library: what it says about an assembly failure beyond the code.
#include "AtomLibrary.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>

namespace {

// Assembles `text`, which must fail, and explains the failure.
std::string Explain(const std::string& text) {
    TMemBuffer buffer(text.c_str(), uint32_t(text.size() + 1));
    int32_t result = 0;
    EXPECT_FALSE(AssembleAtomStream(buffer, &result)) << text;
    return ExplainAtomStreamFailure(text, result);
}

// The word on the failing line that is none of the names of the argument part it stands in,
// with those names (a long kind name is known although only the short one is listed); nothing
// for failures that no name explains.
TEST(AtomLibrary, NamesTheWordThatIsNoNameOfItsArgument) {
    TFilePath table(std::string(std::getenv("TARNWICK_BIN")) + "/kel.bin");
    ASSERT_TRUE(InitAtomLibrary(&table));
    const std::pair<std::string, std::string> cases[] = {
        {"form_begin\r\n  on <Click>\r\nform_end", "unknown name 'Click' (known: void, select, "},
        {"then <visible <yes> on <never>>", "unknown name 'never' (known: void, select, "},
        {"style <bold | shiny>",
         "unknown name 'shiny' (known: plain, bold, italic, underline, strike)"},
        {"font <serif, 12, heavvy>", "unknown name 'heavvy' (known: regular, heavy, slanted)"},
        {"group <independent, \"a\"> alert <loud, \"b\">",
         "unknown name 'loud' (known: ?, info, error, pop_info, pop_error, warning, pop_warning, "
         "yes_no, yes_no_cancel)"},
        {"delay <soon>", ""},              // 16, but a word argument has no names
        {"on <select>\nzork", ""},         // 10
        {"on <select, 5>", ""},            // 8
        {"delay <soon> ; on <click>", ""}, // a comment is no argument
    };
    for (const auto& [text, explanation] : cases) { // a list that ends in ", " goes on
        const std::string got = Explain(text);
        EXPECT_EQ(explanation.ends_with(", ") ? got.substr(0, explanation.size()) : got,
                  explanation)
            << text;
    }
    EXPECT_TRUE(Explain("on <never>").ends_with(", activated, deactivated)"));
    ResetAtomLibraryState();
}

} // namespace
