#pragma once
// Test helpers for the disassembler: atom streams written in Full form, and the text of a
// disassembly as a std::string.

#include "FullWriter.h"
#include "ZString.h"

#include <cstdint>
#include <string>
#include <vector>

using Bytes8 = std::vector<uint8_t>;

// Atoms appended in Full form.
struct StreamBuilder {
    Bytes8 bytes;
    StreamBuilder& Atom(uint16_t protocol, uint16_t atom, const Bytes8& argument = {}) {
        ZBuffer out;
        WriteFullAtom(out, protocol, atom, argument.data(), argument.size());
        bytes.insert(bytes.end(), out.Data(), out.Data() + out.Length());
        return *this;
    }
    StreamBuilder& Text(uint16_t protocol, uint16_t atom, const std::string& text) {
        return Atom(protocol, atom, Bytes8(text.begin(), text.end()));
    }
    StreamBuilder& Raw(const Bytes8& more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
};

inline std::string TextOf(const ZString& s) {
    return std::string(s.Text(), s.Length());
}
