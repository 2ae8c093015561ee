#pragma once
// TSourceElement: one element of a table source document, as the table compiler sees it:
// its name, attributes, character data, children and where its start tag begins in the
// file. SourceXml.cpp fills a tree of these from the XML parser.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct TSourceElement {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::string text;    // character data, entities decoded
    uint32_t offset = 0; // file offset of the "<" of the start tag
    std::vector<TSourceElement> children;
};
