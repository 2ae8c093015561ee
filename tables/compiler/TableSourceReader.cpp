#include "TableSourceReader.h"

#include "NumberReader.h"
#include "SourceNames.h"

#include <cstdio>
#include <initializer_list>
#include <memory>

namespace {

class TReader {
public:
    explicit TReader(std::string& error) : error_(error) {}

    bool Table(const TSourceElement& e, ZAtomTable& table) {
        if (e.name != "atom_table") return Fail(e, "the document must be an <atom_table>");
        return Check(e, {}) && Children(e, "class", table.classes, &TReader::Class);
    }

private:
    bool Class(const TSourceElement& e, ZClass& cls) {
        return Check(e, {"number"}) && Number(e, "number", cls.number) &&
               Children(e, "protocol", cls.protocols, &TReader::Protocol);
    }

    bool Protocol(const TSourceElement& e, ZProtocol& protocol) {
        return Check(e, {"number"}) && Number(e, "number", protocol.number) &&
               Children(e, "atom", protocol.atoms, &TReader::Atom);
    }

    bool Atom(const TSourceElement& e, ZAtom& atom) {
        if (!Check(e, {"number", "name", "format", "layout"}) ||
            !Number(e, "number", atom.number) || !Name(e, atom.name) ||
            !Format(e, false, atom.format) || !Number(e, "layout", atom.layout, false))
            return false;
        for (const TSourceElement& child : e.children) {
            bool ok = child.name == "enum"    ? Add(child, atom.enums, &TReader::Enum)
                      : child.name == "multi" ? Add(child, atom.multis, &TReader::Multi)
                                              : Fail(child, "not allowed in <atom>");
            if (!ok) return false;
        }
        return true;
    }

    bool Multi(const TSourceElement& e, ZMulti& multi) {
        if (!Check(e, {"format"}) || !Format(e, true, multi.format)) return false;
        if (e.children.size() > 1) return Fail(e.children[1], "a <multi> holds one <enum> at most");
        for (const TSourceElement& child : e.children) {
            if (child.name != "enum") return Fail(child, "not allowed in <multi>");
            multi.enumeration = std::make_shared<ZEnum>();
            if (!Enum(child, *multi.enumeration)) return false;
        }
        return true;
    }

    bool Enum(const TSourceElement& e, ZEnum& enumeration) {
        if (!Check(e, {"size", "kind"}) || !Number(e, "size", enumeration.valueSize)) return false;
        const std::string* kind = Attribute(e, "kind", true);
        if (!kind) return false;
        if (!EnumKindByName(*kind, enumeration.kind) && !Number(e, "kind", enumeration.kind))
            return false;
        return Children(e, "item", enumeration.items, &TReader::Item);
    }

    bool Item(const TSourceElement& e, ZEnumItem& item) {
        return Check(e, {"value", "name"}) && Number(e, "value", item.value) && Name(e, item.name);
    }

    // Reads every child of `e`, which must all be `<childName>`, into `list`.
    template <class T>
    bool Children(const TSourceElement& e, const char* childName,
                  std::vector<std::shared_ptr<T>>& list,
                  bool (TReader::*read)(const TSourceElement&, T&)) {
        for (const TSourceElement& child : e.children) {
            if (child.name != childName)
                return Fail(child, ("not allowed in <" + e.name + ">").c_str());
            if (!Add(child, list, read)) return false;
        }
        return true;
    }

    template <class T>
    bool Add(const TSourceElement& e, std::vector<std::shared_ptr<T>>& list,
             bool (TReader::*read)(const TSourceElement&, T&)) {
        list.push_back(std::make_shared<T>());
        return (this->*read)(e, *list.back());
    }

    // Rejects character data and attributes not in `allowed`.
    bool Check(const TSourceElement& e, std::initializer_list<const char*> allowed) {
        if (e.text.find_first_not_of(" \t\r\n") != std::string::npos)
            return Fail(e, "holds text; only elements belong here");
        for (const auto& [attribute, value] : e.attributes) {
            bool known = false;
            for (const char* name : allowed)
                known = known || attribute == name;
            if (!known) return Fail(e, ("unknown attribute \"" + attribute + "\"").c_str());
        }
        return true;
    }

    const std::string* Attribute(const TSourceElement& e, const char* name, bool required) {
        auto it = e.attributes.find(name);
        if (it != e.attributes.end()) return &it->second;
        if (required) Fail(e, (std::string("missing attribute \"") + name + "\"").c_str());
        return nullptr;
    }

    bool Name(const TSourceElement& e, ZString& name) {
        const std::string* text = Attribute(e, "name", true);
        if (!text) return false;
        if (text->size() > 0xFFFF) return Fail(e, "name longer than 65535 bytes");
        name.Append(text->data(), text->size());
        return true;
    }

    bool Format(const TSourceElement& e, bool required, uint16_t& format) {
        const std::string* text = Attribute(e, "format", required);
        if (!text) return !required;
        return FormatByName(*text, format) || Number(e, "format", format);
    }

    template <class T>
    bool Number(const TSourceElement& e, const char* name, T& value, bool required = true) {
        const std::string* text = Attribute(e, name, required);
        if (!text) return !required;
        uint32_t number;
        if (ParseNumber(*text, number) && number <= T(~T(0))) {
            value = T(number);
            return true;
        }
        char message[160];
        std::snprintf(message, sizeof message, "attribute \"%s\" must be a number from 0 to %lu",
                      name, static_cast<unsigned long>(T(~T(0))));
        return Fail(e, message);
    }

    // A whole text as an unsigned number the way C reads one ("0x" hexadecimal, a leading 0
    // octal, else decimal); false for signs, stray characters and values beyond 32 bits.
    static bool ParseNumber(const std::string& text, uint32_t& value) {
        if (text.empty() || text[0] < '0' || text[0] > '9') return false;
        const char* end;
        value = Numbers::ReadUnsigned(text.c_str(), 0, &end);
        if (*end != '\0') return false;
        // The reader clamps; spelling the value again in the same base shows an overflow.
        bool hex = text.size() > 1 && (text[1] == 'x' || text[1] == 'X');
        const char* format = hex ? "%x" : text[0] == '0' ? "%o" : "%u";
        char again[16];
        std::snprintf(again, sizeof again, format, static_cast<unsigned>(value));
        std::string digits = text.substr(hex ? 2 : 0);
        digits.erase(0, digits.find_first_not_of('0') == std::string::npos
                            ? digits.size() - 1
                            : digits.find_first_not_of('0'));
        for (char& c : digits)
            c = char(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
        return digits == again;
    }

    bool Fail(const TSourceElement& e, const char* what) {
        char where[64];
        std::snprintf(where, sizeof where, "offset %u: <", static_cast<unsigned>(e.offset));
        error_ = where + e.name + ">: " + what;
        return false;
    }

    std::string& error_;
};

} // namespace

bool ReadTableSource(const TSourceElement& root, ZAtomTable& table, std::string& error) {
    return TReader(error).Table(root, table);
}
