#include "NamesSection.h"

#include "ArgumentFormats.h"
#include "NameTables.h"
#include "SourceNames.h"

#include <map>

namespace {

// The whole section is the command's output, its introduction included, so that the test
// that compares it with the document covers every line.
constexpr const char* kIntroduction =
    "## Names\n"
    "\n"
    "Every name that an enumerated argument takes, with its value. Object kinds, criteria and\n"
    "alert kinds are the library's own names; the table repeats them for the atoms that take\n"
    "them. This section is the output of `kelvane-table names tables/default.xml`: regenerate\n"
    "it by replacing everything from its heading to the end of the file; a test checks that\n"
    "the two are equal.\n";

using NameValues = std::map<std::string, uint32_t>;

// The names the library reads for an argument of `format`, with their values; empty for
// the formats that take no names of the library's.
NameValues LibraryNames(uint16_t format) {
    NameValues names;
    if (format == kFormatObjectName) {
        for (size_t i = 0; i < kObjectKindCount; ++i) {
            names.emplace(kObjectKinds[i].shortName, uint32_t(i));
            names.emplace(kObjectKinds[i].longName, uint32_t(i));
        }
    } else if (format == kFormatCriterion) {
        for (size_t i = 0; i < kCriterionCount; ++i)
            names.emplace(kCriteria[i], uint32_t(i));
        names.emplace(kCriterionSelection, uint32_t(1));
    } else if (format == kFormatAlert) {
        for (size_t i = 0; i < kAlertKindCount; ++i)
            names.emplace(kAlertKinds[i], uint32_t(i));
    }
    return names;
}

// An enum of a name format must hold the library's names and values, each once.
bool CheckLibraryNames(const ZEnum& e, uint16_t format, std::string& problem) {
    NameValues expected = LibraryNames(format);
    if (expected.empty()) return true;
    NameValues found;
    for (const auto& item : e.items) {
        std::string name(item->name.Text(), item->name.Length());
        auto known = expected.find(name);
        if (known == expected.end())
            problem = "item \"" + name + "\" is not a name the library reads here";
        else if (known->second != item->value)
            problem = "item \"" + name + "\" must have the value " + std::to_string(known->second);
        else if (!found.emplace(name, item->value).second)
            problem = "item \"" + name + "\" is there twice";
        if (!problem.empty()) return false;
    }
    for (const auto& [name, value] : expected)
        if (!found.count(name)) {
            problem = "the library's name \"" + name + "\" is missing";
            return false;
        }
    return true;
}

std::string FormatText(uint16_t format) {
    const char* name = FormatName(format);
    return name ? name : "format " + std::to_string(format);
}

std::string KindText(uint16_t kind) {
    const char* name = EnumKindName(kind);
    return name ? name : "kind " + std::to_string(kind);
}

// A masked item holds mask << 16 | bits.
std::string ValueText(const ZEnum& e, uint32_t value) {
    if (e.kind != kEnumMasked) return std::to_string(value);
    return std::to_string(value & 0xFFFF) + " (mask " + std::to_string(value >> 16) + ")";
}

// "### `font`: protocol 2, atom 8, component 1; enumeration, values, 1 byte" and the table.
void WriteEnumeration(std::string& out, const ZAtom& atom, uint16_t protocol, size_t component,
                      uint16_t format, const ZEnum& e) {
    out += "\n### `" + std::string(atom.name.Text(), atom.name.Length()) + "`: protocol " +
           std::to_string(protocol) + ", atom " + std::to_string(atom.number);
    if (component > 0) out += ", component " + std::to_string(component);
    out += "; " + FormatText(format) + ", " + KindText(e.kind) + ", " +
           std::to_string(e.valueSize) + (e.valueSize == 1 ? " byte" : " bytes") + "\n\n";
    out += "| Name | Value |\n|---|---|\n";
    for (const auto& item : e.items)
        out += "| `" + std::string(item->name.Text(), item->name.Length()) + "` | " +
               ValueText(e, item->value) + " |\n";
}

} // namespace

bool WriteNamesSection(const ZAtomTable& table, std::string& out, std::string& error) {
    out += kIntroduction;
    for (const auto& cls : table.classes)
        for (const auto& protocol : cls->protocols)
            for (const auto& atom : protocol->atoms)
                for (size_t k = 0; k <= atom->multis.size(); ++k) {
                    const ZEnum* e = atom->Enumeration(k);
                    if (!e) continue;
                    uint16_t format = atom->ArgumentFormat(k);
                    std::string problem;
                    if (!CheckLibraryNames(*e, format, problem)) {
                        error = "<atom \"" + std::string(atom->name.Text(), atom->name.Length()) +
                                "\">: " + problem;
                        return false;
                    }
                    WriteEnumeration(out, *atom, protocol->number, k, format, *e);
                }
    return true;
}
