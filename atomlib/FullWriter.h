#pragma once
// The Full-form writer (see docs/atom-stream-format.md), with which the assembler and
// normalisation (Disassembly.h) write every atom. Full form is the one style that carries
// any protocol up to 127, atom up to 255 and argument up to 32767 bytes; numbers beyond that
// are rejected with 24 ("Value Too Large") and nothing is written.

#include "ZBuffer.h"

#include <cstddef>
#include <cstdint>

constexpr uint32_t kMaxFullProtocol = 127;
constexpr uint32_t kMaxFullAtom = 255;
constexpr uint32_t kMaxArgumentLength = 32767;

// Writes the prefix byte (protocol 32 and up), the header byte and the atom byte.
int32_t WriteFullHeader(ZBuffer& out, uint32_t protocol, uint32_t atom);
// For an argument written straight into `out`: BeginFullArgument puts down a length field of
// one byte and returns its offset, the argument's bytes follow it, and EndFullArgument fills
// the field in, widening it to two bytes for 128 bytes and more. On 24 the buffer is left as
// it was.
size_t BeginFullArgument(ZBuffer& out);
int32_t EndFullArgument(ZBuffer& out, size_t field);
// The header, the length and the argument bytes, checked before anything is written.
int32_t WriteFullAtom(ZBuffer& out, uint32_t protocol, uint32_t atom, const uint8_t* data,
                      size_t length);
