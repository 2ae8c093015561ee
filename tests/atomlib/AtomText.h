#pragma once
// Helpers of the atom library tests: bytes written as hexadecimal text, test cases written
// "input => expected", atom streams in Full form; and the fixture of the assembler and
// disassembler tests: the table they share (kelvane_formats.xml), and each entry point's
// result as text. Bytes are hexadecimal; an assembler failure is "error N" (with " on line L"
// for streams); a disassembly shows its text, then "[error N]" when an error ended it.
#include "ArgumentFormats.h"
#include "Assembler.h"
#include "Disassembly.h"
#include "FullWriter.h"
#include "TableFile.h"
#include "TextHooks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

using Bytes8 = std::vector<uint8_t>;

// "01 2C" for the bytes 01 2C.
inline std::string Hex(const uint8_t* data, size_t length) {
    std::string text;
    char byte[4];
    for (size_t i = 0; i < length; ++i) {
        std::snprintf(byte, sizeof byte, i ? " %02X" : "%02X", data[i]);
        text += byte;
    }
    return text;
}
inline std::string Hex(const Bytes8& b) {
    return Hex(b.data(), b.size());
}
inline std::string Hex(const ZBuffer& b) {
    return Hex(b.Data(), b.Length());
}
// The bytes of "01 2C"-style text.
inline Bytes8 Unhex(const std::string& text) {
    Bytes8 bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 3)
        bytes.push_back(uint8_t(std::stoul(text.substr(i, 2), nullptr, 16)));
    return bytes;
}
inline std::string TextOf(const ZBuffer& s) {
    return std::string(s.Text(), s.Length());
}
// How the tests write a failure: "error 10", with " on line 4" for the stream assembler.
inline std::string Fail(int32_t code, int32_t line = 0) {
    return "error " + std::to_string(code) + (line ? " on line " + std::to_string(line) : "");
}
// The input and the expected result of a test case written "input => expected".
inline std::pair<std::string, std::string> Case(const std::string& text) {
    size_t arrow = text.find(" => ");
    return {text.substr(0, arrow), text.substr(arrow + 4)};
}

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
};

// The table of kelvane_formats.xml.
inline std::shared_ptr<ZAtomTable> TestTable() {
    std::shared_ptr<ZAtomTable> table;
    EXPECT_EQ(LoadAtomTableFile(KEL_FORMATS_TABLE, table), 0);
    return table ? table : std::make_shared<ZAtomTable>();
}

class AtomText : public ::testing::Test {
protected:
    std::shared_ptr<ZAtomTable> table = TestTable();

    void TearDown() override { TextHooks() = ZTextHooks(); }

    std::string Asm(const std::string& text, uint32_t flags = 0) {
        ZBuffer out;
        uint32_t line = 0;
        int32_t code = AssembleStream(*table, text.c_str(), flags, out, line);
        return code ? Fail(code, int32_t(line)) : Hex(out);
    }
    std::string Arg(uint16_t format, const std::string& text, uint32_t flags = 0) {
        ZBuffer out;
        int32_t code = AssembleArgument(*table, format, text.c_str(), flags, out);
        return code ? Fail(code) : Hex(out);
    }
    // "stream [partial argument] remaining text", or the error.
    std::string Fragment(const std::string& text) {
        ZFragment f;
        int32_t code = AssembleFragment(*table, text.c_str(), 0, f);
        if (code) return Fail(code, int32_t(f.line));
        return Hex(f.stream) + " [" + Hex(f.partialArgument) + "] " + text.substr(f.consumed);
    }
    std::string Show(const Bytes8& stream, uint32_t flags = 0) {
        ZString out;
        int32_t result =
            DisassembleStream(*table, stream.data(), stream.size(), flags, nullptr, out);
        return TextOf(out) + (result ? "[" + Fail(result) + "]" : "");
    }
    std::string ShowArgument(uint16_t format, const Bytes8& bytes, uint32_t flags = 0) {
        ZString out;
        int32_t result =
            DisassembleArgument(*table, format, bytes.data(), bytes.size(), flags, out);
        return TextOf(out) + (result ? "[" + Fail(result) + "]" : "");
    }
};
