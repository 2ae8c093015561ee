#include "Commands.h"

#include "Compiler.h"
#include "DatabaseCommands.h"
#include "Dumper.h"
#include "InfoCommands.h"
#include "RecordIds.h"
#include "VerifyCommand.h"

namespace {

constexpr const char* kCompileArguments = "-keepComments -strict source.xml";

constexpr TCommand kCommands[] = {
    {"add", TDatabaseMode::Writable, AddHandler, kCompileArguments,
     "compiles the xml file, adding the records to an existing database\n"
     "\t  -keepComments prevents QDF comments from being removed\n"
     "\t  -strict makes every reported problem an error"},
    {"calc", TDatabaseMode::None, CalcHandler, "record_id",
     "converts an id (in any format), into the 3 different formats\n"
     "\ta series of ids seperated by spaces is valid"},
    {"create", TDatabaseMode::OwnFile, CreateHandler, kCompileArguments,
     "compiles the xml file to create a new database\n"
     "\t  -keepComments prevents QDF comments from being removed\n"
     "\t  -strict makes every reported problem an error"},
    {"compact", TDatabaseMode::Writable, CompactHandler, nullptr,
     "compact the database to reclain any wasted space"},
    {"compare", TDatabaseMode::ReadOnly, CompareHandler, "second_db.file [-json]",
     "compares two databases, and reports differences\n"
     "\t  -json\talso write the differences as JSON to standard output"},
    {"delete", TDatabaseMode::OwnFile, DeleteHandler, nullptr,
     "deletes the database file and any support files"},
    {"dump", TDatabaseMode::ReadOnly, DumpHandler,
     "[-notables] [-binary] [-skipASC] (-all|rec_rng) [output.file]",
     "write records in XML format\n"
     "\t  -notables skips the table check when dumping binary record(s)\n"
     "\t  -binary forces binary dump of the record(s)\n"
     "\t  -skipASC don't print the ASC values of binary data\n"
     "\t  -all|[record_range] conrols the records dumped"},
    {"help", TDatabaseMode::None, HelpHandler, nullptr, "shows this message"},
    {"list", TDatabaseMode::ReadOnly, ListHandler, "[-tab] [-skip] [-only] [-json] [output.file]",
     "list the records in a database\n"
     "\t  -tab\ttab the columns\n"
     "\t  -skip\tsuppress the summary\n"
     "\t  -only\tonly show the summary (skip record list)\n"
     "\t  -json\twrite one JSON document instead of the text"},
    {"remove", TDatabaseMode::Writable, RemoveHandler, "record_range",
     "removes the record range from the database"},
    {"verify", TDatabaseMode::OwnFile, VerifyHandler, nullptr,
     "checks the database and its support files without changing anything,\n"
     "\tand reports every problem found"},
    {"version", TDatabaseMode::None, VersionHandler, nullptr,
     "prints the tool's version information"},
};

} // namespace

std::span<const TCommand> CommandTable() {
    return kCommands;
}

const TCommand* FindCommand(std::span<const TCommand> table, const std::string& word) {
    for (const TCommand& command : table)
        if (word == command.name) return &command;
    return nullptr;
}
