#pragma once
// A parsed tree as text, so that two parses can be compared whole: the XML parser's tests and
// its fuzz target use it.

#include "XMLNode.h"

#include <cstdio>
#include <string>
#include <string_view>

inline std::string Hex(std::string_view bytes) {
    std::string hex;
    for (char two[3]; uint8_t c : bytes)
        hex += (std::snprintf(two, sizeof two, "%02X", c), two);
    return hex;
}

// One line per element ("E name", "E/ name" when empty), one per attribute ("A name
// hex-value"), one for the data ("D hex"), then the children and ")"; "none" for null.
inline std::string Canonical(const TXMLNode* node) {
    if (node == nullptr) return "none\n";
    std::string out = (node->IsEmpty() ? "E/ " : "E ") + node->GetName() + "\n";
    for (const auto& [name, value] : node->attributes)
        out += "A " + name + " " + Hex(value) + "\n";
    out += "D " + Hex(node->Data()) + "\n";
    for (const TXMLNode* child = node->firstChild; child != nullptr; child = child->nextSibling)
        out += Canonical(child);
    return out + ")\n";
}
