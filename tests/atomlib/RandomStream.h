#pragma once
// Random Full-form streams of the atoms of a table's class 2, one argument drawn for each
// atom's format. Canonical arguments are those the disassembler shows in a text that the
// assembler reads back to the same bytes (for enumerations of one byte, or masked ones named
// in full, as in the default table); loose ones are any bytes whose text still assembles
// (the round trip may change them once, then holds).

#include "ArgumentFormats.h"
#include "AtomTable.h"
#include "FullWriter.h"
#include "ReservedAtoms.h"

#include <cstdint>
#include <random>
#include <vector>

class RandomStreamMaker {
public:
    RandomStreamMaker(const ZAtomTable& table, uint32_t seed, bool loose)
        : table_(table), rng_(seed), loose_(loose) {
        for (const auto& cls : table.classes)
            if (cls->number == kDisassemblyClass)
                for (const auto& protocol : cls->protocols)
                    for (const auto& atom : protocol->atoms)
                        if (Usable(protocol->number, *atom))
                            atoms_.push_back({protocol->number, atom.get()});
    }

    // `count` atoms, in Full form.
    ZBuffer Stream(size_t count, int depth = 0) {
        ZBuffer out;
        for (size_t i = 0; i < count; ++i) {
            uint32_t pick = Below(20);
            Bytes argument;
            uint16_t protocol, number;
            if (pick == 0) { // an atom the table does not name
                protocol = uint16_t(Below(128));
                number = uint16_t(Below(256));
                if (Reserved(protocol, number) || Known(protocol, number)) continue;
                argument = RandomBytes(Below(6));
            } else if (pick == 1) {
                protocol = ReservedAtoms::kCommentProtocol;
                number = ReservedAtoms::kCommentAtom;
                argument = Printable(Below(30));
            } else {
                auto [p, atom] = atoms_[Below(uint32_t(atoms_.size()))];
                protocol = p;
                number = atom->number;
                if (Below(8) != 0) argument = Argument(*atom, 0, depth);
            }
            WriteFullAtom(out, protocol, number, argument.data(), argument.size());
        }
        return out;
    }

private:
    using Bytes = std::vector<uint8_t>;

    uint32_t Below(uint32_t n) { return uint32_t(rng_() % n); }

    bool Reserved(uint16_t protocol, uint16_t number) const {
        bool large = protocol == ReservedAtoms::kControlProtocol &&
                     number >= ReservedAtoms::kLargeStart && number <= ReservedAtoms::kLargeEnd;
        bool comment =
            protocol == ReservedAtoms::kCommentProtocol && number == ReservedAtoms::kCommentAtom;
        return large || comment;
    }
    bool Known(uint16_t protocol, uint16_t number) const {
        return table_.FindAtom(kDisassemblyClass, protocol, number) != nullptr;
    }
    // Hidden atoms vanish from the text; names that an earlier atom also has read back as
    // that atom.
    bool Usable(uint16_t protocol, const ZAtom& atom) const {
        if (Reserved(protocol, atom.number) || (atom.format == kFormatHidden && !loose_))
            return false;
        const ZAtom* first = table_.FindAtomByName(atom.name);
        return first == &atom && !atom.name.Empty();
    }

