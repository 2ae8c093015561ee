#pragma once
// Small string helpers used across the tool, and the two string lookups that go through the
// object factory (resource strings and string-table records).

#include "Factory.h"

#include <cstdarg>
#include <cstdint>
#include <string>

// Change the letters a-z to A-Z (ToUpper) or A-Z to a-z (ToLower) in place; no other byte
// changes, whatever the locale.
void ToUpper(std::string& text);
void ToLower(std::string& text);

// `value` in decimal, with "-" for negatives.
std::string FormatNumber(int32_t value);

// The decimal number at the start of `text` after optional white space and sign; 0 when
// there is none; the rest of the text is ignored. Clamped to the signed 32-bit range.
int32_t ParseNumber(const std::string& text);

// printf into a std::string of whatever length the result needs.
std::string FormatString(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatStringV(const char* format, va_list arguments)
    __attribute__((format(printf, 1, 0)));

// Longest text LoadResourceString returns; longer resources are cut to this many bytes.
constexpr size_t kMaxResourceString = 255;

// String resource `id` of `module`. A null module means the module of the registered
// TAppStatus (kind 5) when there is one, else the program's own strings. A missing
// resource gives the empty string.
std::string LoadResourceString(uint32_t id, TResourceModule module = nullptr);

// Entry `index` of the string table: the bytes of record 0x16010000 + index handed out by the
// registered TDBObjectClass; empty when it has no such record or the record is empty.
// Throws TTolvException(errNilPointer) when no TDBObjectClass is registered.
std::string LoadRecordString(uint32_t index);
