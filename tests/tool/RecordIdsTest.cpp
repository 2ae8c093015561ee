#include "RecordIds.h"
#include "RunState.h"

#include <gtest/gtest.h>

namespace {

// Written ids read back, in both field forms and across every field's range. Hexadecimal: any
// x selects it and the first two bytes are dropped whatever they are; reading is clamped to
// the signed range and never runs past the end. VEK: fields joined unmasked, a third dash ends
// the number. Decimal: also when the text begins with '-'.
TEST(RecordIds, FormatAndParseEachNotationByItsRules) {
    EXPECT_EQ(FormatRecordId(0x01020003, '-'), "1-2-3");
    EXPECT_EQ(FormatRecordId(0xFFFFFFFF, '.'), "255.255.65535");
    for (uint32_t high : {0u, 1u, 127u, 128u, 255u})
        for (uint32_t type : {0u, 1u, 200u, 255u})
            for (uint32_t number : {0u, 1u, 32767u, 32768u, 65535u}) {
                const uint32_t id = (high << 24) | (type << 16) | number;
                EXPECT_EQ(ParseRecordId(FormatRecordId(id, '-')), id) << id;
            }
    // clang-format off
    const std::pair<const char*, uint32_t> cases[] = {
        {"0X1f", 31},          {"65541", 65541},        {"abc", 0},             {"", 0},
        {"ab12x", 0x12},       {"0x0x5", 5},            {"0x-1", 0xFFFFFFFF},   {"0x", 0},
        {"0xFFFFFFFF", 0x7FFFFFFF},                     {"1-70000", 0x00011170},
        {"300-1", 0x012C0001}, {"1-300-2", 0x012C0002}, {"1-2-3-4", 0x01020003},
        {"1--5", 0x01000005},  {"1-2--5", 0xFFFFFFFB},  {" 2-3", 0x00020003},   {"a-5", 5},
        {"-1-2", 0xFFFFFFFF},  {"99999999999-0", 0xFFFF0000},                   {"1-", 0x00010000},
        {"99999999999", 0x7FFFFFFF},                    {"-99999999999", 0x80000000}};
    // clang-format on
    for (const auto& [text, id] : cases)
        EXPECT_EQ(ParseRecordId(text), id) << '"' << text << '"';
}

// A range is split at its first colon only; an offset sum wraps, then the ends swap; one
// argument is taken. An entry without a start or an end is invalid, and a lone 0-to-0 range
// must have been written as such.
TEST(RecordIds, RangeArguments) {
    std::string messages;
    TMessageSink previous = SetMessageSink([&](std::string_view text) { messages.append(text); });
    // Starts the run on "tarnwick", then the arguments that are not null.
    const auto start = [&](const char* argument, const char* next) {
        const char* argv[] = {"tarnwick", argument, next};
        CurrentRun().Start(argument ? (next ? 3 : 2) : 1, argv);
        messages.clear();
    };
    using TPairs = std::vector<std::pair<uint32_t, uint32_t>>;
    // clang-format off
    const std::pair<const char*, TPairs> accepted[] = {
        {"0", {{0, 0}}},  {"0:0", {{0, 0}}},  {"10:5", {{5, 10}}},  {"10:+-3", {{7, 10}}},
        {"1-5:+3", {{0x00010005, 0x00010008}}},         {"5:+0x10", {{5, 5}}},
        {"1,2:4,7", {{1, 1}, {2, 4}, {7, 7}}},          {"1-0:1-2:9", {{0x00010000, 0x00010002}}},
        {"4,4,1:3,2", {{4, 4}, {4, 4}, {1, 3}, {2, 2}}}, {"255-255-65535:+1", {{0, 0xFFFFFFFF}}}};
    // clang-format on
    for (const auto& [argument, expected] : accepted) {
        start(argument, "next");
        const auto ranges = ParseRecordRanges();
        ASSERT_TRUE(ranges.has_value()) << argument << ": " << messages;
        TPairs pairs;
        for (const TRecordRange& range : *ranges)
            pairs.emplace_back(range.low, range.high);
        EXPECT_EQ(pairs, expected) << argument;
        EXPECT_EQ(NextArgument() + messages + std::to_string(CurrentRun().exitStatus), "next0");
    }
    // clang-format off
    const std::pair<const char*, const char*> rejected[] = {
        {nullptr, "no id or range was given"}, {"", "no id or range was given"},
        {":5", "invalid range ':5'"},          {"5:", "invalid range '5:'"},
        {"1,,2", "invalid range ''"},          {",", "invalid range ''"},
        {"1,2:3,:", "invalid range ':'"},      {"abc", "you didn't specify a valid range (abc)"},
        {"0-0", "you didn't specify a valid range (0-0)"},
        {"0:+0", "you didn't specify a valid range (0:+0)"}};
    // clang-format on
    for (const auto& [argument, message] : rejected) {
        start(argument, nullptr);
        EXPECT_FALSE(ParseRecordRanges().has_value()) << message;
        EXPECT_EQ(messages, "ERROR: " + std::string(message) + "\n");
        EXPECT_EQ(CurrentRun().exitStatus, -1);
    }
    CurrentRun().Finish();
    SetMessageSink(std::move(previous));
}

} // namespace
