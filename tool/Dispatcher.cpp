#include "Dispatcher.h"

#include "AtomLibrary.h"
#include "DatabaseFile.h"
#include "Exception.h"
#include "FileServices.h"
#include "RunState.h"
#include "Strings.h"
#include "SupportFiles.h"
#include "WVEK_DB.h"

#include <memory>
#include <new>

namespace {

// One usage line per command, from its mode and argument text, then its help text.
std::string UsageEntry(const TCommand& command) {
    bool takesDatabase = command.mode != TDatabaseMode::None;
    std::string line;
    if (takesDatabase && command.argumentText)
        line = FormatString("  %s database.file %s\n", command.name, command.argumentText);
    else if (takesDatabase)
        line = FormatString("  %s database.file\n", command.name);
    else if (command.argumentText)
        line = FormatString("  %s %s\n", command.name, command.argumentText);
    else
        line = FormatString("  %s\n", command.name);
    return line + FormatString("\t%s\n\n", command.helpText);
}

void WriteUsage(std::span<const TCommand> table) {
    std::string text = FormatString("\n%s Usage:\n\n", CurrentRun().programName.c_str());
    for (const TCommand& command : table)
        text += UsageEntry(command);
    text += "Note:\n"
            "  record_id\trecord ids can be in VEK notation, hex, or decimal\n"
            "  record_list\tseperate entries with commas, an entry can be a single id\n"
            "\t\tor a range. ranges are two IDs seperated by a colon\n"
            "\t\tor an ID and offset seperated by a colon.\n"
            "\t\t  ie:  ID or ID,ID or ID:ID or ID:+X or ID,ID:ID,ID:+X\n";
    WriteMessage(text);
}

// Finds the command, takes its database argument and calls its handler.
void Dispatch(std::span<const TCommand> table) {
    TRunState& run = CurrentRun();
    std::string word = NextArgument();
    if (word.empty()) {
        ReportError("no command given on command line; try '%s help'", run.programName.c_str());
        return;
    }
    ToLower(word);
    const TCommand* command = FindCommand(table, word);
    if (command == nullptr) {
        ReportError("'%s' not a valid command, try '%s help'", word.c_str(),
                    run.programName.c_str());
        return;
    }
    if (command->mode != TDatabaseMode::None) {
        run.databaseFileName = NextArgument();
        if (run.databaseFileName.empty()) {
            ReportError("you didn't specify a database file");
            return;
        }
    }
    const bool readOnly = command->mode == TDatabaseMode::ReadOnly;
    if (readOnly || command->mode == TDatabaseMode::Writable) {
        run.database = OpenDatabase(run.databaseFileName, readOnly);
        if (!run.database) return;
    }
    command->handler();
}

void CloseDatabase(WVEK::TWVEK_DB* database) {
    delete database;
}

} // namespace

int RunCommands(std::span<const TCommand> table, int argc, const char* const* argv) {
    TRunState& run = CurrentRun();
    // Registered in the factory for the run, where the atom-library binding finds the program
    // directory; destroyed (and unregistered) after the database.
    std::unique_ptr<TMiniFileServices> fileServices;
    try {
        run.Start(argc, argv);
        ResetAtomLibraryState(); // the library is tried at most once per run
        fileServices = std::make_unique<TMiniFileServices>();
        Dispatch(table);
        if (run.showUsage) WriteUsage(table);
    } catch (const TTolvException& failure) {
        ReportError("the command failed with error %u (0x%08X)", failure.code, failure.code);
    } catch (const std::bad_alloc&) {
        ReportError("out of memory");
    }
    int32_t status = run.exitStatus;
    run.Finish();
    fileServices.reset();
    return status;
}

TOpenDatabase OpenDatabase(const std::string& fileName, bool readOnly) {
    const TFilePath path(fileName);
    if (readOnly && !path.Exists()) {
        ReportError("the database file '%s', doesn't exist", fileName.c_str());
        return TOpenDatabase(nullptr, CloseDatabase);
    }
    if (!WVEK::IsDatabaseFile(path)) {
        ReportError("'%s' is not a valid format database file", fileName.c_str());
        return TOpenDatabase(nullptr, CloseDatabase);
    }
    const TFilePath indexPath = WVEK::GetSupportFileName(path, WVEK::TSupportFile::kIndex);
    try {
        return TOpenDatabase(new WVEK::TWVEK_DB(path, indexPath, readOnly), CloseDatabase);
    } catch (const TTolvException& failure) {
        if (!ReportIfInUse(failure, fileName)) throw;
        return TOpenDatabase(nullptr, CloseDatabase);
    }
}

TOpenDatabase OpenReplacement(const std::string& fileName) {
    const TFilePath path(fileName);
    if (path.Exists() && !WVEK::IsDatabaseFile(path)) {
        ReportError("'%s' is not a database file; it was not replaced", fileName.c_str());
        return TOpenDatabase(nullptr, CloseDatabase);
    }
    try {
        return TOpenDatabase(WVEK::TWVEK_DB::CreateReplacement(path).release(), CloseDatabase);
    } catch (const TTolvException& failure) {
        if (!ReportIfInUse(failure, fileName)) throw;
        return TOpenDatabase(nullptr, CloseDatabase);
    }
}

bool ReportIfInUse(const TTolvException& failure, const std::string& fileName) {
    if (failure.code != errDatabaseInUse) return false;
    ReportError("the database %s is in use by another process", fileName.c_str());
    return true;
}

int RunTool(int argc, const char* const* argv) {
    return RunCommands(CommandTable(), argc, argv);
}

void PrintUsage() {
    WriteUsage(CommandTable());
}
