#include "RecordIds.h"

#include "NumberReader.h"
#include "RunState.h"
#include "Strings.h"

#include <algorithm>
#include <string_view>

namespace {

// The text as a number in `base`, read as strtol on a 32-bit platform, taken as unsigned.
uint32_t ReadId(const std::string& text, int base) {
    return uint32_t(Numbers::ReadSigned(text.c_str(), base));
}

// "H-T-N" or "T-N"; `firstDash` is the position of the first '-', which is not the first byte.
// The fields are joined unmasked, so a number above 0xFFFF spills into the type field.
uint32_t ParseVekNotation(const std::string& text, size_t firstDash) {
    uint32_t high = ReadId(text.substr(0, firstDash), 10);
    size_t secondDash = text.find('-', firstDash + 1);
    if (secondDash == std::string::npos)
        return (high << 16) | ReadId(text.substr(firstDash + 1), 10);
    uint32_t type = ReadId(text.substr(firstDash + 1, secondDash - firstDash - 1), 10);
    return (high << 24) | (type << 16) | ReadId(text.substr(secondDash + 1), 10);
}

// `digits` in `base` (10 or 16) as a number no larger than `max`; false for anything else.
bool IsNumberField(std::string_view digits, int base, uint32_t max) {
    uint64_t value = 0;
    for (char c : digits) {
        int digit = c >= '0' && c <= '9'                 ? c - '0'
                    : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : base == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                         : -1;
        if (digit < 0) return false;
        value = value * uint64_t(base) + uint64_t(digit);
        if (value > max) return false;
    }
    return !digits.empty();
}

// One entry of a range argument; false when its start or end text is empty.
bool ParseRangeEntry(const std::string& entry, TRecordRange& range) {
    size_t colon = entry.find(':');
    std::string start = entry.substr(0, colon);
    std::string end = colon == std::string::npos ? entry : entry.substr(colon + 1);
    if (start.empty() || end.empty()) return false;
    range.low = ParseRecordId(start);
    // The offset after '+' is always decimal; the sum wraps modulo 2^32.
    range.high = end[0] == '+' ? range.low + ReadId(end.substr(1), 10) : ParseRecordId(end);
    if (range.high < range.low) std::swap(range.low, range.high);
    return true;
}

} // namespace

// Written without a format call: every listed and dumped record shows its id.
std::string FormatRecordId(uint32_t id, char separator) {
    std::string text;
    if ((id >> 24) != 0) text = std::to_string(id >> 24) + separator;
    return text + std::to_string((id >> 16) & 0xFF) + separator + std::to_string(id & 0xFFFF);
}

uint32_t ParseRecordId(const std::string& text) {
    if (text.find_first_of("xX") != std::string::npos) {
        // The first two bytes are taken to be the "0x" prefix; a shorter text has no digits.
        return ReadId(text.substr(std::min<size_t>(2, text.size())), 16);
    }
    size_t dash = text.find('-');
    if (dash != std::string::npos && dash != 0) return ParseVekNotation(text, dash);
    return ReadId(text, 10);
}

bool IsRecordIdText(const std::string& text) {
    std::string_view rest(text);
    if (rest.size() > 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X'))
        return IsNumberField(rest.substr(2), 16, 0x7FFFFFFF);
    size_t first = rest.find('-');
    if (first == std::string_view::npos) return IsNumberField(rest, 10, 0x7FFFFFFF);
    size_t second = rest.find('-', first + 1);
    std::string_view number = rest.substr((second == std::string_view::npos ? first : second) + 1);
    bool high = second == std::string_view::npos || IsNumberField(rest.substr(0, first), 10, 0xFF);
    std::string_view type = second == std::string_view::npos
                                ? rest.substr(0, first)
                                : rest.substr(first + 1, second - first - 1);
    return high && IsNumberField(type, 10, 0xFF) && IsNumberField(number, 10, 0xFFFF);
}

std::optional<std::vector<TRecordRange>> ParseRecordRanges() {
    std::string argument = NextArgument();
    if (argument.empty()) {
        ReportError("no id or range was given");
        return std::nullopt;
    }
    std::vector<TRecordRange> ranges;
    ranges.reserve(size_t(std::count(argument.begin(), argument.end(), ',')) + 1);
    size_t start = 0;
    for (;;) {
        size_t comma = argument.find(',', start);
        std::string entry = argument.substr(start, comma - start);
        TRecordRange range;
        if (!ParseRangeEntry(entry, range)) {
            ReportError("invalid range '%s'", entry.c_str());
            return std::nullopt;
        }
        ranges.push_back(range);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    // A lone 0-to-0 range must have been written as such: anything else held no number.
    bool onlyZero = ranges.size() == 1 && ranges[0].low == 0 && ranges[0].high == 0;
    if (onlyZero && argument != "0" && argument != "0:0") {
        ReportError("you didn't specify a valid range (%s)", argument.c_str());
        return std::nullopt;
    }
    return ranges;
}

void CalcHandler() {
    bool converted = false;
    for (std::string argument = NextArgument(); !argument.empty(); argument = NextArgument()) {
        uint32_t id = ParseRecordId(argument);
        ReportInfo("%s == VEK: %s  Hex: 0x%X  Decimal: %u", argument.c_str(),
                   FormatRecordId(id, '-').c_str(), id, id);
        converted = true;
    }
    if (!converted) ReportError("you didn't provide a record id");
}
