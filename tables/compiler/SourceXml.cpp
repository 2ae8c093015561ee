#include "SourceXml.h"

#include "DynamicStream.h"
#include "XMLParser.h"

#include <cstdio>
#include <map>

namespace {

// A table source nests seven elements deep; anything much deeper is no table source, and
// refusing it keeps the conversion's recursion small.
constexpr int kMaxDepth = 16;

// The tool's parser, noting where each element's start tag begins.
class TOffsetParser : public TXMLParser {
public:
    std::map<const TXMLNode*, uint32_t> offsets;

protected:
    // Called with the stream just past the "<".
    TXMLNode* ParseElement(LStream& stream) override {
        uint32_t offset = uint32_t(stream.GetPosition() - 1);
        TXMLNode* node = TXMLParser::ParseElement(stream);
        offsets[node] = offset;
        return node;
    }
};

bool Convert(TXMLNode& node, const TOffsetParser& parser, int depth, TSourceElement& element,
             std::string& error) {
    element.name = node.GetName();
    element.attributes = {node.attributes.begin(), node.attributes.end()};
    element.offset = parser.offsets.at(&node);
    if (depth > kMaxDepth) {
        char message[80];
        std::snprintf(message, sizeof message, "offset %u: <%s>: nested too deeply",
                      static_cast<unsigned>(element.offset), element.name.c_str());
        error = message;
        return false;
    }
    if (!node.IsEmpty() && node.GetDataLength() > 0) {
        uint32_t count = 0;
        uint8_t* data = node.LockData(count);
        element.text.assign(reinterpret_cast<const char*>(data), count);
        node.UnlockData(data);
    }
    for (TXMLNode* child = node.firstChild; child; child = child->nextSibling) {
        element.children.emplace_back();
        if (!Convert(*child, parser, depth + 1, element.children.back(), error)) return false;
    }
    return true;
}

} // namespace

bool ParseTableSourceXml(const std::vector<uint8_t>& bytes, TSourceElement& root,
                         std::string& error) {
    LDynamicStream stream;
    uint32_t count = uint32_t(bytes.size());
    stream.Write(bytes.data(), count);
    stream.Seek(0, seekBegin);
    TOffsetParser parser;
    if (uint32_t result = parser.Parse(stream)) {
        char message[80];
        std::snprintf(message, sizeof message, "parsing failed (error %u, file offset %d)",
                      static_cast<unsigned>(result), static_cast<int>(stream.GetPosition()));
        error = message;
        return false;
    }
    if (!parser.GetRoot()) {
        error = "no root element";
        return false;
    }
    return Convert(*parser.GetRoot(), parser, 1, root, error);
}
