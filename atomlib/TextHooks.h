#pragma once
// The two optional text-conversion hooks of the outside library Xlt, process-wide.
//
// KelInitialize fills them when libxlt.so and its exports are found and KelTerminate clears
// them; tests may set them directly. A missing hook means the conversion step is skipped.

#include "kelvane.h"

#include <cstdint>

// Converts quoted text read from a stream (disassembly); the result replaces the bytes and
// has the same length, or null when nothing is converted. textType arrives byte-swapped.
using HText2CTextHook = const char* (*)(const char* text, uint32_t length, uint16_t textType);
// Converts a quoted string before it is written (assembly); may rewrite desc->text in place
// and change desc->textType; a non-null result replaces the string with desc->length bytes.
using CText2HTextHook = const char* (*)(KelTextDesc* desc);

struct ZTextHooks {
    HText2CTextHook hText2CText = nullptr;
    CText2HTextHook cText2HText = nullptr;
};

ZTextHooks& TextHooks();
