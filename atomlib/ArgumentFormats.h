#pragma once
// Argument format codes (ZAtom::format, ZMulti::format): what an atom's argument bytes mean
// and how they are written as text. Codes 0, 1 and any code not listed are raw bytes.

#include <cstdint>

enum ZFormat : uint16_t {
    kFormatRaw = 1,
    kFormatNumber = 2,
    kFormatString = 3,
    kFormatBoolean = 4,
    kFormatGlobalId = 5,
    kFormatStream = 6,
    kFormatObjectName = 7,
    kFormatOrientation = 8,
    kFormatToken = 9,
    kFormatCriterion = 10,
    kFormatAlert = 11,
    kFormatAtomReference = 12,
    kFormatByteList = 13,
    kFormatHidden = 14,
    kFormatLetterNumber = 15,
    kFormatLetterString = 16,
    kFormatLetters = 17,
    kFormatMulti = 18,
    kFormatEnumeration = 19,
    kFormatByte = 20,
    kFormatWord = 21,
    kFormatDword = 22,
};

// The format code of an export's int parameter: a value outside 16 bits names no format,
// like every unlisted code, and so means raw bytes.
inline uint16_t FormatCodeOf(int format) {
    return format >= 0 && format <= 0xFFFF ? uint16_t(format) : 0;
}
