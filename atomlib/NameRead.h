#pragma once
// The read side of the argument formats built on names and letters: boolean, object name,
// orientation, alert, atom reference, letter and number, letter and string, letters
// (docs/atom-text-read.md). Each routine appends the argument bytes to `out` and returns 0 or
// its error code.

#include "Assembler.h"
#include "ZBuffer.h"

#include <cstdint>

// Format 4: yes/true give 01, no/false give 00 (else 12).
int32_t ReadBoolean(ZTokenReader& tokens, ZBuffer& out);
// Format 7: a kind name, or a number of at least 1 (else 14); then optionally a string.
int32_t ReadObjectName(ZAssembler& assembler, ZBuffer& out);
// Format 8: h or v and two justification letters in one token (else 13).
int32_t ReadOrientation(ZTokenReader& tokens, ZBuffer& out);
// Format 11: an alert name (else 15); then optionally a string.
int32_t ReadAlert(ZAssembler& assembler, ZBuffer& out);
// Format 12: an atom name found in any class gives its protocol and number (else 10).
int32_t ReadAtomReference(ZAssembler& assembler, ZBuffer& out);
// Formats 15 and 16: a letter (else 17); then optionally a number (15) or a string (16).
int32_t ReadLetterAnd(ZAssembler& assembler, uint16_t format, ZBuffer& out);
// Format 17: a list of letters (else 17).
int32_t ReadLetters(ZTokenReader& tokens, ZBuffer& out);