    Bytes RandomBytes(size_t n) {
        Bytes b(n);
        for (auto& byte : b)
            byte = uint8_t(rng_());
        return b;
    }
    Bytes Printable(size_t n) {
        Bytes b(n);
        for (auto& byte : b)
            byte = uint8_t(32 + Below(95));
        return b;
    }
    // A number below 2^31 in its compact bytes.
    Bytes Compact(uint32_t floor = 0) {
        uint32_t bits = 1 + Below(31);
        uint32_t value = uint32_t(rng_()) & ((1u << bits) - 1);
        if (value < floor) value = floor;
        Bytes b;
        size_t n = value < 0x100 ? 1 : value < 0x10000 ? 2 : value < 0x1000000 ? 3 : 4;
        for (size_t i = n; i > 0; --i)
            b.push_back(uint8_t(value >> (8 * (i - 1))));
        return b;
    }
    Bytes Append(Bytes head, const Bytes& tail) {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    }
    // The global id forms that show as a-b-c, a-b, a number or raw bytes and read back.
    Bytes GlobalId() {
        switch (Below(4)) {
        case 0:
            return Compact();
        case 1:
            return {uint8_t(1 + Below(255)), uint8_t(rng_()), uint8_t(rng_())};
        case 2:
            return {uint8_t(1 + Below(255)), uint8_t(rng_()), uint8_t(rng_()), uint8_t(rng_())};
        default:
            return RandomBytes(5 + Below(4));
        }
    }
    Bytes Enumeration(const ZEnum* e) {
        if (!e || e->items.empty()) return {};
        if (e->kind == kEnumMasked) { // names only: a bare number would be sniffed shorter
            uint32_t value = 0;
            for (const auto& item : e->items)
                if (Below(3) == 0 && ((value >> 16) & (item->value >> 16)) == 0)
                    value |= item->value;
            if ((value & 0xFFFF) == 0) value = e->items.front()->value;
            value &= 0xFFFF;
            return e->valueSize == 2 ? Bytes{uint8_t(value >> 8), uint8_t(value)}
                                     : Bytes{uint8_t(value)};
        }
        return RandomBytes(e->valueSize);
    }
    Bytes Multi(const ZAtom& atom, int depth) {
        Bytes b;
        for (size_t i = 1; atom.ArgumentFormat(i) != 0 && (i == 1 || Below(5) != 0); ++i)
            b = Append(b, Argument(atom, i, depth));
        return b;
    }
    Bytes Loose(const ZAtom& atom, size_t k) {
        Bytes b = RandomBytes(1 + Below(6));
        switch (atom.ArgumentFormat(k)) {
        case kFormatNumber:
        case kFormatCriterion:
            b[0] &= 0x7F; // four bytes with the top bit set show negative
            return b;
        case kFormatBoolean:
        case kFormatByteList:
        case kFormatHidden:
        case kFormatByte:
        case kFormatRaw:
        case 0:
            return b;
        default:
            return Argument(atom, k, 2);
        }
    }

    Bytes Argument(const ZAtom& atom, size_t k, int depth) {
        if (loose_ && k == 0 && Below(3) == 0) return Loose(atom, k);
        switch (atom.ArgumentFormat(k)) {
        case kFormatNumber:
            return Compact();
        case kFormatString:
            return RandomBytes(1 + Below(12));
        case kFormatBoolean:
            return {uint8_t(Below(2))};
        case kFormatGlobalId:
            return GlobalId();
        case kFormatStream: {
            ZBuffer inner = depth < 2 ? Stream(Below(4), depth + 1) : ZBuffer();
            return Bytes(inner.Data(), inner.Data() + inner.Length());
        }
        case kFormatObjectName:
            return Append({uint8_t(rng_())}, RandomBytes(Below(8)));
        case kFormatOrientation:
            return {uint8_t((Below(2) << 6) | (Below(5) << 3) | Below(5))};
        case kFormatToken: {
            Bytes token = {uint8_t('A' + Below(26)), uint8_t('0' + Below(10))};
            return Below(2) ? token : Append(token, GlobalId());
        }
        case kFormatCriterion:
            return Below(2) ? Bytes{uint8_t(Below(6))} : Compact(6);
        case kFormatAlert:
            return Append({uint8_t(Below(9))}, RandomBytes(Below(8)));
        case kFormatAtomReference: {
            auto [protocol, target] = atoms_[Below(uint32_t(atoms_.size()))];
            return {uint8_t(protocol), uint8_t(target->number)};
        }
        case kFormatByteList:
            return RandomBytes(1 + Below(8));
        case kFormatLetterNumber:
            return Below(2) ? Bytes{uint8_t(Below(26))} : Append({uint8_t(Below(26))}, Compact());
        case kFormatLetterString: { // a text starting with "-" would be sniffed as a global id
            Bytes text = RandomBytes(Below(8));
            if (!text.empty() && text[0] == '-') text[0] = '+';
            return Append({uint8_t(Below(26))}, text);
        }
        case kFormatLetters: {
            Bytes b(1 + Below(8));
            for (auto& byte : b)
                byte = uint8_t(Below(26));
            return b;
        }
        case kFormatMulti:
            return Multi(atom, depth);
        case kFormatEnumeration:
            return Enumeration(atom.Enumeration(k));
        case kFormatByte:
            return RandomBytes(1);
        case kFormatWord:
            return RandomBytes(2);
        case kFormatDword:
            return Append({uint8_t(Below(0x80))}, RandomBytes(3));
        default:
            return RandomBytes(Below(10));
        }
    }

    const ZAtomTable& table_;
    std::mt19937 rng_;
    bool loose_;
    std::vector<std::pair<uint16_t, const ZAtom*>> atoms_;
};
