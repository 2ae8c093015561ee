#include "InfoCommands.h"

#include "AtomLibrary.h"
#include "RunState.h"
#include "Strings.h"

std::string FormatVersionText() {
    return FormatString("%d.%d", kFormatVersionMajor, kFormatVersionMinor);
}

void HelpHandler() {
    CurrentRun().showUsage = true;
}

void VersionHandler() {
    // The atom library answers its version without being initialised.
    std::string text = FormatString("\n%s Version Info:\n\n", CurrentRun().programName.c_str());
    text += FormatString("\tTarnwick version %s : File version %s\n", kToolVersion,
                         FormatVersionText().c_str());
    text += FormatString("\tKEL DLL version '%s'\n", AtomLibraryVersion().c_str());
    text += FormatString("\tTool built on %s %s\n", __DATE__, __TIME__);
    WriteMessage(text);
}
