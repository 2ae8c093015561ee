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
 *    KelGetErrorText gives the text of any code. Assembly errors carry the 1-based source
 *    line in the upper 16 bits: (line << 16) | code; KEL_ERROR_CODE and KEL_ERROR_LINE take
 *    them apart.
 *  - The library is single-threaded: its loaded atom table and error-text buffer are shared
 *    by the whole process.
 *  - Atom table: KelInitialize loads it; every conversion loads "atoms.kel" from the current
 *    directory at library load time when no table is loaded yet (1 or 2 when that fails).
 *  - Output buffers: the capacity goes in through *size, the result size comes back in it.
 *    Byte results (assembly, normalisation): *size = n; 4 and nothing copied when n exceeds
 *    the capacity. Text results (disassembly): n + 1 bytes are needed for the terminator;
 *    4 with *size = n + 1 when the capacity is smaller; an empty text stores out[0] = 0 (when
 *    the capacity is not 0) and *size = 0. On any other error nothing is copied and *size
 *    keeps its value. A null `out` counts as a capacity of 0; a null `size` gives 4.
 *  - Records are packed, in the order declared, pointers 8 bytes wide.
 *  - Flags words: 0x01 short raw dumps, 0x10 decoding comments, 0x40 alternate syntax,
 *    0x80 hand the text type to CText2HText, 0x100 text type starts as 260, 0x200 as 4107.
 */

#include <stdint.h>

/* The version of this interface. The major number changes only with an incompatible
 * change (it names the shared object, libkelvane.so.1), the minor number with each addition,
 * the patch number with each release that adds nothing. */
#define KELVANE_VERSION_MAJOR 1
#define KELVANE_VERSION_MINOR 0
#define KELVANE_VERSION_PATCH 0

