#pragma once
// Random Full-form streams for the text benchmark.

#include "ArgumentFormats.h"
#include "AtomTable.h"
#include "FullWriter.h"
#include "ReservedAtoms.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

using Bytes8 = std::vector<uint8_t>;

// Random Full-form streams of the atoms of a table's class 2, with a canonical argument
// drawn for each atom's format: one that the disassembler shows in a text that the assembler
// reads back to the same bytes (for enumerations of one byte, or masked ones named in full,
// as in the default table).
class RandomStreamMaker {
public:
    RandomStreamMaker(const ZAtomTable& table, uint32_t seed) : table_(table), rng_(seed) {
        for (const auto& cls : table.classes) {
            if (cls->number != kDisassemblyClass) continue;
            for (const auto& protocol : cls->protocols)
                for (const auto& atom : protocol->atoms)
                    if (Usable(protocol->number, *atom))
                        atoms_.push_back({protocol->number, atom.get()});
        }
    }

    // The atoms the library interprets itself: the large-atom pieces and the comment atom.
    static bool Reserved(uint16_t protocol, uint16_t number) {
        return (protocol == ReservedAtoms::kControlProtocol &&
                number >= ReservedAtoms::kLargeStart && number <= ReservedAtoms::kLargeEnd) ||
               (protocol == ReservedAtoms::kCommentProtocol &&
                number == ReservedAtoms::kCommentAtom);
    }

    // `count` atoms, in Full form: mostly atoms of the table, some comments and unknown atoms.
    ZBuffer Stream(size_t count, int depth = 0) {
        ZBuffer out;
        for (size_t i = 0; i < count; ++i) {
            uint32_t pick = Below(20);
            Bytes8 argument;
            uint16_t protocol = ReservedAtoms::kCommentProtocol,
                     number = ReservedAtoms::kCommentAtom;
            if (pick == 0) {
                protocol = uint16_t(Below(128));
                number = uint16_t(Below(256));
                if (Reserved(protocol, number) ||
                    table_.FindAtom(kDisassemblyClass, protocol, number))
                    continue;
                argument = Random(Below(6));
            } else if (pick == 1) {
                argument = Random(Below(30), 32, 95);
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
    uint32_t Below(uint32_t n) { return uint32_t(rng_() % n); }
    // Hidden atoms vanish from the text; a name that an earlier atom also has reads back as
    // that atom.
    bool Usable(uint16_t protocol, const ZAtom& atom) const {
        if (Reserved(protocol, atom.number) || atom.format == kFormatHidden) return false;
        return table_.FindAtomByName(atom.name) == &atom && !atom.name.Empty();
    }
    // n bytes, each from + a value below range.
    Bytes8 Random(size_t n, uint32_t from = 0, uint32_t range = 256) {
        Bytes8 b(n);
        for (auto& byte : b)
            byte = uint8_t(from + Below(range));
        return b;
    }
    static Bytes8 Cat(Bytes8 head, const Bytes8& tail) {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    }
    // A number below 2^31 (and at least `floor`) in its compact bytes.
    Bytes8 Compact(uint32_t floor = 0) {
        uint32_t bits = 1 + Below(31);
        uint32_t value = std::max(uint32_t(rng_()) & ((1u << bits) - 1), floor);
        size_t n = value < 0x100 ? 1 : value < 0x10000 ? 2 : value < 0x1000000 ? 3 : 4;
        Bytes8 b;
        for (size_t i = n; i > 0; --i)
            b.push_back(uint8_t(value >> (8 * (i - 1))));
        return b;
    }
    // The forms that show as a-b-c, a-b, a number or raw bytes and read back.
    Bytes8 GlobalId() {
        uint32_t form = Below(4);
        if (form == 0) return Compact();
        return form == 3 ? Random(5 + Below(4)) : Cat(Random(1, 1, 255), Random(form + 1));
    }
    Bytes8 Enumeration(const ZEnum* e) {
        if (!e || e->items.empty()) return {};
        if (e->kind != kEnumMasked) return Random(e->valueSize);
        uint32_t value = 0; // names only: a bare number would be sniffed shorter
        for (const auto& item : e->items)
            if (Below(3) == 0 && ((value >> 16) & (item->value >> 16)) == 0) value |= item->value;
        if ((value & 0xFFFF) == 0) value = e->items.front()->value;
        Bytes8 both = {uint8_t(value >> 8), uint8_t(value)};
        return e->valueSize == 2 ? both : Bytes8{both[1]};
    }
    Bytes8 Argument(const ZAtom& atom, size_t k, int depth) {
        const uint16_t f = atom.ArgumentFormat(k);
        if (f == kFormatNumber) return Compact();
        if (f == kFormatString || f == kFormatByteList) return Random(1 + Below(12));
        if (f == kFormatBoolean) return Random(1, 0, 2);
        if (f == kFormatGlobalId) return GlobalId();
        if (f == kFormatStream) {
            if (depth >= 2) return {};
            ZBuffer nested = Stream(Below(4), depth + 1);
            return Bytes8(nested.Data(), nested.Data() + nested.Length());
        }
        if (f == kFormatObjectName) return Cat(Random(1), Random(Below(8)));
        if (f == kFormatOrientation) return {uint8_t((Below(2) << 6) | (Below(5) << 3) | Below(5))};
        if (f == kFormatToken) {
            Bytes8 token = Cat(Random(1, 'A', 26), Random(1, '0', 10));
            return Below(2) ? token : Cat(token, GlobalId());
        }
        if (f == kFormatCriterion) return Below(2) ? Random(1, 0, 6) : Compact(6);
        if (f == kFormatAlert) return Cat(Random(1, 0, 9), Random(Below(8)));
        if (f == kFormatAtomReference) {
            auto [protocol, target] = atoms_[Below(uint32_t(atoms_.size()))];
            return {uint8_t(protocol), uint8_t(target->number)};
        }
        if (f == kFormatLetterNumber) return Cat(Random(1, 0, 26), Below(2) ? Compact() : Bytes8{});
        if (f == kFormatLetterString) { // a text starting with "-" would be sniffed as a global id
            Bytes8 text = Random(Below(8));
            if (!text.empty() && text[0] == '-') text[0] = '+';
            return Cat(Random(1, 0, 26), text);
        }
        if (f == kFormatLetters) return Random(1 + Below(8), 0, 26);
        if (f == kFormatMulti) {
            Bytes8 b;
            for (size_t i = 1; atom.ArgumentFormat(i) != 0 && (i == 1 || Below(5) != 0); ++i)
                b = Cat(b, Argument(atom, i, depth));
            return b;
        }
        if (f == kFormatEnumeration) return Enumeration(atom.Enumeration(k));
        if (f == kFormatByte || f == kFormatWord) return Random(f == kFormatByte ? 1 : 2);
        if (f == kFormatDword) return Cat(Random(1, 0, 0x80), Random(3));
        return Random(Below(10));
    }

    const ZAtomTable& table_;
    std::mt19937 rng_;
    std::vector<std::pair<uint16_t, const ZAtom*>> atoms_;
};
