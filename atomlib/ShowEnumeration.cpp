// Show routines of the formats that the atom's own table entries describe: multi components
// (format 18) and enumerations (format 19).
#include "ArgumentFormats.h"
#include "KelCodes.h"
#include "ReservedAtoms.h"
#include "ShowFormats.h"

#include <algorithm>
#include <limits>

namespace {

constexpr size_t kRestOfArgument = std::numeric_limits<size_t>::max();

// The value an enumeration reads: one byte for size 1; for sizes 2 and 4 that many bytes at
// most, big-endian; 0 for any other size.
uint32_t EnumerationValue(const ZEnum& e, const uint8_t* data, size_t length) {
    if (e.valueSize == 1) return length > 0 ? data[0] : 0;
    if (e.valueSize == 2 || e.valueSize == 4)
        return ReadArgumentNumber(data, std::min(length, size_t(e.valueSize)));
    return 0;
}

const ZEnumItem* ItemOfValue(const ZEnum& e, uint32_t value) {
    for (const auto& item : e.items)
        if (item->value == value) return item.get();
    return nullptr;
}

void AppendName(ZString& out, const ZEnumItem& item) {
    out.Append(item.name.Data(), item.name.Length());
}

void AppendNameOrNumber(ZString& out, const ZEnumItem* item, uint32_t value) {
    if (item)
        AppendName(out, *item);
    else
        out.AppendDecimal(int32_t(value));
}

// Kind 1: the set bits from bit 0 up, each by the name of the item of that value.
void ShowFlags(ZString& out, const ZEnum& e, uint32_t value) {
    if (value == 0) {
        const ZEnumItem* zero = ItemOfValue(e, 0);
        if (zero)
            AppendName(out, *zero);
        else
            out.Append('0');
        return;
    }
    unsigned bits = 8u * std::min<unsigned>(e.valueSize, 4);
    bool first = true;
    for (unsigned b = 0; b < bits; ++b) {
        uint32_t bit = uint32_t(1) << b;
        if (!(value & bit)) continue;
        if (!first) out.Append(" | ");
        first = false;
        AppendNameOrNumber(out, ItemOfValue(e, bit), bit);
    }
}

// Kind 3: every item whose bits equal its mask applied to the value; bits no shown item
// covers follow as a number.
void ShowMasked(ZString& out, const ZEnum& e, uint32_t value) {
    uint32_t covered = 0;
    bool any = false;
    for (const auto& item : e.items) {
        uint32_t mask = item->value >> 16;
        uint32_t bits = item->value & 0xFFFF;
        if (bits != (mask & value)) continue;
        if (any) out.Append(" | ");
        any = true;
        AppendName(out, *item);
        covered |= bits;
    }
    if (uint32_t rest = value & ~covered) {
        if (any) out.Append(" | ");
        out.AppendDecimal(int32_t(rest));
    }
}

// The bytes a multi component takes; the formats without a fixed size take the rest.
size_t ComponentSize(const ZShowContext& c, uint16_t format) {
    switch (format) {
    case kFormatBoolean:
    case kFormatOrientation:
    case kFormatByte:
        return 1;
    case kFormatAtomReference:
    case kFormatWord:
        return 2;
    case kFormatDword:
        return 4;
    case kFormatEnumeration: {
        const ZEnum* e = c.atom.Enumeration(c.index);
        return e ? e->valueSize : 0;
    }
    default:
        return kRestOfArgument;
    }
}

} // namespace

int32_t ShowEnumeration(const ZShowContext& c, const uint8_t* data, size_t length) {
    const ZEnum* e = c.atom.Enumeration(c.index);
    if (!e) return kelSuccess;
    ShowEnumerationValue(c.out, *e, EnumerationValue(*e, data, length));
    return kelSuccess;
}

void ShowEnumerationValue(ZString& out, const ZEnum& e, uint32_t value) {
    switch (e.kind) {
    case kEnumValues:
        AppendNameOrNumber(out, ItemOfValue(e, value), value);
        break;
    case kEnumFlags:
        ShowFlags(out, e, value);
        break;
    case kEnumMasked:
        ShowMasked(out, e, value);
        break;
    default:
        break; // other kinds show nothing
    }
}

// Each component shows from where the one before it ended, separated by ", ", until the
// bytes or the components run out (a component of format 0 ends the list). A component of
// format 18 shows as raw bytes: as a multi it would show the same list again without end.
// Bytes left after the last component follow as raw bytes.
int32_t ShowMulti(const ZShowContext& c, const uint8_t* data, size_t length) {
    size_t at = 0;
    size_t shown = 0;
    for (size_t i = 1; i <= c.atom.multis.size() && at < length; ++i, ++shown) {
        uint16_t format = c.atom.ArgumentFormat(i);
        if (format == 0) break;
        if (format == kFormatMulti) format = kFormatRaw;
        ZShowContext component = c;
        component.index = i;
        if (int32_t result = ShowArgument(component, format, data + at, length - at)) return result;
        at += std::min(ComponentSize(component, format), length - at);
        if (at < length) c.out.Append(", ");
    }
    if (shown > 0 && at < length) ShowRawBytes(c.out, c.flags, data + at, length - at);
    return kelSuccess;
}
