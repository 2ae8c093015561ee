#pragma once
// The one exception type of the program and its error codes.
//
// Codes are plain 32-bit values. Four-character codes read as text from the most significant
// byte down; the 0x32xx and 0x30xx codes belong to the streams and the database engine; any
// other value is an operating-system error number (errno) passed on unchanged.

#include <cstdint>

constexpr uint32_t FourCharCode(char a, char b, char c, char d) {
    return (uint32_t(uint8_t(a)) << 24) | (uint32_t(uint8_t(b)) << 16) |
           (uint32_t(uint8_t(c)) << 8) | uint32_t(uint8_t(d));
}

constexpr uint32_t errNilPointer = FourCharCode('n', 'i', 'l', 'P'); // 0x6E696C50
constexpr uint32_t errAssert = FourCharCode('a', 's', 'r', 't');     // 0x61737274
constexpr uint32_t errEndOfData = 0x3201;
constexpr uint32_t errWriteFailed = 0x3202;
constexpr uint32_t errCannotGrow = 0x3203;
constexpr uint32_t errReadOnly = 0x3204;
constexpr uint32_t errDiskFull = 0x3205;
constexpr uint32_t errNoUniqueName = 0x3206;
constexpr uint32_t errDatabaseInUse = 0x3207; // another process holds a lock that conflicts
constexpr uint32_t errRebuildFailed = 0x3017;
constexpr uint32_t errCompactFailed = 0x3018;

static_assert(errNilPointer == 0x6E696C50 && errAssert == 0x61737274);

// Thrown by value, caught by value or reference; carries nothing but its code.
struct TTolvException {
    uint32_t code;
    explicit TTolvException(uint32_t c) : code(c) {}
};

// Throws a TTolvException with `code` unless `condition` holds.
inline void ThrowUnless(bool condition, uint32_t code = errAssert) {
    if (!condition) throw TTolvException(code);
}
