#pragma once
// The show routine of each argument format, grouped by family in ShowValues.cpp,
// ShowText.cpp, ShowNames.cpp and ShowEnumeration.cpp; ArgumentShow.cpp picks one by format
// code. Each appends to context.out, reads at most `length` bytes and returns 0 or an error
// (see ShowArgument).

#include "ArgumentShow.h"

using ZShowRoutine = int32_t (*)(const ZShowContext& context, const uint8_t* data, size_t length);

// Numbers, bytes and letters.
int32_t ShowRaw(const ZShowContext& c, const uint8_t* data, size_t length);
int32_t ShowNumber(const ZShowContext& c, const uint8_t* data, size_t length);
int32_t ShowBoolean(const ZShowContext& c, const uint8_t* data, size_t length);
int32_t ShowGlobalId(const ZShowContext& c, const uint8_t* data, size_t length);
int32_t ShowOrientation(const ZShowContext& c, const uint8_t* data, size_t length);
int32_t ShowToken(const ZShowContext& c, const uint8_t* data, size_t length);
int32_t ShowByteList(const ZShowContext& c, const uint8_t* data, size_t length);
int32_t ShowLetterNumber(const ZShowContext& c, const uint8_t* data, size_t length);
int32_t ShowLetters(const ZShowContext& c, const uint8_t* data, size_t length);
int32_t ShowByte(const ZShowContext& c, const uint8_t* data, size_t length);
int32_t ShowWord(const ZShowContext& c, const uint8_t* data, size_t length);

// Quoted text.
void ShowQuotedText(const ZShowContext& c, const uint8_t* data, size_t length);
int32_t ShowString(const ZShowContext& c, const uint8_t* data, size_t length);
int32_t ShowLetterString(const ZShowContext& c, const uint8_t* data, size_t length);

// Names from the name tables and the atom table.
int32_t ShowObjectName(const ZShowContext& c, const uint8_t* data, size_t length);
int32_t ShowCriterion(const ZShowContext& c, const uint8_t* data, size_t length);
int32_t ShowAlert(const ZShowContext& c, const uint8_t* data, size_t length);
int32_t ShowAtomReference(const ZShowContext& c, const uint8_t* data, size_t length);

// The atom's multi components and enumerations.
int32_t ShowMulti(const ZShowContext& c, const uint8_t* data, size_t length);
int32_t ShowEnumeration(const ZShowContext& c, const uint8_t* data, size_t length);
// Appends `value` as format 19 shows it under enumeration `e` (also KelLookupAtomEnum's
// rendering); other kinds than 1, 2 and 3 append nothing.
void ShowEnumerationValue(ZString& out, const ZEnum& e, uint32_t value);

// A letter of formats 15, 16 and 17: the byte + 65 ("A" for 0), wrapping past 255.
inline char LetterOf(uint8_t byte) {
    return char(uint8_t(byte + 65));
}
