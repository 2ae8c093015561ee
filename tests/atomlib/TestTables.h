#pragma once
// Test helpers: bytes written as hexadecimal text, test cases written "input => expected",
// atom streams in Full form and the table that the assembler and disassembler tests share.

#include "ArgumentFormats.h"
#include "FullWriter.h"
#include "TableBuilder.h"

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
inline Bytes8 Of(const ZBuffer& b) {
    return {b.Data(), b.Data() + b.Length()};
}
inline std::string TextOf(const ZBuffer& s) {
    return std::string(s.Text(), s.Length());
}
// How the tests write a failure: "error 10", with " on line 4" for the stream assembler.
inline std::string Fail(int32_t code, int32_t line = 0) {
    char text[48];
    std::snprintf(text, sizeof text, line ? "error %d on line %d" : "error %d", code, line);
    return text;
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

// Class 1 holds "classone", found by name only. Class 2: protocol 0 the text-type atoms;
// protocol 1 one atom per format (as in the examples: "a" number, "t" boolean, "s" stream),
// from 7 on numbered by their format; protocol 2 the layouts, enumerations and multi
// arguments that the disassembler tests show; protocol 40 needs a prefix, 128 cannot be
// written; 51/36 is named but stays the comment atom.
inline std::shared_ptr<ZAtomTable> TestTable() {
    TableBuilder b;
    b.Class(1).Protocol(9).Atom(1, "classone", kFormatNumber);
    b.Class(2).Protocol(0);
    b.Atom(22, "text_type_once", kFormatWord);
    b.Atom(23, "text_type", kFormatWord);
    b.Atom(24, "text_type_plain");
    b.Protocol(1);
    b.Atom(1, "a", kFormatNumber);
    b.Atom(2, "t", kFormatBoolean);
    b.Atom(3, "s", kFormatStream);
    b.Atom(4, "b", kFormatRaw);
    b.Atom(5, "str", kFormatString);
    b.Atom(6, "gid", kFormatGlobalId);
    const char* byFormat[] = {"obj",   "orient", "tok",  "crit", "alert",   "ref",
                              "bytes", "hidden", "ln",   "ls",   "letters", "multi",
                              "style", "byte",   "word", "dword"};
    for (uint16_t format = 7; format <= 22; ++format)
        b.Atom(format, byFormat[format - 7], format);
    auto& atoms = b.table->classes.back()->protocols.back()->atoms;
    AddComponent(*atoms[17], kFormatByte); // multi
    AddComponent(*atoms[17], kFormatEnumeration,
                 MakeEnum(2, kEnumValues, {{0, "off"}, {300, "on"}}));
    AddComponent(*atoms[17], kFormatString);
    atoms[18]->enums.push_back(MakeEnum(1, kEnumFlags, {{1, "bold"}, {2, "italic"}})); // style
    b.Atom(255, "big", kFormatNumber);
    b.Atom(256, "huge", kFormatNumber);
    b.Protocol(2);
    b.Atom(1, "begin", 0, kLayoutIndentAfter);
    b.Atom(3, "end", 0, kLayoutOutdentSelf);
    b.Atom(6, "secret", kFormatHidden, kLayoutIndentAfter | kLayoutOutdentSelf);
    b.Atom(7, "LoudName", kFormatNumber);
    b.Atom(8, "silent", kFormatEnumeration).enums.push_back(MakeEnum(1, 0, {{1, "one"}}));
    ZAtom& color = b.Atom(14, "color", kFormatMulti);
    for (int i = 0; i < 3; ++i)
        AddComponent(color, kFormatByte);
    b.Atom(15, "anchor", kFormatEnumeration)
        .enums.push_back(MakeEnum(2, kEnumMasked,
                                  {{0x30000, "left"},
                                   {0x30001, "center"},
                                   {0x30002, "right"},
                                   {0xC0000, "top"},
                                   {0xC0004, "middle"},
                                   {0xC0008, "bottom"}}));
    b.Atom(16, "border", kFormatEnumeration)
        .enums.push_back(MakeEnum(1, kEnumValues, {{0, "none"}, {1, "thin"}, {2, "thick"}}));
    ZAtom& font = b.Atom(17, "font", kFormatMulti);
    AddComponent(font, kFormatEnumeration, MakeEnum(1, kEnumValues, {{0, "serif"}, {1, "sans"}}));
    AddComponent(font, kFormatByte);
    AddComponent(font, kFormatEnumeration, MakeEnum(1, kEnumFlags, {{1, "heavy"}, {2, "slanted"}}));
    ZAtom& mixed = b.Atom(18, "mixed", kFormatMulti);
    AddComponent(mixed, kFormatOrientation);
    AddComponent(mixed, kFormatString);
    ZAtom& loop = b.Atom(19, "loop", kFormatMulti);
    AddComponent(loop, kFormatByte);
    AddComponent(loop, kFormatMulti);
    b.Atom(21, "bare", kFormatMulti);
    b.Atom(22, "wide", kFormatEnumeration)
        .enums.push_back(MakeEnum(2, kEnumValues, {{0x0102, "big"}}));
    b.Atom(24, "block", kFormatStream, kLayoutIndentAfter);
    b.Atom(25, "", kFormatNumber);
    b.Atom(26, "wide4", kFormatEnumeration)
        .enums.push_back(MakeEnum(4, kEnumFlags, {{0x80000000, "top"}, {1, "Caps"}}));
    b.Atom(27, "odd", kFormatEnumeration).enums.push_back(MakeEnum(3, kEnumFlags, {{1, "x"}}));
    AddComponent(b.Atom(28, "self", kFormatMulti), kFormatMulti);
    b.Protocol(40).Atom(3, "caption", kFormatString);
    b.Atom(5, "far", kFormatNumber);
    b.Protocol(51).Atom(36, "note", kFormatString);
    b.Protocol(128).Atom(1, "beyond", kFormatNumber);
    return b.table;
}
