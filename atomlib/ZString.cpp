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

void ZString::Append(const char* text) {
    ZBuffer::Append(text, std::strlen(text));
}

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

bool ZString::Equals(const char* text) const {
    return Equals(text, std::strlen(text));
}

bool ZString::Equals(const char* text, size_t length) const {
    return length == Length() && (length == 0 || std::memcmp(Data(), text, length) == 0);
}

void ZString::LowerCase() {
    uint8_t* p = MutableData();
    for (size_t i = 0; i < Length(); ++i)
        if (p[i] >= 'A' && p[i] <= 'Z') p[i] = uint8_t(p[i] - 'A' + 'a');
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

int ZString::NumberBase() const {
    char last = At(Length());
    return Length() > 1 && (last == 'x' || last == 'X') ? 16 : 0;
}

int32_t ZString::ReadSigned() const {
    return Numbers::ReadSigned(Text(), NumberBase());
}

uint32_t ZString::ReadUnsigned() const {
    return Numbers::ReadUnsigned(Text(), NumberBase());
}

bool ZString::IsNumber() const {
    if (Empty()) return false;
    const char* begin = Text();
    const char* end = begin + Length();
    char last = end[-1];
    if (Length() >= 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X') &&
        AllMatch(begin + 2, end, IsHexDigit))
        return true;
    if (Length() > 1 && (last == 'x' || last == 'X') && AllMatch(begin, end - 1, IsHexDigit))
        return true;
    return AllMatch(begin, end, IsDecimalDigit);
}
