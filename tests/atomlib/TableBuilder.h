#pragma once
// Test helpers: atom tables built in code, and tables of random shape.

#include "AtomTable.h"

#include <cstdint>
#include <memory>
#include <random>
#include <utility>
#include <vector>

class TableBuilder {
public:
    std::shared_ptr<ZAtomTable> table = std::make_shared<ZAtomTable>();

    TableBuilder& Class(uint16_t number) {
        table->classes.push_back(std::make_shared<ZClass>());
        table->classes.back()->number = number;
        return *this;
    }
    TableBuilder& Protocol(uint16_t number) {
        auto& protocols = table->classes.back()->protocols;
        protocols.push_back(std::make_shared<ZProtocol>());
        protocols.back()->number = number;
        return *this;
    }
    ZAtom& Atom(uint16_t number, const char* name, uint16_t format = 0, uint16_t layout = 0) {
        auto atom = std::make_shared<ZAtom>();
        atom->number = number;
        atom->name.Append(name);
        atom->format = format;
        atom->layout = layout;
        table->classes.back()->protocols.back()->atoms.push_back(atom);
        return *atom;
    }
};

inline std::shared_ptr<ZEnum>
MakeEnum(uint16_t size, uint16_t kind,
         std::initializer_list<std::pair<uint32_t, const char*>> items) {
    auto e = std::make_shared<ZEnum>();
    e->valueSize = size;
    e->kind = kind;
    for (auto [value, name] : items) {
        e->items.push_back(std::make_shared<ZEnumItem>());
        e->items.back()->value = value;
        e->items.back()->name.Append(name);
    }
    return e;
}

inline void AddComponent(ZAtom& atom, uint16_t format, std::shared_ptr<ZEnum> e = nullptr) {
    atom.multis.push_back(std::make_shared<ZMulti>());
    atom.multis.back()->format = format;
    atom.multis.back()->enumeration = std::move(e);
}

// A table of random shape and contents (names of lower-case letters, digits and '_'), with
// enumerations and multi components; no object appears twice.
inline std::shared_ptr<ZAtomTable> RandomTable(std::mt19937& rng) {
    auto pick = [&](uint32_t n) { return uint32_t(rng() % n); };
    auto name = [&]() {
        ZString s;
        for (uint32_t length = 1 + pick(12); length > 0; --length)
            s.Append("abcdefghijklmnopqrstuvwxyz0123456789_"[pick(37)]);
        return s;
    };
    auto randomEnum = [&]() {
        uint16_t size = uint16_t(pick(5));
        auto e = MakeEnum(size, uint16_t(pick(4)), {});
        for (uint32_t i = pick(5); i > 0; --i) {
            e->items.push_back(std::make_shared<ZEnumItem>());
            e->items.back()->value = uint32_t(rng());
            e->items.back()->name = name();
        }
        return e;
    };
    TableBuilder b;
    for (uint32_t c = pick(4); c > 0; --c) {
        b.Class(uint16_t(pick(4)));
        for (uint32_t p = pick(5); p > 0; --p) {
            b.Protocol(uint16_t(pick(128)));
            for (uint32_t a = pick(8); a > 0; --a) {
                ZAtom& atom = b.Atom(uint16_t(pick(256)), "");
                atom.format = uint16_t(pick(30));
                atom.layout = uint16_t(pick(4));
                atom.name = name();
                for (uint32_t e = pick(3); e > 0; --e)
                    atom.enums.push_back(randomEnum());
                for (uint32_t m = pick(4); m > 0; --m) {
                    uint16_t format = uint16_t(pick(23));
                    AddComponent(atom, format, pick(2) ? randomEnum() : nullptr);
                }
            }
        }
    }
    return b.table;
}