#ifdef __cplusplus
extern "C" {
#endif

#if defined(KELVANE_BUILDING)
#define KEL_API __attribute__((visibility("default")))
#else
#define KEL_API
#endif

#pragma pack(push, 1)

/* Disassembly state carried from one call to the next; all zero bytes is the initial state.
 * Owned by the caller; the pending block belongs to the library and is released by the next
 * state call that succeeds or by KelFreeState. 42 bytes. */
typedef struct KelDisassemblyState {
    int32_t indent;           /* indent level; a negative value is read as 0 */
    uint16_t textType;        /* current text type */
    uint16_t savedTextType;   /* text type to return to after a one-atom type */
    uint32_t restorePending;  /* nonzero: the current text type holds for one more atom */
    uint16_t currentProtocol; /* the stream decoder's current protocol */
    uint16_t protocolOffset;  /* protocol offset of the active prefix */
    uint16_t atomOffset;      /* atom offset of the active prefix */
    uint32_t prefixSticky;    /* nonzero: the prefix holds for every following atom */
    uint32_t prefixActive;    /* nonzero: a prefix is in force */
    uint16_t largeProtocol;   /* protocol of the pending large atom */
    uint16_t largeAtom;       /* atom of the pending large atom */
    uint32_t largeLength;     /* bytes of the pending large atom collected so far */
    uint8_t* largeBlock;      /* those bytes, allocated by the library; null when none */
} KelDisassemblyState;

/* One atom of the loaded table. `name` is owned by the table (valid until KelTerminate);
 * null when the name is empty. 14 bytes. */
typedef struct KelAtomInfo {
    uint16_t classNumber;
    uint16_t protocol;
    uint16_t atom;
    const char* name;
} KelAtomInfo;

#pragma pack(pop)

/* A quoted string handed to the CText2HText hook of the outside library Xlt (libxlt.so).
 * text: the string's own NUL-terminated buffer, which the hook may rewrite in place;
 * length: its length in bytes; textType: the current text type when flag 0x80 is set, else 0.
 * On return the hook may have changed textType (to 0, 260 or the current text type). */
typedef struct KelTextDesc {
    char* text;
    uint32_t length;
    uint16_t textType;
} KelTextDesc;

/* The two exports an Xlt library may provide (either may be missing).
 * HText2CText (disassembly): converts `length` bytes of quoted text; textType arrives with
 * its two bytes exchanged. Returns NUL-terminated text of the same length, or null for none.
 * CText2HText (assembly): see KelTextDesc; a non-null result replaces the string with
 * desc->length bytes taken from it. */
typedef const char* (*KelHText2CTextProc)(const char* text, uint32_t length, uint16_t textType);
typedef const char* (*KelCText2HTextProc)(KelTextDesc* desc);

/* Called for each atom of KelDoAtomCallbacks: 0 goes on, any other value ends the walk and
 * is returned (25, "Callback Canceled", exists for this). `data` is valid during the call. */
typedef int32_t (*KelAtomCallback)(uint32_t user, uint16_t protocol, uint16_t atom,
                                   const uint8_t* data, uint16_t length);
/* Called for each atom of KelEnumAllAtoms; `info` is valid during the call only. 0 stops. */
typedef int32_t (*KelAtomInfoCallback)(const KelAtomInfo* info);

/* ---- Load and unload ---------------------------------------------------------------- */

/* Loads libxlt.so (on every call) and the atom table at tablePath, or at the default path
 * when null. A table already loaded stays and nothing is read. Returns 0, 1 (cannot be
 * opened) or 2 (not a valid atom table). */
KEL_API int KelInitialize(const char* tablePath);
/* Releases Xlt and the loaded table. Returns 0. */
KEL_API int KelTerminate(void);
/* The library's version text, "KEL Build 8". Static storage; never null. */
KEL_API const char* KelGetVersion(void);
/* The text of a result code, "Invalid Error Number" for unknown codes. The returned buffer
 * (256 bytes) is the library's and is overwritten by the next call. An assembly result
 * carries a line number: pass KEL_ERROR_CODE(rc), not rc itself. */
KEL_API const char* KelGetErrorText(int code);
/* The two halves of an assembly result (line << 16) | code: the code (0 to 65535) and the
 * 1-based source line (0 to 65535; the library cuts longer counts to 16 bits). Every other
 * result of the library comes back unchanged from KEL_ERROR_CODE, with line 0. */
#define KEL_ERROR_CODE(rc) ((int)(0xFFFFu & (unsigned int)(rc)))
#define KEL_ERROR_LINE(rc) ((int)(((unsigned int)(rc) >> 16) & 0xFFFFu))

/* ---- Assembly: text to stream (byte results) ------------------------------------------ */

/* Assembles the whole text into a stream in out. Returns 0, 4 or (line << 16) | code. */
KEL_API int KelAssembleAtomStream(const char* text, int flags, uint8_t* out, uint32_t* size);
/* Assembles up to a "%" placeholder (flag 0x02 added). On an error before any placeholder:
 * (line << 16) | code. Else the stream so far goes to out (4 when it does not fit; then
 * nothing else is written); the bytes of the argument the placeholder interrupted go to
 * argOut (up to 32767 bytes, no capacity check) with their count in *argSize (0 when none);
 * the unread text, starting at the "%", is copied over text ("" when all was read). 0. */
KEL_API int KelAssembleFragment(char* text, int flags, uint8_t* out, uint32_t* size,
                                uint8_t* argOut, uint32_t* argSize);
/* Assembles text as one argument of the given format code (as if between "<" and ">").
 * Returns 0, 4 or the bare error code. */
KEL_API int KelAssembleArgument(int format, const char* text, int flags, uint8_t* out,
                                uint32_t* size);

/* ---- Disassembly: stream to text (text results) --------------------------------------- */

/* Disassembles a whole stream from the initial state. Returns 0, 4 or the first error. */
KEL_API int KelDisassembleAtomStream(const uint8_t* data, uint32_t length, int flags, char* out,
                                     uint32_t* size);
/* As KelDisassembleAtomStream, starting from *state (initial state when null); on success
 * the state after the stream is written back, a pending large atom in a new block. On any
 * other result the record is left as it was. */
KEL_API int KelDisassembleAtomStreamState(const uint8_t* data, uint32_t length, int flags,
                                          KelDisassemblyState* state, char* out, uint32_t* size);
/* Disassembles one atom (low 16 bits of protocol and atom; no line break after it) at indent
 * level *indent, which receives the new level. Returns 0, 4 or the error. */
KEL_API int KelDisassembleAtom(int protocol, int atom, const uint8_t* data, uint32_t length,
                               int flags, int* indent, char* out, uint32_t* size);
/* As KelDisassembleAtom with a caller-held state record, written back on success. */
KEL_API int KelDisassembleAtomState(int protocol, int atom, const uint8_t* data, uint32_t length,
                                    int flags, KelDisassemblyState* state, char* out,
                                    uint32_t* size);
/* Shows data as one argument of the given format code. Formats 18 (multi) and 19
 * (enumeration) need an atom: 11 and 23, except in the alternate syntax. */
KEL_API int KelDisassembleArgument(int format, const uint8_t* data, uint32_t length, int flags,
                                   char* out, uint32_t* size);
/* Rewrites a stream with every atom in Full form (byte result). Returns 0, 4 or the error. */
KEL_API int KelNormalizeAtomStream(const uint8_t* data, uint32_t length, uint8_t* out,
                                   uint32_t* size);
/* Calls cb(user, protocol, atom, data, length) for each atom in stream order, large atoms
 * joined (24 when one is longer than 65535 bytes), nested streams not entered. Returns 0,
 * the first nonzero callback result, or 11 for a damaged stream. */
KEL_API int KelDoAtomCallbacks(KelAtomCallback cb, uint32_t user, const uint8_t* data,
                               uint32_t length, int flags);

/* ---- Dictionary ------------------------------------------------------------------------ */

/* Renders value by the enumeration of argument argIndex (0: the atom's own, k: multi
 * component k) of the atom named atomName. Returns 0; 10 for no such atom; 23 when there
 * is no enumeration or the rendering is empty; 4 when *size (set to n + 1) is too small. */
KEL_API int KelLookupAtomEnum(const char* atomName, uint32_t argIndex, int32_t value, char* out,
                              uint32_t* size);
/* Fills *info with the first atom named exactly `name` (class reported as 2) and returns
 * info; null when there is none or no table is loaded (info is then unchanged). */
KEL_API KelAtomInfo* KelGetAtomByName(const char* name, KelAtomInfo* info);
/* The atom's name (owned by the table), or null when absent, empty or no table is loaded. */
KEL_API const char* KelGetAtomName(uint16_t cls, uint16_t protocol, uint16_t atom);
/* 1 when the loaded table has that class with that protocol, else 0. */
KEL_API int KelIsValidProtocol(uint16_t cls, uint16_t protocol);
/* Calls cb for every atom in table order. Returns 0 as soon as cb returns 0, else 1 (also
 * for an empty table, a null cb or no loaded table). */
KEL_API int KelEnumAllAtoms(KelAtomInfoCallback cb);
/* Zeroes the first 34 bytes of *state, releases its pending block and clears the pointer.
 * Returns 0 (also for a null state). */
KEL_API int KelFreeState(KelDisassemblyState* state);

#ifdef __cplusplus
}
#endif

#endif /* KELVANE_H */
