#include "XMLModel.h"

#include "Entities.h"
#include "Exception.h"

#include <cctype>

namespace {

bool IsSpace(uint8_t c) {
    return c == 9 || c == 10 || c == 13 || c == 32;
}
bool IsNameStart(uint8_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
}
bool IsNameByte(uint8_t c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-';
}

class TModel {
public:
    explicit TModel(LStream& stream) : s(stream) {}

    void Parse(std::unique_ptr<TModelNode>& root) {
        uint8_t head[5];
        if (s.Peek(head, 5) < 5 || head[0] != '<' || head[1] != '?' || tolower(head[2]) != 'x' ||
            tolower(head[3]) != 'm' || tolower(head[4]) != 'l')
            throw TTolvException(3);
        TModelNode* current = nullptr;
        while (s.GetPosition() < s.GetSize()) {
            uint8_t c = Get();
            if (c == '<') {
                current = Markup(root, current);
            } else {
                if (current == nullptr) throw TTolvException(3);
                std::string text(1, char(c));
                text += ReadText();
                DecodeEntities(text);
                if (!current->data.empty() && spaceSkipped) text = " " + text;
                spaceSkipped = false;
                current->data += text;
            }
            bool skipped = SkipWhitespace();
            spaceSkipped = spaceSkipped || skipped;
        }
    }

private:
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

    bool SkipWhitespace() {
        bool any = false;
        uint8_t c = 0;
        while (s.GetPosition() < s.GetSize() && s.Peek(&c, 1) == 1 && IsSpace(c)) {
            Get();
            any = true;
        }
        return any;
    }
    std::string ReadName() {
        std::string name;
        uint8_t c = Get();
        if (!IsNameStart(c)) {
            Back();
            return name;
        }
        for (; IsNameByte(c); c = Get())
            name += char(c);
        Back();
        return name;
    }
    std::string ReadText() {
        std::string text;
        for (uint8_t c = Get(); c != '<'; c = Get())
            text += char(c);
        Back();
        return text;
    }

    TModelNode* Markup(std::unique_ptr<TModelNode>& root, TModelNode* current) {
        uint8_t c = Get();
        if (c == '?') {
            uint8_t w[2] = {Get(), Get()};
            while (!(w[0] == '?' && w[1] == '>')) {
                w[0] = w[1];
                w[1] = Get();
            }
        } else if (c == '!') {
            Declaration(current);
        } else if (c == '/') {
            std::string name = ReadName();
            if (current == nullptr || current->name != name) throw TTolvException(6);
            current = current->parent;
            if (Get() != '>') throw TTolvException(2);
        } else if (IsNameStart(c)) {
            Back();
            std::unique_ptr<TModelNode> node = Element();
            TModelNode* added = node.get();
            if (current != nullptr) {
                node->parent = current;
                current->children.push_back(std::move(node));
            } else if (root == nullptr) {
                root = std::move(node);
            } else {
                throw TTolvException(5);
            }
            if (!added->empty) current = added;
        } else {
            throw TTolvException(3);
        }
        return current;
    }

    void Declaration(TModelNode* current) {
        uint8_t c = Get();
        if (c == '-') {
            if (Get() != '-') throw TTolvException(3);
            uint8_t w[3] = {Get(), Get(), Get()};
            while (!(w[0] == '-' && w[1] == '-')) {
                w[0] = w[1];
                w[1] = w[2];
                w[2] = Get();
            }
            if (w[2] != '>') throw TTolvException(7);
        } else if (c == '[') {
            std::string word = Get(6);
            if (word == "INCLUD") throw TTolvException(Get(2) == "E[" ? 4 : 3);
            if (word == "IGNORE") throw TTolvException(Get() == '[' ? 4 : 3);
            if (word != "CDATA[" || current == nullptr) throw TTolvException(3);
            size_t length = current->data.size();
            uint8_t w[3] = {Get(), Get(), Get()};
            while (!(w[0] == ']' && w[1] == ']' && w[2] == '>')) {
                current->data += char(w[0]);
                w[0] = w[1];
                w[1] = w[2];
                w[2] = Get();
            }
            // Fixed: a section that appended bytes ends the dropped whitespace before it.
            if (current->data.size() != length) spaceSkipped = false;
        } else if (c == 'D') {
            if (Get(6) != "OCTYPE") throw TTolvException(3);
            for (int depth = 1; depth > 0;) {
                uint8_t b = Get();
                depth += (b == '<') - (b == '>');
            }
        } else {
            throw TTolvException(3);
        }
    }

    std::unique_ptr<TModelNode> Element() {
        auto node = std::make_unique<TModelNode>();
        node->name = ReadName();
        for (;;) {
            SkipWhitespace();
            uint8_t c = Get();
            if (c == '/') {
                node->empty = true;
                if (Get() != '>') throw TTolvException(errAssert);
                return node;
            }
            if (c == '>') return node;
            Back();
            std::string name = ReadName();
            if (name.empty()) throw TTolvException(3);
            SkipWhitespace();
            if (Get() != '=') throw TTolvException(3);
            SkipWhitespace();
            uint8_t quote = Get();
            if (quote != '"' && quote != '\'') throw TTolvException(3);
            std::string value;
            for (uint8_t b = Get(); b != quote; b = Get()) {
                if (b == '<') throw TTolvException(3);
                value += char(b);
            }
            DecodeEntities(value);
            if (!node->attributes.emplace(name, value).second) throw TTolvException(errAssert);
        }
    }

    LStream& s;
    bool spaceSkipped = false;
};

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

std::string Lines(const std::string& name, bool empty, const std::map<std::string, std::string>& a,
                  const std::string& data) {
    std::string out = (empty ? "E/ " : "E ") + name + "\n";
    for (const auto& [key, value] : a)
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

std::string Canonical(const TModelNode* node, bool withEmpty) {
    if (node == nullptr) return "none\n";
    std::string out = Lines(node->name, withEmpty && node->empty, node->attributes, node->data);
    for (const auto& child : node->children)
        out += Canonical(child.get(), withEmpty);
    return out + ")\n";
}

std::string Canonical(TXMLNode* node, bool withEmpty) {
    if (node == nullptr) return "none\n";
    std::string data;
    if (!node->IsEmpty()) {
        uint32_t count = 0;
        uint8_t* bytes = node->LockData(count);
        data.assign(reinterpret_cast<const char*>(bytes), count);
        node->UnlockData(bytes);
    }
    const std::map<std::string, std::string> attributes(node->attributes.begin(),
                                                        node->attributes.end());
    std::string out = Lines(node->GetName(), withEmpty && node->IsEmpty(), attributes, data);
    for (TXMLNode* child = node->firstChild; child != nullptr; child = child->nextSibling)
        out += Canonical(child, withEmpty);
    return out + ")\n";
}
