#pragma once
// Test helpers: tables built in code, random tables, and a big-endian byte writer for
// hand-made object files.

#include "AtomTable.h"

#include <cstdint>
#include <memory>
#include <random>
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

// A table of random shape and contents (names of lower-case letters, digits and '_'), with
// enumerations and multi components; no object appears twice.
inline std::shared_ptr<ZAtomTable> RandomTable(std::mt19937& rng) {
    auto pick = [&](uint32_t n) { return uint32_t(rng() % n); };
    auto name = [&]() {
        ZString s;
        uint32_t length = 1 + pick(12);
        for (uint32_t i = 0; i < length; ++i)
            s.Append("abcdefghijklmnopqrstuvwxyz0123456789_"[pick(37)]);
        return s;
    };
    auto randomEnum = [&]() {
        auto e = std::make_shared<ZEnum>();
        e->valueSize = uint16_t(pick(5));
        e->kind = uint16_t(pick(4));
        for (uint32_t i = pick(5); i > 0; --i) {
            e->items.push_back(std::make_shared<ZEnumItem>());
            e->items.back()->value = uint32_t(rng());
            e->items.back()->name = name();
        }
        return e;
    };
    auto table = std::make_shared<ZAtomTable>();
    for (uint32_t c = pick(4); c > 0; --c) {
        auto cls = std::make_shared<ZClass>();
        cls->number = uint16_t(pick(4));
        for (uint32_t p = pick(5); p > 0; --p) {
            auto protocol = std::make_shared<ZProtocol>();
            protocol->number = uint16_t(pick(128));
            for (uint32_t a = pick(8); a > 0; --a) {
                auto atom = std::make_shared<ZAtom>();
                atom->number = uint16_t(pick(256));
                atom->format = uint16_t(pick(30));
                atom->layout = uint16_t(pick(4));
                atom->name = name();
                for (uint32_t e = pick(3); e > 0; --e)
                    atom->enums.push_back(randomEnum());
                for (uint32_t m = pick(4); m > 0; --m) {
                    atom->multis.push_back(std::make_shared<ZMulti>());
                    atom->multis.back()->format = uint16_t(pick(23));
                    if (pick(2)) atom->multis.back()->enumeration = randomEnum();
                }
                protocol->atoms.push_back(atom);
            }
            cls->protocols.push_back(protocol);
        }
        table->classes.push_back(cls);
    }
    return table;
}

// Big-endian bytes for hand-made object files.
struct Bytes {
    std::vector<uint8_t> bytes;
    Bytes& Word(uint16_t v) {
        bytes.push_back(uint8_t(v >> 8));
        bytes.push_back(uint8_t(v));
        return *this;
    }
    Bytes& Long(uint32_t v) { return Word(uint16_t(v >> 16)).Word(uint16_t(v)); }
    Bytes& Raw(std::initializer_list<uint8_t> b) {
        bytes.insert(bytes.end(), b);
        return *this;
    }
};
