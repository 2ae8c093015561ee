#pragma once
// The in-memory atom table: classes hold protocols, protocols hold atoms, atoms hold their
// enumerations and multi components. Lists keep file order.
//
// Ownership: every member of a list is held by shared_ptr, because an object file may name
// one object from several places (a repeated id). The member types form a strict hierarchy
// (no type can hold its own type, directly or not), so sharing never makes a cycle and the
// whole tree is freed with its root. After loading, the tree is read-only except for the
// scratch protocol number that FindAtomByName writes, and the lists must not change once
// they have been searched by name (the first search indexes them).

#include "ZString.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

struct ZEnumItem {
    uint32_t value = 0;
    ZString name;
};

// Enumeration kinds (ZEnum::kind).
constexpr uint16_t kEnumFlags = 1;
constexpr uint16_t kEnumValues = 2;
constexpr uint16_t kEnumMasked = 3; // an item holds mask << 16 | bits

struct ZEnum {
    uint16_t valueSize = 0; // bytes: 1, 2 or 4
    uint16_t kind = 0;
    std::vector<std::shared_ptr<ZEnumItem>> items;
};

struct ZMulti {
    uint16_t format = 0;                // the component's argument format
    std::shared_ptr<ZEnum> enumeration; // may be null
};

// Layout flags (ZAtom::layout).
constexpr uint16_t kLayoutIndentAfter = 1; // the lines after this atom go one level deeper
constexpr uint16_t kLayoutOutdentSelf = 2; // this atom's own line goes one level back

struct ZAtom {
    uint16_t number = 0;
    uint16_t format = 0; // argument format code
    uint16_t layout = 0;
    ZString name;
    std::vector<std::shared_ptr<ZEnum>> enums;
    std::vector<std::shared_ptr<ZMulti>> multis;
    // Set by ZAtomTable::FindAtomByName to the protocol the atom was found in.
    uint16_t scratchProtocol = 0;

    // k = 0: the atom's own format; k >= 1: the format of the k-th multi component, 0 when
    // the atom has fewer.
    uint16_t ArgumentFormat(size_t k) const;
    // k = 0: the atom's first enumeration; k >= 1: the enumeration of the k-th multi
    // component. Null when absent.
    const ZEnum* Enumeration(size_t k) const;
};

struct ZProtocol {
    uint16_t number = 0;
    std::vector<std::shared_ptr<ZAtom>> atoms;
};

struct ZClass {
    uint16_t number = 0;
    std::vector<std::shared_ptr<ZProtocol>> protocols;
};

// The class the disassembler reads atoms from.
constexpr uint16_t kDisassemblyClass = 2;

class ZAtomTable {
public:
    std::vector<std::shared_ptr<ZClass>> classes;

    // The first atom, in class, protocol, atom order, whose name equals `name` exactly;
    // stores the protocol it was found in into the atom's scratchProtocol. Null when none.
    // The assembler asks for every atom it reads: the first call builds a hash index.
    ZAtom* FindAtomByName(const char* name, size_t length) const;
    ZAtom* FindAtomByName(const ZString& name) const {
        return FindAtomByName(name.Text(), name.Length());
    }
    // The first class numbered `classNumber`, in it the first protocol numbered `protocol`;
    // null when either is missing.
    const ZProtocol* FindProtocol(uint16_t classNumber, uint16_t protocol) const;
    // As FindProtocol, then the first atom numbered `atom` in that protocol.
    const ZAtom* FindAtom(uint16_t classNumber, uint16_t protocol, uint16_t atom) const;

private:
    struct NamedAtom {
        ZAtom* atom;
        uint16_t protocol;
    };
    // Name -> its first atom; the keys point into the atoms' names.
    mutable std::unordered_map<std::string_view, NamedAtom> byName_;
    mutable bool indexed_ = false;
};
