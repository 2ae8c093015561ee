#pragma once
// Record ids in their three notations, record-range arguments, and the `calc` command.
//
// VEK notation splits an id into the high field (bits 24-31), the type field (bits 16-23) and
// the number (bits 0-15), written in decimal: "H-T-N", or "T-N" when the high field is 0.
// Hexadecimal ("0x1F") and decimal ("65541") notations are read as well.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// An inclusive range of record ids, low <= high.
struct TRecordRange {
    uint32_t low;
    uint32_t high;
};

// `id` in VEK notation with `separator` between the fields.
std::string FormatRecordId(uint32_t id, char separator);

// The id written in `text` in any notation; never fails (text without a number gives 0).
// Hexadecimal and decimal values are clamped to the signed 32-bit range, so only VEK
// notation reaches ids above 0x7FFFFFFF.
uint32_t ParseRecordId(const std::string& text);

// True when `text` is exactly an id in one notation that reads as written: VEK fields within
// their widths, hexadecimal and decimal values within the signed 32-bit range. ParseRecordId
// reads more than this (stray bytes, overflowing fields), but not as the writer meant.
bool IsRecordIdText(const std::string& text);

// Takes the next argument (NextArgument) as a comma-separated list of entries "ID", "ID:ID"
// or "ID:+OFFSET" and returns its ranges in argument order, or nothing after ReportError.
std::optional<std::vector<TRecordRange>> ParseRecordRanges();

// Calls visit(id) for every id of `range` from low up to high, also when high is 0xFFFFFFFF.
template <class Visitor> void VisitRecordIds(const TRecordRange& range, Visitor visit) {
    for (uint32_t id = range.low;; ++id) {
        visit(id);
        if (id == range.high) break;
    }
}

// `calc`: shows every argument in the three notations.
void CalcHandler();
