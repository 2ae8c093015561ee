// The dictionary exports: questions about the loaded atom table. All but KelLookupAtomEnum
// read the table in force without loading one; without a table they give their empty
// results.
#include "ExportGuard.h"
#include "LibraryState.h"
#include "OutputProtocol.h"
#include "ShowFormats.h"
#include "TableState.h"
#include "kelvane.h"

#include <cstring>

namespace {

// A table's names are NUL-terminated; an empty one is handed out as null.
const char* NameOrNull(const ZAtom& atom) {
    return atom.name.Empty() ? nullptr : atom.name.Text();
}

} // namespace

extern "C" {

KEL_API int KelLookupAtomEnum(const char* atomName, uint32_t argIndex, int32_t value, char* out,
                              uint32_t* size) {
    return GuardedCall([&]() -> int32_t {
        const ZAtomTable* table;
        if (int32_t result = KelLibrary::RequireTable(table)) return result;
        const ZAtom* atom =
            atomName ? table->FindAtomByName(atomName, std::strlen(atomName)) : nullptr;
        if (!atom) return kelUnrecognizedAtom;
        const ZEnum* enumeration = atom->Enumeration(argIndex);
        if (!enumeration) return kelUnrecognizedEnum;
        ZString text;
        ShowEnumerationValue(text, *enumeration, uint32_t(value));
        if (text.Empty()) return kelUnrecognizedEnum;
        return PutText(text, out, size);
    });
}

KEL_API KelAtomInfo* KelGetAtomByName(const char* name, KelAtomInfo* info) {
    const ZAtomTable* table = ZTableState::Root();
    if (!table || !name || !info) return nullptr;
    const ZAtom* atom = table->FindAtomByName(name, std::strlen(name));
    if (!atom) return nullptr;
    // Class 2 whichever class held the atom: callers know atoms by protocol and number only.
    info->classNumber = kDisassemblyClass;
    info->protocol = atom->scratchProtocol;
    info->atom = atom->number;
    info->name = NameOrNull(*atom);
    return info;
}

KEL_API const char* KelGetAtomName(uint16_t cls, uint16_t protocol, uint16_t atom) {
    const ZAtomTable* table = ZTableState::Root();
    const ZAtom* entry = table ? table->FindAtom(cls, protocol, atom) : nullptr;
    return entry ? NameOrNull(*entry) : nullptr;
}

KEL_API int KelIsValidProtocol(uint16_t cls, uint16_t protocol) {
    const ZAtomTable* table = ZTableState::Root();
    return table && table->FindProtocol(cls, protocol) ? 1 : 0;
}

KEL_API int KelEnumAllAtoms(KelAtomInfoCallback cb) {
    const ZAtomTable* table = ZTableState::Root();
    if (!table || !cb) return 1;
    for (const auto& cls : table->classes)
        for (const auto& protocol : cls->protocols)
            for (const auto& atom : protocol->atoms) {
                KelAtomInfo info = {cls->number, protocol->number, atom->number, NameOrNull(*atom)};
                if (cb(&info) == 0) return 0;
            }
    return 1;
}

} // extern "C"
