#include "NumberReader.h"

namespace Numbers {
namespace {

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

// The magnitude read, saturated just above 32 bits so that it never overflows.
struct Scan {
    uint64_t magnitude = 0;
    bool negative = false;
    bool anyDigits = false;
    const char* end = nullptr;
};

Scan ScanNumber(const char* text, int base) {
    Scan scan;
    const char* p = text;
    while (IsSpace(*p))
        ++p;
    if (*p == '+' || *p == '-') {
        scan.negative = (*p == '-');
        ++p;
    }
    bool hexPrefix = p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && DigitValue(p[2]) < 16;
    if ((base == 0 || base == 16) && hexPrefix) {
        base = 16;
        p += 2;
    } else if (base == 0) {
        base = (p[0] == '0') ? 8 : 10;
    }
    constexpr uint64_t kSaturated = uint64_t(1) << 33;
    for (; DigitValue(*p) < base; ++p) {
        scan.anyDigits = true;
        scan.magnitude = scan.magnitude * base + DigitValue(*p);
        if (scan.magnitude > kSaturated) scan.magnitude = kSaturated;
    }
    scan.end = scan.anyDigits ? p : text;
    return scan;
}

} // namespace

int32_t ReadSigned(const char* text, int base, const char** end) {
    Scan scan = ScanNumber(text, base);
    if (end) *end = scan.end;
    if (scan.negative) {
        if (scan.magnitude > 0x80000000u) return INT32_MIN;
        return int32_t(-int64_t(scan.magnitude));
    }
    if (scan.magnitude > 0x7FFFFFFFu) return INT32_MAX;
    return int32_t(scan.magnitude);
}

uint32_t ReadUnsigned(const char* text, int base, const char** end) {
    Scan scan = ScanNumber(text, base);
    if (end) *end = scan.end;
    if (scan.magnitude > 0xFFFFFFFFu) return 0xFFFFFFFFu;
    uint32_t value = uint32_t(scan.magnitude);
    return scan.negative ? uint32_t(0u - value) : value;
}

} // namespace Numbers
