#include "TableFile.h"

#include "KelCodes.h"
#include "ObjectReader.h"
#include "ObjectWriter.h"

#include <cstdio>

namespace {

// Reads list members of class `id` into `list` up to the null reference that closes it.
template <class T, class Body>
void ReadList(ZObjectReader& in, ZClassId id, std::vector<std::shared_ptr<T>>& list, Body body) {
    while (std::shared_ptr<T> item = in.template ReadObject<T>(id, body))
        list.push_back(item);
}

void ReadEnumItem(ZObjectReader& in, ZEnumItem& item) {
    item.value = in.ReadTaggedLong();
    in.ReadEmbeddedString(item.name);
}

void ReadEnum(ZObjectReader& in, ZEnum& enumeration) {
    enumeration.valueSize = in.ReadTaggedWord();
    enumeration.kind = in.ReadTaggedWord();
    ReadList(in, ZClassId::EnumItem, enumeration.items,
             [&](ZEnumItem& item) { ReadEnumItem(in, item); });
}

void ReadMulti(ZObjectReader& in, ZMulti& multi) {
    multi.format = in.ReadTaggedWord();
    multi.enumeration = in.ReadObject<ZEnum>(ZClassId::Enum, [&](ZEnum& e) { ReadEnum(in, e); });
}

void ReadAtom(ZObjectReader& in, ZAtom& atom) {
    atom.number = in.ReadTaggedWord();
    atom.format = in.ReadTaggedWord();
    atom.layout = in.ReadTaggedWord();
    in.ReadEmbeddedString(atom.name);
    ReadList(in, ZClassId::Enum, atom.enums, [&](ZEnum& e) { ReadEnum(in, e); });
    ReadList(in, ZClassId::Multi, atom.multis, [&](ZMulti& m) { ReadMulti(in, m); });
}

void ReadProtocol(ZObjectReader& in, ZProtocol& protocol) {
    protocol.number = in.ReadTaggedWord();
    ReadList(in, ZClassId::Atom, protocol.atoms, [&](ZAtom& a) { ReadAtom(in, a); });
}

void ReadClass(ZObjectReader& in, ZClass& cls) {
    cls.number = in.ReadTaggedWord();
    ReadList(in, ZClassId::Protocol, cls.protocols, [&](ZProtocol& p) { ReadProtocol(in, p); });
}

void WriteEnum(ZObjectWriter& out, const ZEnum& enumeration) {
    out.WriteTaggedWord(enumeration.valueSize);
    out.WriteTaggedWord(enumeration.kind);
    out.WriteList(ZClassId::EnumItem, enumeration.items, [&](const ZEnumItem& item) {
        out.WriteTaggedLong(item.value);
        out.WriteEmbeddedString(item.name);
    });
}

void WriteMulti(ZObjectWriter& out, const ZMulti& multi) {
    out.WriteTaggedWord(multi.format);
    if (!multi.enumeration)
        out.WriteNull();
    else if (out.BeginObject(ZClassId::Enum, multi.enumeration.get()))
        WriteEnum(out, *multi.enumeration);
}

void WriteAtom(ZObjectWriter& out, const ZAtom& atom) {
    out.WriteTaggedWord(atom.number);
    out.WriteTaggedWord(atom.format);
    out.WriteTaggedWord(atom.layout);
    out.WriteEmbeddedString(atom.name);
    out.WriteList(ZClassId::Enum, atom.enums, [&](const ZEnum& e) { WriteEnum(out, e); });
    out.WriteList(ZClassId::Multi, atom.multis, [&](const ZMulti& m) { WriteMulti(out, m); });
}

// The whole file, or false when it cannot be opened or read.
bool ReadWholeFile(const char* path, std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

} // namespace

int32_t LoadAtomTableFile(const char* path, std::shared_ptr<ZAtomTable>& table) {
    std::vector<uint8_t> bytes;
    table.reset();
    if (!path || !ReadWholeFile(path, bytes)) return kelTableOpenFail;
    return ReadAtomTable(bytes.data(), bytes.size(), table);
}

int32_t ReadAtomTable(const uint8_t* data, size_t size, std::shared_ptr<ZAtomTable>& table) {
    ZObjectReader in(data, size);
    if (in.ReadWord() != ObjectTags::kHeader) in.Fail();
    table = in.ReadObject<ZAtomTable>(ZClassId::AtomTable, [&](ZAtomTable& t) {
        ReadList(in, ZClassId::Class, t.classes, [&](ZClass& c) { ReadClass(in, c); });
    });
    if (in.Failed() || !table) {
        table.reset();
        return kelTableBadFormat;
    }
    return kelSuccess;
}

std::vector<uint8_t> WriteAtomTable(const ZAtomTable& table) {
    ZObjectWriter out;
    out.BeginObject(ZClassId::AtomTable, &table);
    out.WriteList(ZClassId::Class, table.classes, [&](const ZClass& cls) {
        out.WriteTaggedWord(cls.number);
        out.WriteList(ZClassId::Protocol, cls.protocols, [&](const ZProtocol& protocol) {
            out.WriteTaggedWord(protocol.number);
            out.WriteList(ZClassId::Atom, protocol.atoms,
                          [&](const ZAtom& atom) { WriteAtom(out, atom); });
        });
    });
    return out.Bytes();
}
