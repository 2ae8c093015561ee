#pragma once
// The read side of the argument formats built on numbers: raw bytes, number, global id,
// criterion, byte list, byte, word and dword (docs/atom-text-read.md). Each routine reads
// tokens from the assembler's cursor, appends the argument bytes to `out` and returns 0 or
// its error code.

#include "TokenReader.h"
#include "ZBuffer.h"

#include <cstdint>

// Big-endian in 1 byte below 256, 2 below 65536, 3 below 16777216, else 4.
void WriteCompactNumber(ZBuffer& out, uint32_t value);
// The low `bytes` bytes of `value`, big-endian.
void WriteBigEndian(ZBuffer& out, uint32_t value, size_t bytes);

// The hex form: after white space, two hexadecimal digits and an x or X.
bool StartsWithHexForm(const ZTokenReader& tokens);
// Reads a token that must pass the number test: false when it does not.
bool ReadNumberToken(ZTokenReader& tokens, int32_t& value, uint32_t* asUnsigned = nullptr);

// Raw bytes: "1fx" tokens give one byte, other numbers are written compactly (else 22).
int32_t ReadRaw(ZTokenReader& tokens, ZBuffer& out);
// Format 2: the hex form, or a number written compactly (else 16).
int32_t ReadNumber(ZTokenReader& tokens, ZBuffer& out);
// Format 5: the hex form, or a, a-b or a-b-c written compactly (else 20).
int32_t ReadGlobalId(ZTokenReader& tokens, ZBuffer& out);
// Format 10: a criterion name, or a number up to 65535 in one or two bytes.
int32_t ReadCriterion(ZTokenReader& tokens, ZBuffer& out);
// Format 13: a list of numbers, one low byte each (else 21).
int32_t ReadByteList(ZTokenReader& tokens, ZBuffer& out);
// Formats 20, 21 and 22: a number in 1, 2 or 4 bytes big-endian; 22 also takes the hex form.
int32_t ReadFixedNumber(ZTokenReader& tokens, uint16_t format, ZBuffer& out);

// A list (formats 13, 17 and raw): after each element, ">" ends it, "," is skipped, and the
// next element follows in any case.
template <typename Element> int32_t ReadList(ZTokenReader& tokens, Element element) {
    for (;;) {
        if (int32_t result = element()) return result;
        if (tokens.NextIs('>')) return 0;
        if (tokens.NextIs(',')) tokens.Read();
    }
}
