#include "Strings.h"
#include "ThrownCode.h"

#include <gtest/gtest.h>

namespace {

// Case folding touches ASCII letters only; formatted text has no length limit.
TEST(Strings, CaseFoldingNumbersAndFormatting) {
    std::string text = "Ab-Z@[`{z\xC4\xE4\x01";
    ToUpper(text);
    EXPECT_EQ(text, "AB-Z@[`{Z\xC4\xE4\x01");
    ToLower(text);
    EXPECT_EQ(text, "ab-z@[`{z\xC4\xE4\x01");
    EXPECT_EQ(FormatNumber(INT32_MIN), "-2147483648");
    EXPECT_EQ(ParseNumber(" \t-7 8"), -7);
    for (const char* none : {"abc", "", "0x10"})
        EXPECT_EQ(ParseNumber(none), 0) << none;
    EXPECT_EQ(ParseNumber("99999999999"), INT32_MAX);
    const std::string longText(10000, 'q');
    EXPECT_EQ(FormatString("<%s>%u-%c", longText.c_str(), 7u, 'x'), "<" + longText + ">7-x");
}

const char* TestModule(uint32_t id) {
    static const std::string kLong(300, 'L');
    return id == 258 ? "Other Main" : id == 9 ? kLong.c_str() : nullptr;
}

class TTestStatus : public TAppStatus {
public:
    int32_t askedKind = -1;
    TResourceModule module = TestModule;
    TResourceModule GetResourceModule(int32_t kind) override {
        askedKind = kind;
        return module;
    }
};

// A resource comes from the module named, else from the registered status object's module
// (kind 5), else from the program; missing ones are empty, long ones cut to 255 bytes.
TEST(Strings, ResourceStringsFromTheProgramOrTheStatusModule) {
    EXPECT_EQ(LoadResourceString(258), "Main");
    EXPECT_EQ(LoadResourceString(262) + LoadResourceString(263), ".ind.age"); // file names
    EXPECT_EQ(LoadResourceString(0), "");
    EXPECT_EQ(LoadResourceString(258, TestModule), "Other Main");
    EXPECT_EQ(LoadResourceString(262, TestModule), "");
    EXPECT_EQ(LoadResourceString(9, TestModule), std::string(255, 'L'));
    TTestStatus status;
    status.Register(kAppStatusClassId);
    EXPECT_EQ(LoadResourceString(258), "Other Main");
    EXPECT_EQ(status.askedKind, 5);
    status.module = nullptr; // naming no module leaves the program's own strings
    EXPECT_EQ(LoadResourceString(258), "Main");
    EXPECT_EQ(CodeOf([] { LoadRecordString(5); }), errNilPointer); // no record class registered
}

} // namespace
