#include "AtomTable.h"

uint16_t ZAtom::ArgumentFormat(size_t k) const {
    if (k == 0) return format;
    return k <= multis.size() ? multis[k - 1]->format : 0;
}

const ZEnum* ZAtom::Enumeration(size_t k) const {
    if (k == 0) return enums.empty() ? nullptr : enums.front().get();
    return k <= multis.size() ? multis[k - 1]->enumeration.get() : nullptr;
}

ZAtom* ZAtomTable::FindAtomByName(const char* name, size_t length) const {
    if (!indexed_) {
        for (const auto& cls : classes)
            for (const auto& protocol : cls->protocols)
                for (const auto& atom : protocol->atoms)
                    byName_.try_emplace(std::string_view(atom->name.Text(), atom->name.Length()),
                                        NamedAtom{atom.get(), protocol->number});
        indexed_ = true;
    }
    auto found = byName_.find(std::string_view(name, length));
    if (found == byName_.end()) return nullptr;
    found->second.atom->scratchProtocol = found->second.protocol;
    return found->second.atom;
}

const ZProtocol* ZAtomTable::FindProtocol(uint16_t classNumber, uint16_t protocol) const {
    for (const auto& cls : classes) {
        if (cls->number != classNumber) continue;
        for (const auto& p : cls->protocols)
            if (p->number == protocol) return p.get();
        return nullptr;
    }
    return nullptr;
}

const ZAtom* ZAtomTable::FindAtom(uint16_t classNumber, uint16_t protocol, uint16_t atom) const {
    const ZProtocol* p = FindProtocol(classNumber, protocol);
    if (!p) return nullptr;
    for (const auto& a : p->atoms)
        if (a->number == atom) return a.get();
    return nullptr;
}
