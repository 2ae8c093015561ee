/*
 * An example Xlt library for Kelvane: one reversible text type, 258 ("shifted letters").
 *
 * Text of type 258 is stored with every ASCII letter moved one place on in the alphabet
 * ("hello" is stored as "ifmmp", z wraps to a) and shown with the letters moved back. Only
 * ASCII fits that form: a string holding other bytes is reported as needing type 4107.
 * Every other text type passes unchanged.
 */
#include "kelvane.h"

#include <stdlib.h>
#include <string.h>

#define XLT_EXPORT __attribute__((visibility("default")))

enum { kShiftedLetters = 258 };

/* Kelvane hands HText2CText the text type with its two bytes exchanged. */
static uint16_t Exchanged(uint16_t type) {
    return (uint16_t)((type >> 8) | (type << 8));
}

static char Shift(char c, int step) {
    if (c >= 'a' && c <= 'z') return (char)('a' + (c - 'a' + 26 + step) % 26);
    if (c >= 'A' && c <= 'Z') return (char)('A' + (c - 'A' + 26 + step) % 26);
    return c;
}

/* The shown text of the last HText2CText call; valid until the next call. */
static char* shown = NULL;
static size_t shownSize = 0;

__attribute__((destructor)) static void ReleaseShown(void) {
    free(shown);
}

XLT_EXPORT const char* HText2CText(const char* text, uint32_t length, uint16_t textType) {
    uint32_t i;
    if (textType != Exchanged(kShiftedLetters)) return NULL;
    if (shownSize < (size_t)length + 1) {
        char* grown = (char*)realloc(shown, (size_t)length + 1);
        if (!grown) return NULL;
        shown = grown;
        shownSize = (size_t)length + 1;
    }
    for (i = 0; i < length; ++i)
        shown[i] = Shift(text[i], -1);
    shown[length] = 0;
    return shown;
}

XLT_EXPORT const char* CText2HText(KelTextDesc* desc) {
    uint32_t i;
    if (desc->textType != kShiftedLetters) return NULL;
    for (i = 0; i < desc->length; ++i)
        if ((unsigned char)desc->text[i] >= 0x80) {
            desc->textType = 4107;
            return NULL;
        }
    for (i = 0; i < desc->length; ++i)
        desc->text[i] = Shift(desc->text[i], 1);
    return NULL;
}
