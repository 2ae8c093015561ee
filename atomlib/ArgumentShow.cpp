// Picks the show routine of a format code (ShowFormats.h).
#include "ArgumentFormats.h"
#include "KelCodes.h"
#include "KelFlags.h"
#include "ShowFormats.h"

#include <iterator>

namespace {

int32_t ShowNothing(const ZShowContext&, const uint8_t*, size_t) {
    return kelSuccess;
}

int32_t ShowNestedStream(const ZShowContext& c, const uint8_t* data, size_t length) {
    return c.nested.ShowNestedStream(data, length);
}

// Index = format code; codes past the end are raw.
const ZShowRoutine kShowRoutines[] = {
    ShowRaw,           // 0
    ShowRaw,           // 1 raw
    ShowNumber,        // 2 number
    ShowString,        // 3 string
    ShowBoolean,       // 4 boolean
    ShowGlobalId,      // 5 global id
    ShowNestedStream,  // 6 stream
    ShowObjectName,    // 7 object name
    ShowOrientation,   // 8 orientation
    ShowToken,         // 9 token
    ShowCriterion,     // 10 criterion
    ShowAlert,         // 11 alert
    ShowAtomReference, // 12 atom reference
    ShowByteList,      // 13 byte list
    ShowNothing,       // 14 hidden
    ShowLetterNumber,  // 15 letter and number
    ShowLetterString,  // 16 letter and string
    ShowLetters,       // 17 letters
    ShowMulti,         // 18 multi
    ShowEnumeration,   // 19 enumeration
    ShowByte,          // 20 byte
    ShowWord,          // 21 word
    ShowNumber,        // 22 dword: the same four bytes at most as a number
};

} // namespace

int32_t ShowArgument(const ZShowContext& context, uint16_t format, const uint8_t* data,
                     size_t length) {
    if (context.flags & kelFlagAlternateSyntax) {
        if (format == kFormatEnumeration)
            format = kFormatNumber;
        else if (format >= kFormatMulti)
            format = kFormatRaw;
    }
    ZShowRoutine routine = format < std::size(kShowRoutines) ? kShowRoutines[format] : ShowRaw;
    return routine(context, data, length);
}
