#include "SourceNames.h"

#include <iterator>

namespace {

// Index = format code; code 0 is written by leaving the attribute out.
const char* const kFormatNames[] = {
    nullptr,          "raw",         "number",      "string",        "boolean",       "global_id",
    "stream",         "object_name", "orientation", "token",         "criterion",     "alert",
    "atom_reference", "byte_list",   "hidden",      "letter_number", "letter_string", "letters",
    "multi",          "enumeration", "byte",        "word",          "dword"};

// Index = enumeration kind.
const char* const kKindNames[] = {nullptr, "flags", "values", "masked"};

template <size_t N> const char* NameOf(const char* const (&names)[N], uint16_t code) {
    return code < N ? names[code] : nullptr;
}

template <size_t N>
bool CodeOf(const char* const (&names)[N], const std::string& name, uint16_t& code) {
    for (size_t i = 0; i < N; ++i)
        if (names[i] && name == names[i]) {
            code = uint16_t(i);
            return true;
        }
    return false;
}

} // namespace

const char* FormatName(uint16_t code) {
    return NameOf(kFormatNames, code);
}
bool FormatByName(const std::string& name, uint16_t& code) {
    return CodeOf(kFormatNames, name, code);
}
const char* EnumKindName(uint16_t kind) {
    return NameOf(kKindNames, kind);
}
bool EnumKindByName(const std::string& name, uint16_t& kind) {
    return CodeOf(kKindNames, name, kind);
}
