#include "RecordIds.h"
#include "CapturedRun.h"

#include <gtest/gtest.h>

namespace {

TEST(FormatRecordId, WritesTwoOrThreeFields) {
    EXPECT_EQ(FormatRecordId(0x00010005, '-'), "1-5");
    EXPECT_EQ(FormatRecordId(0x01020003, '-'), "1-2-3");
    EXPECT_EQ(FormatRecordId(0, '-'), "0-0");
    EXPECT_EQ(FormatRecordId(5, '-'), "0-5");
    EXPECT_EQ(FormatRecordId(0xFF000000, '-'), "255-0-0");
    EXPECT_EQ(FormatRecordId(0xFFFFFFFF, '.'), "255.255.65535");
}

TEST(ParseRecordId, ReadsTheThreeNotations) {
    EXPECT_EQ(ParseRecordId("1-2-3"), 0x01020003u);
    EXPECT_EQ(ParseRecordId("1-5"), 0x00010005u);
    EXPECT_EQ(ParseRecordId("0x1F"), 31u);
    EXPECT_EQ(ParseRecordId("0X1f"), 31u);
    EXPECT_EQ(ParseRecordId("65541"), 65541u);
    EXPECT_EQ(ParseRecordId("255-0-0"), 0xFF000000u);
    EXPECT_EQ(ParseRecordId("abc"), 0u);
    EXPECT_EQ(ParseRecordId(""), 0u);
}

TEST(ParseRecordId, HexadecimalRule) {
    // Any x selects it, and the first two bytes are dropped whatever they are.
    EXPECT_EQ(ParseRecordId("ab12x"), 0x12u);
    EXPECT_EQ(ParseRecordId("1-2x"), 0x2u);
    EXPECT_EQ(ParseRecordId("0x0x5"), 5u); // the rest may carry its own prefix
    EXPECT_EQ(ParseRecordId("0x-1"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseRecordId("0xFFFFFFFF"), 0x7FFFFFFFu); // clamped to the signed range
    EXPECT_EQ(ParseRecordId("0x80000000"), 0x7FFFFFFFu);
    // Shorter than the prefix: nothing to read, and nothing read past the end.
    EXPECT_EQ(ParseRecordId("x"), 0u);
    EXPECT_EQ(ParseRecordId("X"), 0u);
    EXPECT_EQ(ParseRecordId("0x"), 0u);
}

TEST(ParseRecordId, VekFieldsAreJoinedUnmasked) {
    EXPECT_EQ(ParseRecordId("1-70000"), 0x00011170u);
    EXPECT_EQ(ParseRecordId("300-1"), (300u << 16) | 1u);
    EXPECT_EQ(ParseRecordId("1-300-2"), (1u << 24) | (300u << 16) | 2u);
    EXPECT_EQ(ParseRecordId("1-2-3-4"), 0x01020003u); // a third dash ends the number
    EXPECT_EQ(ParseRecordId("1-"), 0x00010000u);
    EXPECT_EQ(ParseRecordId("1--5"), 0x01000005u); // empty type field
    EXPECT_EQ(ParseRecordId("1-2--5"), 0x01020000u | 0xFFFFFFFBu);
    EXPECT_EQ(ParseRecordId(" 2-3"), 0x00020003u);
    // The high part is read from the text before the first dash only.
    EXPECT_EQ(ParseRecordId("  -5-1"), 0x00050001u); // a dash after spaces is not leading
    EXPECT_EQ(ParseRecordId("a-5"), 0x00000005u);
    EXPECT_EQ(ParseRecordId("99999999999-0"), 0xFFFF0000u); // clamped, then shifted
}

TEST(ParseRecordId, LeadingDashMeansDecimal) {
    EXPECT_EQ(ParseRecordId("-1-2"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseRecordId("-5"), 0xFFFFFFFBu);
    EXPECT_EQ(ParseRecordId("99999999999"), 0x7FFFFFFFu);
    EXPECT_EQ(ParseRecordId("-99999999999"), 0x80000000u);
}

TEST(ParseRecordId, VekNotationRoundTripsEveryField) {
    for (uint32_t high : {0u, 1u, 127u, 128u, 255u})
        for (uint32_t type : {0u, 1u, 200u, 255u})
            for (uint32_t number : {0u, 1u, 32767u, 32768u, 65535u}) {
                uint32_t id = (high << 24) | (type << 16) | number;
                EXPECT_EQ(ParseRecordId(FormatRecordId(id, '-')), id) << id;
            }
}

// ---- Ranges ------------------------------------------------------------------------------

struct TRangeCase {
    const char* argument;
    std::vector<std::pair<uint32_t, uint32_t>> ranges;
};

std::vector<std::pair<uint32_t, uint32_t>> Pairs(const std::vector<TRecordRange>& ranges) {
    std::vector<std::pair<uint32_t, uint32_t>> pairs;
    for (const TRecordRange& range : ranges)
        pairs.emplace_back(range.low, range.high);
    return pairs;
}

TEST(ParseRecordRanges, AcceptedArguments) {
    const TRangeCase cases[] = {
        {"0", {{0, 0}}},
        {"0:0", {{0, 0}}},
        {"0,0", {{0, 0}, {0, 0}}},
        {"10:5", {{5, 10}}},
        {"1-5:+3", {{0x00010005, 0x00010008}}},
        {"5:+0x10", {{5, 5}}},
        {"1,2:4,7", {{1, 1}, {2, 4}, {7, 7}}},
        {"4,4,1:3,2", {{4, 4}, {4, 4}, {1, 3}, {2, 2}}},
        {"1-0:1-2:9", {{0x00010000, 0x00010002}}}, // split at the first colon only
        {"255-255-65535:+1", {{0, 0xFFFFFFFF}}},   // the sum wraps, then the ends swap
        {"10:+-3", {{7, 10}}},
    };
    for (const TRangeCase& test : cases) {
        TCapturedRun run({test.argument});
        auto ranges = ParseRecordRanges();
        ASSERT_TRUE(ranges.has_value()) << test.argument << ": " << run.messages;
        EXPECT_EQ(Pairs(*ranges), test.ranges) << test.argument;
        EXPECT_EQ(run.messages, "");
        EXPECT_EQ(run.ExitStatus(), 0);
    }
}

TEST(ParseRecordRanges, RejectedArgumentsAndTheirMessages) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{}, "ERROR: no id or range was given\n"},
        {{""}, "ERROR: no id or range was given\n"},
        {{":5"}, "ERROR: invalid range ':5'\n"},
        {{"5:"}, "ERROR: invalid range '5:'\n"},
        {{"1,,2"}, "ERROR: invalid range ''\n"},
        {{"1,"}, "ERROR: invalid range ''\n"},
        {{","}, "ERROR: invalid range ''\n"},
        {{"1,2:3,:"}, "ERROR: invalid range ':'\n"},
        {{"abc"}, "ERROR: you didn't specify a valid range (abc)\n"},
        {{"0x0"}, "ERROR: you didn't specify a valid range (0x0)\n"},
        {{"0-0"}, "ERROR: you didn't specify a valid range (0-0)\n"},
        {{"00"}, "ERROR: you didn't specify a valid range (00)\n"},
        {{"0:+0"}, "ERROR: you didn't specify a valid range (0:+0)\n"},
    };
    for (const auto& [words, message] : cases) {
        TCapturedRun run(words);
        EXPECT_FALSE(ParseRecordRanges().has_value()) << message;
        EXPECT_EQ(run.messages, message);
        EXPECT_EQ(run.ExitStatus(), -1);
    }
}

