#ifndef KELVANE_H
#define KELVANE_H
/*
 * Kelvane: assembles atom streams from their text form and disassembles them back.
 *
 * Conventions of this interface:
 *  - Texts are NUL-terminated single-byte strings; streams are byte arrays with a length.
 *  - Every buffer is owned by the caller; the library never frees what it is given and hands
 *    out nothing the caller must free (except through KelFreeState).
 *  - Functions return 0 for success and a small positive error code otherwise;
 *    KelGetErrorText gives the text of any code.
 *  - The library is single-threaded: its loaded atom table and error-text buffer are shared
 *    by the whole process.
 */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(KELVANE_BUILDING)
#define KEL_API __attribute__((visibility("default")))
#else
#define KEL_API
#endif

/* A quoted string handed to the CText2HText hook of the outside library Xlt (libxlt.so).
 * text: the string's own NUL-terminated buffer, which the hook may rewrite in place;
 * length: its length in bytes; textType: the current text type when flag 0x80 is set, else 0.
 * On return the hook may have changed textType (to 0, 260 or the current text type). */
typedef struct KelTextDesc {
    char* text;
    uint32_t length;
    uint16_t textType;
} KelTextDesc;

/* The library's version text, "KEL Build 8". Static storage; never null. */
KEL_API const char* KelGetVersion(void);

#ifdef __cplusplus
}
#endif

#endif /* KELVANE_H */
