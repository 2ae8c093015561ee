#pragma once
// The tool's binding to the Kelvane library: where the atom table is found, the once-only
// start and end of the library, and the two conversions with their growing output buffers.
//
// The atom table is "kel.bin" in the directory of the program's own file, which the file
// services registered for the run know. The library is initialised at most once per run and
// terminated at most once.

#include "FilePath.h"
#include "MemBuffer.h"

#include <cstdint>
#include <string>

// Initialises the library with the table at `path`, or at the program directory's "kel.bin"
// when path is null. Only the first call of a run tries; later calls return its answer.
// Throws errNilPointer when the file services are not registered.
bool InitAtomLibrary(const TFilePath* path);
// Terminates the library once, if it was initialised.
void TerminateAtomLibrary();
// True after a successful initialisation and before termination.
bool AtomLibraryReady();
// A copy of the library's version text (the library need not be initialised).
std::string AtomLibraryVersion();
// Forgets that the library was tried and terminated, for a new run in the same process.
void ResetAtomLibraryState();

// On entry `buffer` holds NUL-terminated atom-stream text; on success it holds the binary
// stream, positioned at 0. On failure the buffer is unchanged and `result`, when given,
// receives the library's result ((line << 16) | code, or 0 for a failure of the tool's own).
bool AssembleAtomStream(TMemBuffer& buffer, int32_t* result = nullptr);

// On success `text` holds exactly the bytes the library produced, terminating NUL included
// (nothing at all for an empty text).
bool DisassembleAtomStream(const uint8_t* data, uint32_t length, TMemBuffer& text);

// The library's text for a result code (its low 16 bits when a line number is carried).
std::string AtomLibraryErrorText(int32_t result);

// What the library's code leaves unsaid about a failed assembly of `text`, whose result was
// `result` ((line << 16) | code): when the failing line holds, in the argument of an atom, a
// word that is not one of the names of that argument, "unknown name 'click' (known: void,
// select, ...)" (`on <click>` fails with "Bad Number Format"); else an empty text. Only codes
// 14, 15, 16 and 23 are explained, and only words on the failing line itself. The names are
// the library's (KelLookupAtomEnum), so the library must be ready; a few hundred library
// calls per word make this a call for the error path only.
std::string ExplainAtomStreamFailure(const std::string& text, int32_t result);