TEST(ParseRecordRanges, TakesOnlyTheNextArgument) {
    TCapturedRun run({"1:2", "3"});
    auto ranges = ParseRecordRanges();
    ASSERT_TRUE(ranges.has_value());
    EXPECT_EQ(ranges->size(), 1u);
    EXPECT_EQ(NextArgument(), "3");
}

TEST(VisitRecordIds, EndsAfterHighAlsoAtTheTopOfTheIdSpace) {
    std::vector<uint32_t> seen;
    VisitRecordIds({0xFFFFFFFD, 0xFFFFFFFF}, [&](uint32_t id) { seen.push_back(id); });
    EXPECT_EQ(seen, (std::vector<uint32_t>{0xFFFFFFFD, 0xFFFFFFFE, 0xFFFFFFFF}));
    seen.clear();
    VisitRecordIds({7, 7}, [&](uint32_t id) { seen.push_back(id); });
    EXPECT_EQ(seen, (std::vector<uint32_t>{7}));
}

// ---- calc --------------------------------------------------------------------------------

TEST(Calc, StopsAtAnEmptyArgument) {
    TCapturedRun run({"7", "", "8"});
    CalcHandler();
    EXPECT_EQ(run.messages, "7 == VEK: 0-7  Hex: 0x7  Decimal: 7\n");
}

} // namespace
