#pragma once
// Result codes of the Kelvane library. Every code has a fixed text under string resource
// code + 100 (resources/KelvaneStrings.cpp); the exports return these values unchanged, and
// assembly errors carry the source line in the upper 16 bits.

#include <cstdint>

enum KelCode : int32_t {
    kelDisassembleFailedPrefix = -2,
    kelAssembleFailedPrefix = -1,
    kelSuccess = 0,
    kelTableOpenFail = 1,
    kelTableBadFormat = 2,
    kelNotImplemented = 3,
    kelBufferTooSmall = 4,
    kelOutOfMemory = 5,
    kelMissingQuote = 6,
    kelMissingOpenBracket = 7,
    kelMissingCloseBracket = 8,
    kelMissingComma = 9,
    kelUnrecognizedAtom = 10,
    kelBadFormat = 11,
    kelBadBooleanFormat = 12,
    kelBadOrientationFormat = 13,
    kelBadObjectNameFormat = 14,
    kelBadAlertNameFormat = 15,
    kelBadNumberFormat = 16,
    kelBadLetterFormat = 17,
    kelBadTokenFormat = 18,
    kelBadStringFormat = 19,
    kelBadGlobalIdFormat = 20,
    kelBadByteFormat = 21,
    kelBadHexFormat = 22,
    kelUnrecognizedEnum = 23,
    kelValueTooLarge = 24,
    kelCallbackCanceled = 25,
    kelBadEscapeSequence = 26,
    kelStreamTooLarge = 27,
    kelMismatchedTextType = 28,
};
