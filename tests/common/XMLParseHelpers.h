#pragma once
// Parsing a text the ways the parser reads streams, and a parsed tree as text, so that two
// parses can be compared whole: the XML parser's tests and its fuzz target use them.

#include "BlockReadStream.h"
#include "DynamicStream.h"
#include "XMLParser.h"

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

// Parses `text` from `start` with `parser`: from memory, or with a `window` of bytes through a
// block reader, which is no memory stream, so that the parser reads it through its own window.
// Returns the result and the offset afterwards.
inline std::pair<uint32_t, int32_t> Parse(std::string_view text, TXMLParser& parser,
                                          int32_t start = 0, uint32_t window = 0) {
    auto memory = std::make_unique<LDynamicStream>();
    memory->WriteOrThrow(text.data(), uint32_t(text.size()));
    std::unique_ptr<LStream> stream = std::move(memory);
    if (window != 0) stream = std::make_unique<TBlockReadStream>(std::move(stream), window);
    stream->Seek(start, seekBegin);
    const uint32_t error = parser.Parse(*stream);
    return {error, stream->GetPosition()};
}

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
