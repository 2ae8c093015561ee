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

#ifdef __cplusplus
extern "C" {
#endif

#if defined(KELVANE_BUILDING)
#define KEL_API __attribute__((visibility("default")))
#else
#define KEL_API
#endif

/* The library's version text, "KEL Build 8". Static storage; never null. */
KEL_API const char* KelGetVersion(void);

#ifdef __cplusplus
}
#endif

#endif /* KELVANE_H */
