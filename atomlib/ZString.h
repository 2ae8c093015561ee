#pragma once
// ZString: a ZBuffer that holds text, with the text operations the assembler, the
// disassembler and the atom table share. Content may hold NUL bytes; operations that take a
// `const char*` read it up to its terminator.

#include "ZBuffer.h"

#include <cstdint>
#include <cstring>

class ZString : public ZBuffer {
public:
    ZString() = default;
    explicit ZString(const char* text) { Append(text); }
    ZString(const char* text, size_t length) : ZBuffer(text, length) {}

    using ZBuffer::Append;
    void Append(const char* text) { ZBuffer::Append(text, std::strlen(text)); }
    void Append(char c) { AppendByte(uint8_t(c)); }
    // printf-style formatted append.
    void AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Appends `value` in decimal, as "%d" and "%u" show 32-bit values, without printf's cost.
    void AppendDecimal(int64_t value);

    // Exact comparison: same length, same bytes.
    bool Equals(const char* text) const;
    bool Equals(const char* text, size_t length) const;
    bool operator==(const ZString& other) const { return Equals(other.Text(), other.Length()); }

    // Lower-cases the letters A-Z in place; no other byte changes.
    void LowerCase();
    // Inserts `text` before the 1-based `position` (Length() + 1 appends).
    void Insert(const char* text, size_t position);
    // The 1-based position of the first `c`, or 0 when there is none.
    size_t Find(char c) const;

    // The content as a number: base 16 up to the x when it is longer than one character and
    // ends in x or X, else with the base detection of strtol/strtoul (32-bit results).
    int32_t ReadSigned() const;
    uint32_t ReadUnsigned() const;
    // The number test: "0x"/"0X" and hexadecimal digits; or more than one character, hex
    // digits and a final x or X; or decimal digits only. Empty content is no number.
    bool IsNumber() const { return IsNumber(Text(), Length()); }

    // The number test and the base of the reading above (16 for the "1fx" form, else 0 for
    // strtol's detection), for `length` bytes of any text.
    static bool IsNumber(const char* text, size_t length);
    static int NumberBase(const char* text, size_t length);
};
