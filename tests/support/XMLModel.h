#pragma once
// The parser's description followed literally, as a test oracle: it reads one byte at a time
// through LStream::ReadOrThrow and puts bytes back with Seek(-1, seekCurrent). TXMLParser must
// give the same result number, the same stream position and the same tree for every input.

#include "Stream.h"
#include "XMLNode.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct TModelNode {
    std::string name;
    bool empty = false;
    std::map<std::string, std::string> attributes;
    std::string data;
    std::vector<std::unique_ptr<TModelNode>> children;
    TModelNode* parent = nullptr;
};

struct TModelResult {
    uint32_t error = 0;
    int32_t offset = 0; // the stream position afterwards
    std::unique_ptr<TModelNode> root;
};

// Parses from the stream's position.
TModelResult ParseModel(LStream& stream);

// One line per element ("E name", "E/ name" when empty), one per attribute ("A name
// hex-value"), one for the data ("D hex"), then the children and ")"; "none" for null.
std::string Canonical(const TModelNode* root);
std::string Canonical(TXMLNode* root);

// The node's character data ("" for an empty node).
std::string DataOf(TXMLNode* node);
