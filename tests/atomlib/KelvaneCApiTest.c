/* The public header compiled as plain C99, run where no default table lies: the exports load
 * lazily and fail with 1 until KelInitialize finds a table. Prints each failed check and
 * returns 1 when there was one. */
#include "kelvane.h"

#include <stddef.h>
#include <stdio.h>
#include <string.h>

static int failures = 0;

#define CHECK(condition)                                                                           \
    if (!(condition))                                                                              \
    fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition), ++failures

int main(void) {
    uint8_t stream[32] = {0x02, 0x01, 0x00};
    char text[64];
    uint32_t size = sizeof text;
    /* The records are packed, with 8-byte pointers, as the C++ side sees them. */
    CHECK(sizeof(KelDisassemblyState) == 42 && offsetof(KelDisassemblyState, largeBlock) == 34);
    CHECK(sizeof(KelAtomInfo) == 14 && sizeof(KelTextDesc) == 16);
    CHECK(KelDisassembleAtomStream(stream, 3, 0, text, &size) == 1 && size == sizeof text);
    CHECK(KelInitialize(NULL) == 1 && KelInitialize(KEL_DEFAULT_TABLE) == 0);
    CHECK(KelDisassembleAtomStream(stream, 3, 0, text, &size) == 0 &&
          strcmp(text, "label\r\n") == 0);
    CHECK(KEL_ERROR_CODE(196616) == 8 && KEL_ERROR_LINE(196616) == 3);
    return failures == 0 ? 0 : 1;
}
