// Entry point of the tarnwick tool.
#include "Dispatcher.h"
#include "Platform.h"

int main(int argc, char** argv) {
    try {
        return RunTool(argc, argv);
    } catch (...) {
        // Only a fault of the tool itself gets here: the run reports every expected failure.
        static const char kMessage[] = "ERROR: the command failed\n";
        Platform::WriteStandardError(kMessage, sizeof kMessage - 1);
        return -1;
    }
}
