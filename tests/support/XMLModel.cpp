#include "XMLModel.h"

#include "Entities.h"
#include "Exception.h"

#include <cctype>

namespace {

class TModel {
public:
    explicit TModel(LStream& stream) : s(stream) {}

    void Parse(std::unique_ptr<TModelNode>& root) {
        uint8_t head[5] = {};
        s.Peek(head, 5);
        ThrowUnless(head[0] == '<' && head[1] == '?' && tolower(head[2]) == 'x' &&
                        tolower(head[3]) == 'm' && tolower(head[4]) == 'l',
                    3);
        while (s.GetPosition() < s.GetSize()) {
            const uint8_t c = Get();
            if (c == '<')
                Markup(root);
            else
                Text(c);
            if (SkipWhitespace()) spaceSkipped = true;
        }
    }

private:
    static bool IsSpace(uint8_t c) { return c == 9 || c == 10 || c == 13 || c == 32; }
    static bool IsNameStart(uint8_t c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
    }
    static bool IsNameByte(uint8_t c) { return IsNameStart(c) || isdigit(c) || c == '-'; }

    uint8_t Get() {
        uint8_t c = 0;
        s.ReadOrThrow(&c, 1);
        return c;
    }
    std::string Get(uint32_t count) {
        std::string bytes(count, '\0');
        s.ReadOrThrow(bytes.data(), count);
        return bytes;
    }
    void Back() { s.Seek(-1, seekCurrent); }
    // The bytes up to the first occurrence of `end`, which is read too.
    std::string ReadThrough(const std::string& end) {
        std::string text;
        while (text.size() < end.size() || text.compare(text.size() - end.size(), end.size(), end))
            text += char(Get());
        return text.substr(0, text.size() - end.size());
    }
    bool SkipWhitespace() {
        bool any = false;
        for (uint8_t c = 0; s.GetPosition() < s.GetSize() && s.Peek(&c, 1) == 1 && IsSpace(c);
             any = true)
            Get();
        return any;
    }
    std::string ReadName() {
        std::string name;
        for (uint8_t c = Get(); name.empty() ? IsNameStart(c) : IsNameByte(c); c = Get())
            name += char(c);
        Back();
        return name;
    }

    // Character data from its first byte up to the next "<".
    void Text(uint8_t first) {
        ThrowUnless(current != nullptr, 3);
        std::string text(1, char(first));
        for (uint8_t c = Get(); c != '<'; c = Get())
            text += char(c);
        Back();
        DecodeEntities(text);
        if (spaceSkipped && !current->data.empty()) current->data += ' ';
        current->data += text;
        spaceSkipped = false;
    }

    // After "<".
    void Markup(std::unique_ptr<TModelNode>& root) {
        const uint8_t c = Get();
        if (c == '?') {
            ReadThrough("?>");
        } else if (c == '!') {
            Declaration();
        } else if (c == '/') {
            const std::string name = ReadName();
            ThrowUnless(current != nullptr && current->name == name, 6);
            current = current->parent;
            ThrowUnless(Get() == '>', 2);
        } else {
            ThrowUnless(IsNameStart(c), 3);
            Back();
            std::unique_ptr<TModelNode> node = Element();
            TModelNode* added = node.get();
            if (current != nullptr) {
                node->parent = current;
                current->children.push_back(std::move(node));
            } else {
                ThrowUnless(root == nullptr, 5);
                root = std::move(node);
            }
            if (!added->empty) current = added;
        }
    }

    // After "<!".
    void Declaration() {
        const uint8_t c = Get();
        if (c == '-') {
            ThrowUnless(Get() == '-', 3);
            ReadThrough("--");
            ThrowUnless(Get() == '>', 7);
        } else if (c == 'D') {
            ThrowUnless(Get(6) == "OCTYPE", 3);
            for (int depth = 1; depth > 0;) {
                const uint8_t b = Get();
                depth += (b == '<') - (b == '>');
            }
        } else {
            ThrowUnless(c == '[', 3);
            const std::string word = Get(6);
            if (word == "INCLUD") throw TTolvException(Get(2) == "E[" ? 4 : 3);
            if (word == "IGNORE") throw TTolvException(Get() == '[' ? 4 : 3);
            ThrowUnless(word == "CDATA[" && current != nullptr, 3);
            const std::string section = ReadThrough("]]>");
            current->data += section;
            // Fixed: a section that appended bytes ends the dropped whitespace before it.
            if (!section.empty()) spaceSkipped = false;
        }
    }

    // A start tag from its name on.
    std::unique_ptr<TModelNode> Element() {
        auto node = std::make_unique<TModelNode>();
        node->name = ReadName();
        for (;;) {
            SkipWhitespace();
            const uint8_t c = Get();
            if (c == '>') return node;
            if (c == '/') {
                node->empty = true;
                ThrowUnless(Get() == '>', errAssert);
                return node;
            }
            Back();
            const std::string name = ReadName();
            ThrowUnless(!name.empty(), 3);
            SkipWhitespace();
            ThrowUnless(Get() == '=', 3);
            SkipWhitespace();
            const uint8_t quote = Get();
            ThrowUnless(quote == '"' || quote == '\'', 3);
            std::string value;
            for (uint8_t b = Get(); b != quote; b = Get()) {
                ThrowUnless(b != '<', 3);
                value += char(b);
            }
            DecodeEntities(value);
            ThrowUnless(node->attributes.emplace(name, value).second, errAssert);
        }
    }

    LStream& s;
    TModelNode* current = nullptr; // the innermost open element
    bool spaceSkipped = false;
};

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char c : bytes)
        hex += {digits[c >> 4], digits[c & 15]};
    return hex;
}

// The node's own attribute order must be the model's byte order.
template <typename Attributes>
std::string Lines(const std::string& name, bool empty, const Attributes& attributes,
                  const std::string& data) {
    std::string out = (empty ? "E/ " : "E ") + name + "\n";
    for (const auto& [key, value] : attributes)
        out += "A " + key + " " + Hex(value) + "\n";
    return out + "D " + Hex(data) + "\n";
}

} // namespace

TModelResult ParseModel(LStream& stream) {
    TModelResult result;
    try {
        TModel(stream).Parse(result.root);
    } catch (const TTolvException& e) {
        result.error = (e.code >= 1 && e.code <= 7) ? e.code : 1;
    }
    result.offset = stream.GetPosition();
    return result;
}

std::string Canonical(const TModelNode* node) {
    if (node == nullptr) return "none\n";
    std::string out = Lines(node->name, node->empty, node->attributes, node->data);
    for (const auto& child : node->children)
        out += Canonical(child.get());
    return out + ")\n";
}

std::string DataOf(TXMLNode* node) {
    if (node->IsEmpty()) return "";
    uint32_t count = 0;
    uint8_t* bytes = node->LockData(count);
    std::string data(reinterpret_cast<const char*>(bytes), count);
    node->UnlockData(bytes);
    return data;
}

std::string Canonical(TXMLNode* node) {
    if (node == nullptr) return "none\n";
    std::string out = Lines(node->GetName(), node->IsEmpty(), node->attributes, DataOf(node));
    for (TXMLNode* child = node->firstChild; child != nullptr; child = child->nextSibling)
        out += Canonical(child);
    return out + ")\n";
}
