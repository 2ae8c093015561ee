#include "Strings.h"
#include "Exception.h"

#include <gtest/gtest.h>

namespace {

TEST(Strings, CaseFoldingTouchesOnlyAsciiLetters) {
    std::string text = "Ab-Z@[`{z\xC4\xE4\x01";
    ToUpper(text);
    EXPECT_EQ(text, "AB-Z@[`{Z\xC4\xE4\x01");
    ToLower(text);
    EXPECT_EQ(text, "ab-z@[`{z\xC4\xE4\x01");
}

TEST(Strings, FormatsAndParsesNumbers) {
    EXPECT_EQ(FormatNumber(-12), "-12");
    EXPECT_EQ(FormatNumber(INT32_MIN), "-2147483648");
    EXPECT_EQ(ParseNumber("42abc"), 42);
    EXPECT_EQ(ParseNumber(" \t-7 8"), -7);
    EXPECT_EQ(ParseNumber("abc"), 0);
    EXPECT_EQ(ParseNumber(""), 0);
    EXPECT_EQ(ParseNumber("0x10"), 0);
    EXPECT_EQ(ParseNumber("99999999999"), INT32_MAX);
}

TEST(Strings, FormatStringHasNoLengthLimit) {
    std::string longText(10000, 'q');
    EXPECT_EQ(FormatString("<%s>", longText.c_str()), "<" + longText + ">");
    EXPECT_EQ(FormatString("%s", ""), "");
    EXPECT_EQ(FormatString("%u-%c", 7u, 'x'), "7-x");
}

// ---- Resource strings --------------------------------------------------------------------

const char* TestModule(uint32_t id) {
    static const std::string kLong(300, 'L');
    if (id == 258) return "Other Main";
    if (id == 9) return kLong.c_str();
    return nullptr;
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

TEST(ResourceStrings, ProgramStringsWithoutAStatusComponent) {
    EXPECT_EQ(LoadResourceString(258), "Main");
    EXPECT_EQ(LoadResourceString(256), "VEK Plugin Files\\");
    EXPECT_EQ(LoadResourceString(257), "\\");
    EXPECT_EQ(LoadResourceString(262), ".ind");
    EXPECT_EQ(LoadResourceString(263), ".age");
    EXPECT_EQ(LoadResourceString(264), "");
    EXPECT_EQ(LoadResourceString(0), "");
}

TEST(ResourceStrings, AGivenModuleIsUsedAndLongTextsAreCut) {
    EXPECT_EQ(LoadResourceString(258, TestModule), "Other Main");
    EXPECT_EQ(LoadResourceString(262, TestModule), "");
    EXPECT_EQ(LoadResourceString(9, TestModule), std::string(255, 'L'));
}

TEST(ResourceStrings, TheStatusComponentRedirectsTheNullModule) {
    TTestStatus status;
    status.Register(kAppStatusClassId);
    EXPECT_EQ(LoadResourceString(258), "Other Main");
    EXPECT_EQ(status.askedKind, 5);
    // A status component that names no module leaves the program's own strings.
    status.module = nullptr;
    EXPECT_EQ(LoadResourceString(258), "Main");
}

// ---- Record strings ----------------------------------------------------------------------

class TTestRecord : public TDBObject {
public:
    std::string data;
    bool nullPointer = false;
    int releases = 0;
    void Release() override { ++releases; }
    const void* GetDataPointer() override { return nullPointer ? nullptr : data.data(); }
    uint32_t GetDataSize() override { return uint32_t(data.size()); }
};

class TTestRecords : public TDBObjectClass {
public:
    TTestRecord record;
    uint32_t askedId = 0, askedFlags = 99;
    bool hasRecord = true;
    TDBObject* GetObject(uint32_t recordId, uint32_t flags) override {
        askedId = recordId;
        askedFlags = flags;
        return hasRecord ? &record : nullptr;
    }
};

TEST(RecordStrings, WithoutARecordClassTheCallThrowsNilPointer) {
    try {
        LoadRecordString(5);
        FAIL() << "no exception";
    } catch (const TTolvException& e) {
        EXPECT_EQ(e.code, errNilPointer);
    }
}

TEST(RecordStrings, TheRecordBytesAreTheStringAndTheObjectIsReleased) {
    TTestRecords records;
    records.Register(kDBObjectClassId);
    records.record.data = std::string("ab\0c\0", 5);
    EXPECT_EQ(LoadRecordString(5), std::string("ab\0c\0", 5));
    EXPECT_EQ(records.askedId, 0x16010005u);
    EXPECT_EQ(records.askedFlags, 0u);
    EXPECT_EQ(records.record.releases, 1);

    records.record.data.clear();
    EXPECT_EQ(LoadRecordString(0xFFFFFFFF), "");
    EXPECT_EQ(records.askedId, 0x1600FFFFu); // the record id wraps modulo 2^32
    EXPECT_EQ(records.record.releases, 2);

    records.record.data = "xyz";
    records.record.nullPointer = true;
    EXPECT_EQ(LoadRecordString(1), "");
    EXPECT_EQ(records.record.releases, 3);

    records.hasRecord = false;
    EXPECT_EQ(LoadRecordString(1), "");
    EXPECT_EQ(records.record.releases, 3);
}

} // namespace
