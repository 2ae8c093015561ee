#pragma once
// A small atom table for the disassembler tests: one atom per show rule worth testing.

#include "ArgumentFormats.h"
#include "TableBuilder.h"

#include <memory>

inline std::shared_ptr<ZMulti> Component(uint16_t format, std::shared_ptr<ZEnum> e = nullptr) {
    auto m = std::make_shared<ZMulti>();
    m->format = format;
    m->enumeration = std::move(e);
    return m;
}

// Protocol 0 holds the text-type atoms, protocol 1 the atoms the tests print, protocol 40 one
// atom that needs a prefix; protocol 51 atom 36 is named but stays the comment atom. Class 1
// holds an atom the disassembler must not find.
inline std::shared_ptr<ZAtomTable> ShowTable() {
    TableBuilder b;
    b.Class(1).Protocol(1).Atom(30, "classone", kFormatNumber);
    b.Class(2).Protocol(0);
    b.Atom(22, "text_type_once", kFormatWord);
    b.Atom(23, "text_type", kFormatWord);
    b.Atom(24, "text_type_plain");
    b.Protocol(1);
    b.Atom(1, "begin", 0, kLayoutIndentAfter);
    b.Atom(2, "item", kFormatNumber);
    b.Atom(3, "end", 0, kLayoutOutdentSelf);
    b.Atom(4, "s", kFormatStream);
    b.Atom(5, "title", kFormatString);
    b.Atom(6, "secret", kFormatHidden, kLayoutIndentAfter | kLayoutOutdentSelf);
    b.Atom(7, "LoudName", kFormatNumber);
    b.Atom(8, "silent", kFormatEnumeration).enums.push_back(MakeEnum(1, 0, {{1, "one"}}));
    b.Atom(9, "align", kFormatOrientation);
    b.Atom(10, "blob", kFormatRaw);
    b.Atom(11, "goto", kFormatAtomReference);
    b.Atom(12, "name", kFormatObjectName);
    b.Atom(13, "style", kFormatEnumeration)
        .enums.push_back(MakeEnum(1, kEnumFlags, {{1, "bold"}, {2, "italic"}}));
    auto& color = b.Atom(14, "color", kFormatMulti);
    for (int i = 0; i < 3; ++i)
        color.multis.push_back(Component(kFormatByte));
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
    auto& font = b.Atom(17, "font", kFormatMulti);
    font.multis.push_back(
        Component(kFormatEnumeration, MakeEnum(1, kEnumValues, {{0, "serif"}, {1, "sans"}})));
    font.multis.push_back(Component(kFormatByte));
    font.multis.push_back(
        Component(kFormatEnumeration, MakeEnum(1, kEnumFlags, {{1, "heavy"}, {2, "slanted"}})));
    auto& mixed = b.Atom(18, "mixed", kFormatMulti);
    mixed.multis.push_back(Component(kFormatOrientation));
    mixed.multis.push_back(Component(kFormatString));
    auto& loop = b.Atom(19, "loop", kFormatMulti);
    loop.multis.push_back(Component(kFormatByte));
    loop.multis.push_back(Component(kFormatMulti));
    b.Atom(20, "gap", kFormatByte);
    b.Atom(21, "bare", kFormatMulti);
    b.Atom(22, "wide", kFormatEnumeration)
        .enums.push_back(MakeEnum(2, kEnumValues, {{0x0102, "big"}}));
    b.Atom(23, "tabs", kFormatByteList);
    b.Atom(24, "block", kFormatStream, kLayoutIndentAfter);
    b.Atom(25, "", kFormatNumber);
    b.Protocol(40).Atom(3, "caption", kFormatString);
    b.Protocol(51).Atom(36, "note", kFormatString);
    return b.table;
}
