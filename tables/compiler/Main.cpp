// kelvane-table: compiles an atom table source (XML) into a table file, prints a table file as
// its source, and prints the names section of docs/default-atoms.md from a source. Usage and
// handlers come from one command table.
#include "KelCodes.h"
#include "NamesSection.h"
#include "Platform.h"
#include "SourceXml.h"
#include "TableFile.h"
#include "TableSourceReader.h"
#include "TableSourceWriter.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct TCommand {
    const char* name;
    const char* arguments;
    int argumentCount;
    int (*run)(char** args);
};

int Fail(const std::string& message) {
    std::fprintf(stderr, "kelvane-table: %s\n", message.c_str());
    return 1;
}

bool ReadFile(const char* path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Writes a new file beside `path` and renames it into place, so that a failed run never
// leaves a half-written table.
bool WriteFile(const char* path, const std::vector<uint8_t>& bytes) {
    std::string temporary = std::string(path) + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (!out.flush()) return false;
    }
    if (Platform::RenameFile(temporary, path)) return true;
    Platform::DeleteFile(temporary);
    return false;
}

// Reads and checks a table source; false after reporting why not.
bool ReadSource(const char* path, ZAtomTable& table) {
    std::vector<uint8_t> source;
    TSourceElement root;
    std::string error = "cannot be read";
    bool read = ReadFile(path, source) && ParseTableSourceXml(source, root, error) &&
                ReadTableSource(root, table, error);
    if (!read) Fail(std::string(path) + ": " + error);
    return read;
}

bool WriteStandardOutput(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0;
}

int Compile(char** args) {
    ZAtomTable table;
    if (!ReadSource(args[0], table)) return 1;
    if (!WriteFile(args[1], WriteAtomTable(table)))
        return Fail(std::string(args[1]) + ": cannot be written");
    return 0;
}

int Decompile(char** args) {
    std::shared_ptr<ZAtomTable> table;
    int32_t result = LoadAtomTableFile(args[0], table);
    if (result == kelTableOpenFail) return Fail(std::string(args[0]) + ": cannot be read");
    if (result != kelSuccess) return Fail(std::string(args[0]) + ": not an atom table file");
    if (!WriteStandardOutput(WriteTableSource(*table)))
        return Fail("standard output cannot be written");
    return 0;
}

int Names(char** args) {
    ZAtomTable table;
    if (!ReadSource(args[0], table)) return 1;
    std::string text, error;
    if (!WriteNamesSection(table, text, error)) return Fail(std::string(args[0]) + ": " + error);
    if (!WriteStandardOutput(text)) return Fail("standard output cannot be written");
    return 0;
}

const TCommand kCommands[] = {
    {"compile", "SOURCE.xml TABLE.bin", 2, Compile},
    {"decompile", "TABLE.bin", 1, Decompile},
    {"names", "SOURCE.xml", 1, Names},
};

int Usage() {
    std::string text = "usage:";
    for (const TCommand& command : kCommands)
        text += std::string("\n  kelvane-table ") + command.name + " " + command.arguments;
    std::fprintf(stderr, "%s\n", text.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    for (const TCommand& command : kCommands)
        if (argc >= 2 && std::string(argv[1]) == command.name)
            return argc == command.argumentCount + 2 ? command.run(argv + 2) : Usage();
    return Usage();
}
