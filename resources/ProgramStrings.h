#pragma once
// String resources of the tool: constant tables looked up by number.

#include <cstdint>

// The text of program string resource `id`, or null when the program has none under that id.
const char* FindProgramString(uint32_t id);

// Ids of the program's own strings (folder names and support-file extensions of a database).
enum ProgramStringId : uint32_t {
    kStrPluginFolder = 256,
    kStrSeparator = 257,
    kStrMain = 258,
    kStrArt = 259,
    kStrSoundsFolder = 260,
    kStrStrings = 261,
    kStrIndexExtension = 262,
    kStrAgeExtension = 263,
    kStrJournalExtension = 264,
};
