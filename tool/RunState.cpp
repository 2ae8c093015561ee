#include "RunState.h"

#include "Platform.h"
#include "Strings.h"

#include <cstdarg>

namespace {

constexpr int32_t kErrorStatus = -1;

TMessageSink& Sink() {
    static TMessageSink sink;
    return sink;
}

// The file-name part of the full path of `path`; empty when there is none.
std::string FileNamePart(const std::string& path) {
    std::string full;
    if (path.empty() || !Platform::MakeFullPath(path, full)) return std::string();
    return full.substr(full.rfind('/') + 1);
}

std::string ProgramName(int argc, const char* const* argv) {
    std::string name = argc > 0 && argv[0] ? FileNamePart(argv[0]) : std::string();
    // Started without a first word (an empty argv): fall back to the program's own file.
    return name.empty() ? FileNamePart(Platform::ProgramPath()) : name;
}

// The command a first word in the conventional option form stands for, or "".
std::string CommandForOption(std::string word) {
    ToLower(word);
    if (word == "--help" || word == "-h") return "help";
    return word == "--version" ? "version" : "";
}

// Writes `prefix`, the formatted text and a line feed to the sink in one piece.
void WriteReport(const char* prefix, const char* format, va_list arguments) {
    std::string line = prefix;
    line += FormatStringV(format, arguments);
    line += '\n';
    WriteMessage(line);
}

} // namespace

void TRunState::Start(int argc, const char* const* argv) {
    Finish();
    databaseFileName.clear();
    readIndex = 0;
    showUsage = false;
    exitStatus = 0;
    programName = ProgramName(argc, argv);
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i] ? argv[i] : "";
        if (i == 1 && !CommandForOption(word).empty()) word = CommandForOption(word);
        if (!word.empty() && word[0] == '-') {
            ToLower(word);
            options.push_back(std::move(word));
        } else {
            arguments.push_back(std::move(word));
        }
    }
}

void TRunState::Finish() {
    database.reset();
    options.clear();
    arguments.clear();
}

TRunState& CurrentRun() {
    static TRunState run;
    return run;
}

TMessageSink SetMessageSink(TMessageSink sink) {
    TMessageSink previous = std::move(Sink());
    Sink() = std::move(sink);
    return previous;
}

void WriteMessage(std::string_view text) {
    if (Sink())
        Sink()(text);
    else
        Platform::WriteStandardError(text.data(), text.size());
}

std::string NextArgument() {
    TRunState& run = CurrentRun();
    size_t index = run.readIndex++;
    return index < run.arguments.size() ? run.arguments[index] : std::string();
}

bool HasOption(std::string name, bool allowAbbreviation) {
    ToLower(name);
    for (const std::string& option : CurrentRun().options) {
        if (option == name) return true;
        if (allowAbbreviation && name.compare(0, option.size(), option) == 0) return true;
    }
    return false;
}

void ReportError(const char* format, ...) {
    CurrentRun().exitStatus = kErrorStatus;
    va_list arguments;
    va_start(arguments, format);
    WriteReport("ERROR: ", format, arguments);
    va_end(arguments);
}

void ReportProblem(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    WriteReport("ERROR: ", format, arguments);
    va_end(arguments);
}

void ReportInfo(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    WriteReport("", format, arguments);
    va_end(arguments);
}

void ReportLocation(bool isError, const char* format, ...) {
    if (isError) CurrentRun().exitStatus = kErrorStatus;
    va_list arguments;
    va_start(arguments, format);
    WriteReport("", format, arguments);
    va_end(arguments);
}
