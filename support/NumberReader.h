#pragma once
// The project's one reader of numbers in text.
//
// The file formats and messages of this system were defined where `long` is 32 bits wide, so
// every "read as strtol/strtoul" in the system goes through these two functions, which keep
// the 32-bit results whatever the width of `long` on the build platform:
//  - leading white space (space, \t, \n, \v, \f, \r) is skipped, then an optional sign;
//  - base 0 detects "0x"/"0X" (hexadecimal), a leading "0" (octal), else decimal; base 16
//    accepts an optional "0x"/"0X" prefix; the prefix counts only when a hex digit follows;
//  - reading stops at the first character that is no digit of the base; no digits gives 0;
//  - ReadSigned clamps to [-2147483648, 2147483647]; ReadUnsigned clamps a magnitude above
//    4294967295 to 4294967295 and negates a value with "-" modulo 2^32.
// `end`, when given, receives the first character not read (the start of `text` when no
// digits were found). Neither function reads past the terminating NUL.

#include <cstdint>

namespace Numbers {

int32_t ReadSigned(const char* text, int base, const char** end = nullptr);
uint32_t ReadUnsigned(const char* text, int base, const char** end = nullptr);

} // namespace Numbers
