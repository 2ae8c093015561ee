#include "ZString.h"

#include "NumberReader.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool AllMatch(const char* begin, const char* end, bool (*test)(char)) {
    for (const char* p = begin; p != end; ++p)
        if (!test(*p)) return false;
    return true;
}

bool IsDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

void ZString::AppendFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int need = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (need > 0) {
        uint8_t* end = Reserve(size_t(need));
        std::vsnprintf(reinterpret_cast<char*>(end), size_t(need) + 1, format, args);
        SetLength(Length() + size_t(need));
    }
    va_end(args);
}

void ZString::AppendDecimal(int64_t value) {
    char digits[20]; // a sign and the 19 digits of the largest magnitude
    size_t n = 0;
    uint64_t magnitude = value < 0 ? 0 - uint64_t(value) : uint64_t(value);
    do {
        digits[sizeof digits - ++n] = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) digits[sizeof digits - ++n] = '-';
    ZBuffer::Append(digits + sizeof digits - n, n);
}

bool ZString::Equals(const char* text) const {
    return Equals(text, std::strlen(text));
}

bool ZString::Equals(const char* text, size_t length) const {
    return length == Length() && (length == 0 || std::memcmp(Data(), text, length) == 0);
}

// Branch-free, so that the compiler can work on many bytes at once (the assembler
// lower-cases its whole input).
void ZString::LowerCase() {
    uint8_t* p = MutableData();
    size_t length = Length();
    for (size_t i = 0; i < length; ++i)
        p[i] = uint8_t(p[i] + (uint8_t(p[i] - 'A') < 26 ? 'a' - 'A' : 0));
}

void ZString::Insert(const char* text, size_t position) {
    size_t count = std::strlen(text);
    if (position < 1) position = 1;
    if (position > Length() + 1) position = Length() + 1;
    if (count == 0) return;
    ZString tail(Text() + position - 1, Length() - (position - 1));
    Truncate(position - 1);
    Append(text, count);
    ZBuffer::Append(tail.Data(), tail.Length());
}

size_t ZString::Find(char c) const {
    const void* hit = Length() ? std::memchr(Data(), c, Length()) : nullptr;
    return hit ? size_t(static_cast<const uint8_t*>(hit) - Data()) + 1 : 0;
}

int ZString::NumberBase(const char* text, size_t length) {
    char last = length > 0 ? text[length - 1] : '\0';
    return length > 1 && (last == 'x' || last == 'X') ? 16 : 0;
}

int32_t ZString::ReadSigned() const {
    return Numbers::ReadSigned(Text(), NumberBase(Text(), Length()));
}

uint32_t ZString::ReadUnsigned() const {
    return Numbers::ReadUnsigned(Text(), NumberBase(Text(), Length()));
}

bool ZString::IsNumber(const char* text, size_t length) {
    if (length == 0) return false;
    const char* end = text + length;
    char last = end[-1];
    if (length >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
        AllMatch(text + 2, end, IsHexDigit))
        return true;
    if (length > 1 && (last == 'x' || last == 'X') && AllMatch(text, end - 1, IsHexDigit))
        return true;
    return AllMatch(text, end, IsDecimalDigit);
}
