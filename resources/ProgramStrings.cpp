#include "ProgramStrings.h"

#include <iterator>

namespace {

struct StringResource {
    uint32_t id;
    const char* text;
};

// Folder names keep the single backslash they end in: they are data of the stored format.
constexpr StringResource kProgramStrings[] = {
    {kStrPluginFolder, "VEK Plugin Files\\"},
    {kStrSeparator, "\\"},
    {kStrMain, "Main"},
    {kStrArt, "Art"},
    {kStrSoundsFolder, "Sounds\\"},
    {kStrStrings, "Strings"},
    {kStrIndexExtension, ".ind"},
    {kStrAgeExtension, ".age"},
    {kStrJournalExtension, ".jnl"},
};

} // namespace

const char* FindProgramString(uint32_t id) {
    for (const StringResource& entry : kProgramStrings)
        if (entry.id == id) return entry.text;
    return nullptr;
}
