// Show routines of the formats that print names: object kinds, criteria, alert kinds (the
// name tables) and atom references (the atom table).
#include "KelCodes.h"
#include "NameTables.h"
#include "ReservedAtoms.h"
#include "ShowFormats.h"

// The kind's short name (its number from 20 on), then the quoted title after the first byte.
int32_t ShowObjectName(const ZShowContext& c, const uint8_t* data, size_t length) {
    if (length == 0) return kelSuccess;
    if (data[0] < kObjectKindCount)
        c.out.Append(kObjectKinds[data[0]].shortName);
    else
        c.out.AppendDecimal(data[0]);
    c.out.Append(", ");
    if (length < 2)
        c.out.Append("\"\"");
    else
        ShowQuotedText(c, data + 1, length - 1);
    return kelSuccess;
}

// Only the values 0 to 5 show by name; every other value, negative ones included, shows as
// a number.
int32_t ShowCriterion(const ZShowContext& c, const uint8_t* data, size_t length) {
    constexpr int32_t kNamedCriteria = 6;
    int32_t value = int32_t(ReadArgumentNumber(data, length));
    if (value >= 0 && value < kNamedCriteria)
        c.out.Append(kCriteria[value]);
    else
        c.out.AppendDecimal(value);
    return kelSuccess;
}

// The alert kind's name ("?" for unknown kinds), then the quoted text after the first byte.
int32_t ShowAlert(const ZShowContext& c, const uint8_t* data, size_t length) {
    if (length == 0) return kelSuccess;
    c.out.Append(data[0] < kAlertKindCount ? kAlertKinds[data[0]] : "?");
    c.out.Append(", ");
    ShowQuotedText(c, data + 1, length - 1);
    return kelSuccess;
}

// The stored name of atom (protocol = first byte, atom = second byte) of the class the
// disassembler reads. Nothing when there is no such atom (or fewer than two bytes); then an
// output that is still empty becomes "?".
int32_t ShowAtomReference(const ZShowContext& c, const uint8_t* data, size_t length) {
    const ZAtom* atom =
        length >= 2 ? c.table.FindAtom(kDisassemblyClass, data[0], data[1]) : nullptr;
    if (atom) c.out.Append(atom->name.Data(), atom->name.Length());
    if (c.out.Empty()) c.out.Append('?');
    return kelSuccess;
}
