#pragma once
// Reads a table source document into a TSourceElement tree with the tool's XML parser,
// noting where each element's start tag begins.

#include "SourceElement.h"

#include <cstdint>
#include <string>
#include <vector>

// Parses `bytes` as XML. Returns true and the root element, or false with `error` set to
// "parsing failed (error N, file offset M)" or "no root element".
bool ParseTableSourceXml(const std::vector<uint8_t>& bytes, TSourceElement& root,
                         std::string& error);
