#pragma once
// Argument format codes, as stored in an atom's format field (and a multi component's).
// Codes 0, 1 and every code not named here are raw bytes. See docs/atom-text-read.md.

#include <cstdint>

enum ZFormat : uint16_t {
    fmtRaw = 1,
    fmtNumber = 2,
    fmtString = 3,
    fmtBoolean = 4,
    fmtGlobalId = 5,
    fmtStream = 6,
    fmtObjectName = 7,
    fmtOrientation = 8,
    fmtToken = 9,
    fmtCriterion = 10,
    fmtAlert = 11,
    fmtAtomReference = 12,
    fmtByteList = 13,
    fmtHidden = 14,
    fmtLetterNumber = 15,
    fmtLetterString = 16,
    fmtLetters = 17,
    fmtMulti = 18,
    fmtEnumeration = 19,
    fmtByte = 20,
    fmtWord = 21,
    fmtDword = 22,
};
