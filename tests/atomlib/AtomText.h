#pragma once
// The fixture of the assembler and disassembler tests: the table they share
// (kelvane_formats.xml), and each entry point's result as text. Bytes are hexadecimal; an assembler
// failure is "error N" (with " on line L" for streams); a disassembly shows its text, then "[error
// N]" when an error ended it.
#include "ArgumentFormats.h"
#include "Assembler.h"
#include "Disassembly.h"
#include "TableFile.h"
#include "TestTables.h"
#include "TextHooks.h"

#include <gtest/gtest.h>

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
        return Shown(DisassembleStream(*table, stream.data(), stream.size(), flags, nullptr, out),
                     out);
    }
    std::string ShowArgument(uint16_t format, const Bytes8& bytes, uint32_t flags = 0) {
        ZString out;
        return Shown(DisassembleArgument(*table, format, bytes.data(), bytes.size(), flags, out),
                     out);
    }
    static std::string Shown(int32_t result, const ZString& out) {
        return result ? TextOf(out) + "[" + Fail(result) + "]" : TextOf(out);
    }
};
