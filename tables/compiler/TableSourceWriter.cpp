#include "TableSourceWriter.h"

#include "Entities.h"
#include "SourceNames.h"

#include <cstdio>

namespace {

class TWriter {
public:
    std::string out;

    void Table(const ZAtomTable& table) {
        out += "<?xml version=\"1.0\" encoding=\"us-ascii\"?>\n<atom_table>\n";
        for (const auto& cls : table.classes) {
            Open(1, "class", Attr("number", cls->number), cls->protocols.empty());
            for (const auto& protocol : cls->protocols) {
                Open(2, "protocol", Attr("number", protocol->number), protocol->atoms.empty());
                for (const auto& atom : protocol->atoms)
                    Atom(*atom);
                if (!protocol->atoms.empty()) Close(2, "protocol");
            }
            if (!cls->protocols.empty()) Close(1, "class");
        }
        out += "</atom_table>\n";
    }

private:
    void Atom(const ZAtom& atom) {
        std::string attrs = Attr("number", atom.number) + Attr("name", atom.name);
        if (atom.format) attrs += FormatAttr(atom.format);
        if (atom.layout) attrs += Attr("layout", atom.layout);
        bool empty = atom.enums.empty() && atom.multis.empty();
        Open(3, "atom", attrs, empty);
        for (const auto& e : atom.enums)
            Enum(4, *e);
        for (const auto& multi : atom.multis) {
            Open(4, "multi", FormatAttr(multi->format), !multi->enumeration);
            if (multi->enumeration) {
                Enum(5, *multi->enumeration);
                Close(4, "multi");
            }
        }
        if (!empty) Close(3, "atom");
    }

    void Enum(int depth, const ZEnum& e) {
        const char* kind = EnumKindName(e.kind);
        std::string attrs =
            Attr("size", e.valueSize) + (kind ? Attr("kind", ZString(kind)) : Attr("kind", e.kind));
        Open(depth, "enum", attrs, e.items.empty());
        for (const auto& item : e.items) {
            char value[16];
            std::snprintf(value, sizeof value, e.kind == kEnumValues ? "%u" : "0x%x",
                          static_cast<unsigned>(item->value));
            Open(depth + 1, "item", Attr("value", ZString(value)) + Attr("name", item->name), true);
        }
        if (!e.items.empty()) Close(depth, "enum");
    }

    std::string FormatAttr(uint16_t format) {
        const char* name = FormatName(format);
        return name ? Attr("format", ZString(name)) : Attr("format", format);
    }

    static std::string Attr(const char* name, uint32_t value) {
        return Attr(name, ZString(std::to_string(value).c_str()));
    }

    // name="value", the value escaped for XML.
    static std::string Attr(const char* name, const ZString& value) {
        std::string text(value.Text(), value.Length());
        EncodeEntities(text);
        return std::string(" ") + name + "=\"" + text + "\"";
    }

    void Open(int depth, const char* name, const std::string& attrs, bool empty) {
        out += std::string(size_t(depth) * 2, ' ') + "<" + name + attrs + (empty ? "/>\n" : ">\n");
    }

    void Close(int depth, const char* name) {
        out += std::string(size_t(depth) * 2, ' ') + "</" + name + ">\n";
    }
};

} // namespace

std::string WriteTableSource(const ZAtomTable& table) {
    TWriter writer;
    writer.Table(table);
    return writer.out;
}
