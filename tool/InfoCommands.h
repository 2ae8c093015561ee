#pragma once
// The `help` and `version` commands and the version numbers they show.

#include <string>

// The tool's version, as shown by `version`.
constexpr const char* kToolVersion = "1.4";
// The version of the XML record format, written into every dump.
constexpr int kFormatVersionMajor = 1;
constexpr int kFormatVersionMinor = 0;

// "1.0": the format version numbers joined by a point.
std::string FormatVersionText();

// `help`: asks the dispatcher to write the usage text once the handler has returned.
void HelpHandler();

// `version`: the tool, format and atom-library versions and the build date and time.
void VersionHandler();
