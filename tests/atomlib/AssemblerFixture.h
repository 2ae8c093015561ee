#pragma once
// A small table built in code for the assembler tests, and helpers that assemble text and
// give back the result with its line and the bytes.

#include "ArgumentFormats.h"
#include "Assembler.h"
#include "TableBuilder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using Bytes8 = std::vector<uint8_t>;

inline Bytes8 Of(const ZBuffer& b) {
    return {b.Data(), b.Data() + b.Length()};
}

// Class 2: protocol 0 holds the text-type atoms; protocol 1 one atom per format, named after
// it ("a" number, "t" boolean, "s" stream as in the examples); protocol 40 needs a prefix.
// Class 1 holds "classone", found by name only.
inline std::shared_ptr<ZAtomTable> AssemblerTable() {
    TableBuilder b;
    b.Class(1).Protocol(9);
    b.Atom(1, "classone", kFormatNumber);
    b.Class(2).Protocol(0);
    b.Atom(22, "tt_once", kFormatWord);
    b.Atom(23, "tt_set", kFormatWord);
    b.Atom(24, "tt_plain");
    b.Protocol(1);
    b.Atom(1, "a", kFormatNumber);
    b.Atom(2, "t", kFormatBoolean);
    b.Atom(3, "s", kFormatStream);
    b.Atom(4, "b", kFormatRaw);
    b.Atom(5, "str", kFormatString);
    b.Atom(6, "gid", kFormatGlobalId);
    b.Atom(7, "obj", kFormatObjectName);
    b.Atom(8, "orient", kFormatOrientation);
    b.Atom(9, "tok", kFormatToken);
    b.Atom(10, "crit", kFormatCriterion);
    b.Atom(11, "alert", kFormatAlert);
    b.Atom(12, "ref", kFormatAtomReference);
    b.Atom(13, "bytes", kFormatByteList);
    b.Atom(14, "hidden", kFormatHidden);
    b.Atom(15, "ln", kFormatLetterNumber);
    b.Atom(16, "ls", kFormatLetterString);
    b.Atom(17, "letters", kFormatLetters);
    ZAtom& multi = b.Atom(18, "multi", kFormatMulti);
    for (uint16_t format :
         {uint16_t(kFormatByte), uint16_t(kFormatEnumeration), uint16_t(kFormatString)}) {
        multi.multis.push_back(std::make_shared<ZMulti>());
        multi.multis.back()->format = format;
    }
    multi.multis[1]->enumeration = MakeEnum(2, kEnumValues, {{0, "off"}, {300, "on"}});
    b.Atom(19, "style", kFormatEnumeration)
        .enums.push_back(MakeEnum(1, kEnumFlags, {{1, "bold"}, {2, "italic"}}));
    b.Atom(20, "byte", kFormatByte);
    b.Atom(21, "word", kFormatWord);
    b.Atom(22, "dword", kFormatDword);
    b.Atom(255, "big", kFormatNumber);
    b.Atom(256, "huge", kFormatNumber);
    b.Protocol(40);
    b.Atom(5, "far", kFormatNumber);
    b.Protocol(128);
    b.Atom(1, "beyond", kFormatNumber);
    return b.table;
}

class AssemblerTest : public ::testing::Test {
protected:
    std::shared_ptr<ZAtomTable> table = AssemblerTable();

    // (line << 16) | code, as the stream export reports it; the bytes on success.
    int32_t Assemble(const std::string& text, Bytes8* bytes = nullptr, uint32_t flags = 0) {
        ZBuffer out;
        uint32_t line = 0;
        int32_t code = AssembleStream(*table, text.c_str(), flags, out, line);
        if (bytes) *bytes = Of(out);
        return AssemblyResult(code, line);
    }
    Bytes8 Stream(const std::string& text, uint32_t flags = 0) {
        Bytes8 bytes;
        EXPECT_EQ(Assemble(text, &bytes, flags), 0) << text;
        return bytes;
    }
    // The bare code of one argument, and its bytes.
    int32_t Argument(uint16_t format, const std::string& text, Bytes8* bytes = nullptr,
                     uint32_t flags = 0) {
        ZBuffer out;
        int32_t code = AssembleArgument(*table, format, text.c_str(), flags, out);
        if (bytes) *bytes = Of(out);
        return code;
    }
    Bytes8 ArgumentBytes(uint16_t format, const std::string& text) {
        Bytes8 bytes;
        EXPECT_EQ(Argument(format, text, &bytes), 0) << format << " " << text;
        return bytes;
    }
};

inline int32_t Err(uint32_t line, int32_t code) {
    return AssemblyResult(code, line);
}
