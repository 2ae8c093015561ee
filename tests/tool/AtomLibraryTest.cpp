// The tool's binding to the library: what it says about an assembly failure beyond the code.
#include "AtomLibrary.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>

namespace {

class AtomLibrary : public testing::Test {
protected:
    void SetUp() override {
        TFilePath table(std::string(std::getenv("TARNWICK_BIN")) + "/kel.bin");
        ASSERT_TRUE(InitAtomLibrary(&table));
    }
    void TearDown() override { ResetAtomLibraryState(); }
};

// Assembles `text`, which must fail, and explains the failure.
std::string Explain(const std::string& text) {
    TMemBuffer buffer(text.c_str(), uint32_t(text.size() + 1));
    int32_t result = 0;
    EXPECT_FALSE(AssembleAtomStream(buffer, &result)) << text;
    return ExplainAtomStreamFailure(text, result);
}

TEST_F(AtomLibrary, NamesTheWordThatIsNoNameOfItsArgument) {
    const std::string criteria =
        "(known: void, select, close, open, gain_focus, lose_focus, cancel, enter_free, "
        "enter_paid, create, online, offline, restore, unknown, minimize, restore_from_maximize, "
        "restore_from_minimize, time_out, screen_name_changed, movie_over, drop, url_drop, "
        "user_delete, toggle_up, activated, deactivated)";
    const std::pair<std::string, std::string> cases[] = {
        {"form_begin\r\n  on <Click>\r\nform_end", "unknown name 'Click' " + criteria},
        {"then <visible <yes> on <never>>", "unknown name 'never' " + criteria},
        {"style <bold | shiny>",
         "unknown name 'shiny' (known: plain, bold, italic, underline, strike)"},
        {"anchor <left | bottm>",
         "unknown name 'bottm' (known: left, center, right, top, middle, bottom)"},
        {"font <serif, 12, heavvy>", "unknown name 'heavvy' (known: regular, heavy, slanted)"},
        // A long kind name is known although only the short one is listed.
        {"group <independent, \"a\"> alert <loud, \"b\">",
         "unknown name 'loud' (known: ?, info, error, pop_info, pop_error, warning, pop_warning, "
         "yes_no, yes_no_cancel)"},
        // Failures that no name explains.
        {"delay <soon>", ""},              // 16, but a word argument has no names
        {"on <select>\nzork", ""},         // 10
        {"on <select, 5>", ""},            // 8
        {"delay <soon> ; on <click>", ""}, // a comment is no argument
    };
    for (const auto& [text, explanation] : cases)
        EXPECT_EQ(Explain(text), explanation) << text;
}

} // namespace
