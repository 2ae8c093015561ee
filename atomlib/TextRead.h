#pragma once
// The read side of quoted text: the quoted-string reader with its escapes and the
// CText2HText call, format 3 (string) and format 9 (token) (docs/atom-text-read.md).

#include "Assembler.h"
#include "ZBuffer.h"

#include <cstdint>

// A double quote (else 19), text up to the next unescaped double quote or the end of the
// input (escapes \" \\ \n \r \t \xHH, else 26), then the CText2HText hook when it is set.
int32_t ReadQuotedString(ZAssembler& assembler, ZBuffer& out);
// Format 3: the hex form, or a quoted string (6 when the next token is no double quote).
int32_t ReadString(ZAssembler& assembler, ZBuffer& out);
// Format 9: the hex form, or two characters in double quotes, then optionally a global id
// after "," or a blank.
int32_t ReadTokenArgument(ZAssembler& assembler, ZBuffer& out);
