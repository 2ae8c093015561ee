#include "EnumRead.h"

#include "ArgumentRead.h"
#include "KelCodes.h"
#include "NumberRead.h"

#include <string>
#include <string_view>

namespace {

// The value of one part: the first item named so, else a number.
bool PartValue(const ZEnum& enumeration, std::string_view part, uint32_t& value) {
    for (const auto& item : enumeration.items)
        if (item->name.Equals(part.data(), part.size())) {
            value = item->value;
            return true;
        }
    ZString number(part.data(), part.size());
    if (!number.IsNumber()) return false;
    value = uint32_t(number.ReadSigned());
    return true;
}

// Kind 2 takes the first part, kind 1 ORs all parts, kind 3 ORs their low 16 bits.
int32_t CombineParts(const ZEnum& enumeration, std::string_view joined, uint32_t& value) {
    value = 0;
    bool first = true;
    for (;;) {
        size_t bar = joined.find('|');
        uint32_t part;
        if (!PartValue(enumeration, joined.substr(0, bar), part)) return kelUnrecognizedEnum;
        if (enumeration.kind == kEnumValues && first) value = part;
        if (enumeration.kind == kEnumFlags) value |= part;
        if (enumeration.kind == kEnumMasked) value |= part & 0xFFFF;
        first = false;
        if (bar == std::string_view::npos) break;
        joined.remove_prefix(bar + 1);
    }
    bool known = enumeration.kind == kEnumFlags || enumeration.kind == kEnumValues ||
                 enumeration.kind == kEnumMasked;
    return known ? kelSuccess : kelUnrecognizedEnum;
}

} // namespace

int32_t ReadMulti(ZAssembler& assembler, const ZAtom& atom, ZBuffer& out) {
    ZAssembler::Level level(assembler);
    if (level.TooDeep()) return kelBadFormat;
    ZTokenReader& tokens = assembler.Tokens();
    for (size_t i = 1; atom.ArgumentFormat(i) != 0; ++i) {
        if (i > 1) {
            if (tokens.NextIs('>')) return kelSuccess;
            if (tokens.NextIs(',')) tokens.Read();
        }
        if (int32_t result = ReadArgument(assembler, atom, i, out)) return result;
    }
    return kelSuccess;
}

int32_t ReadEnumeration(ZAssembler& assembler, const ZAtom& atom, size_t k, ZBuffer& out) {
    ZTokenReader& tokens = assembler.Tokens();
    std::string joined(tokens.Read().View());
    while (tokens.NextIs('|')) {
        joined += tokens.Read().View(); // the "|"
        joined += tokens.Read().View();
    }
    const ZEnum* enumeration = atom.Enumeration(k);
    if (!enumeration) return kelUnrecognizedEnum;
    uint32_t value;
    if (int32_t result = CombineParts(*enumeration, joined, value)) return result;
    switch (enumeration->valueSize) {
    case 1:
        if (value > 0xFF) return kelValueTooLarge;
        WriteBigEndian(out, value, 1);
        break;
    case 2:
        if (value > 0xFFFF) return kelValueTooLarge;
        WriteBigEndian(out, value, 2);
        break;
    case 4:
        WriteBigEndian(out, value, 4);
        break;
    default:
        break;
    }
    return kelSuccess;
}
