#pragma once
// The names the table source uses for argument formats and enumeration kinds; either may
// also be written as a number. Format 0 has no name (it is the default), nor do codes above
// 22 and kinds other than 1 to 3.

#include <cstdint>
#include <string>

// The name of format `code`, or null when it has none.
const char* FormatName(uint16_t code);
// The code of the format called `name`; false when no format has that name.
bool FormatByName(const std::string& name, uint16_t& code);

const char* EnumKindName(uint16_t kind);
bool EnumKindByName(const std::string& name, uint16_t& kind);
