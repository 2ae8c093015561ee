#pragma once
// The name tables of the argument formats that show names: object kinds, alert kinds,
// criteria and orientation letters. Shared by the show and read sides.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

struct ZObjectKindName {
    const char* shortName; // what the disassembler shows
    const char* longName;  // also accepted by the assembler
};

// Object kinds by byte value (format 7).
constexpr size_t kObjectKindCount = 20;
extern const ZObjectKindName kObjectKinds[kObjectKindCount];

// Alert kinds by byte value (format 11).
constexpr size_t kAlertKindCount = 9;
extern const char* const kAlertKinds[kAlertKindCount];

// Criteria by value (format 10); the assembler also reads kCriterionSelection as 1.
constexpr size_t kCriterionCount = 26;
extern const char* const kCriteria[kCriterionCount];
extern const char* const kCriterionSelection; // "selection"

// Orientation letters by justification value 0..4 (format 8).
constexpr size_t kJustificationCount = 5;
extern const char kHorizontalLetters[kJustificationCount + 1]; // "clrfe"
extern const char kVerticalLetters[kJustificationCount + 1];   // "ctbfe"

// The byte of an object kind named by its short or long name.
std::optional<uint8_t> FindObjectKind(std::string_view name);
// The byte of an alert kind name.
std::optional<uint8_t> FindAlertKind(std::string_view name);
// The value of a criterion name, "selection" included.
std::optional<uint8_t> FindCriterion(std::string_view name);
// The justification value of an orientation letter (c = 0, l and t = 1, r and b = 2, f = 3,
// e = 4), read the same way in both positions.
std::optional<uint8_t> FindJustification(char letter);
