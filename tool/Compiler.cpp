#include "Compiler.h"

#include "AtomLibrary.h"
#include "Dispatcher.h"
#include "DynamicStream.h"
#include "Exception.h"
#include "File.h"
#include "RecordDecoder.h"
#include "RunState.h"
#include "Strings.h"
#include "SupportFiles.h"
#include "WVEK_DB.h"
#include "XMLParser.h"

#include <memory>

namespace {

constexpr int32_t kCopyChunk = 4096;

void DecodeElement(WVEK::TWVEK_DB& database, TXMLNode& element, UTarnwick::Callback& reporter,
                   bool stripComments) {
    const std::string& name = element.GetName();
    if (name == "include_file")
        reporter.IncludeFile(ElementData(element));
    else if (name == "record")
        DecodeRecord(database, element, reporter, stripComments);
    else if (name != "ignore")
        reporter.ReportDecodeError(WithDetail("unknown node", name));
}

bool IsRootName(const std::string& name) {
    return name == "record_list" || name == "record" || name == "ignore" || name == "include_file";
}

// Loads the whole stream into memory and parses it. Returns the parser's result; `offset`
// receives the stream position where parsing stopped.
uint32_t ParseStream(LStream& input, TXMLParser& parser, int32_t& offset) {
    LDynamicStream source;
    CopyStream(input, source, kCopyChunk);
    source.Seek(0, seekBegin);
    uint32_t result = parser.Parse(source);
    offset = source.GetPosition();
    return result;
}

// A name written into the dependency file: in double quotes when it holds a space.
std::string DependencyName(const std::string& name) {
    return name.find(' ') == std::string::npos ? name : "\"" + name + "\"";
}

// A make rule: the source as typed, then every further file of the list.
void WriteDependencyFile(const std::string& depsName, const std::string& source,
                         const std::vector<TSourceFile>& files) {
    TFile file{TFilePath(depsName)};
    std::unique_ptr<LStream> out;
    try {
        out.reset(file.OpenStream(openWrite));
    } catch (const TTolvException&) {
        ReportError("failed to open the deps file stream");
        return;
    }
    std::string text = FormatString("%s :", DependencyName(source).c_str());
    for (size_t i = 1; i < files.size(); ++i)
        text += FormatString(" \\\n\t%s", DependencyName(files[i].path.GetFullPath()).c_str());
    text += "\n\n";
    out->WriteOrThrow(text.data(), uint32_t(text.size()));
    out->Flush();
}

// Compiles every file of the list, which grows while it is walked. False when the run must
// stop at once (a file that cannot be opened or parsed).
bool CompileFiles(WVEK::TWVEK_DB& database, std::vector<TSourceFile>& files,
                  TDecodeReporter& reporter, bool stripComments) {
    for (size_t i = 0; i < files.size(); ++i) {
        TFilePath path = files[i].path; // the list may grow (and move) while this file decodes
        if (!path.Exists()) {
            ReportError("file doesn't exist: %s", path.GetFullPath().c_str());
            continue;
        }
        TFile file(path);
        std::unique_ptr<LStream> input;
        try {
            input.reset(file.OpenStream(openRead));
        } catch (const TTolvException&) {
            ReportError("failed to open the source file stream (%s)", path.GetFullPath().c_str());
            return false;
        }
        std::string name = path.GetFileName();
        if (i > 0) ReportInfo("processing '%s'", name.c_str());
        TXMLParser parser;
        int32_t offset = 0;
        uint32_t parsed = ParseStream(*input, parser, offset);
        if (parsed != 0) {
            ReportError("parsing of the file (%s) failed (error %d, file offset %d)", name.c_str(),
                        int(parsed), int(offset));
            return false;
        }
        reporter.SetCurrentFile(int(i));
        uint32_t error = DecodeTree(database, parser.GetRoot(), reporter, stripComments);
        if (error != 0)
            ReportError("error decoding the XML tree for '%s' (error %d)", name.c_str(),
                        int(error));
    }
    return true;
}

void ReportCount(int32_t count) {
    if (count == 0)
        ReportInfo("no records were decoded");
    else if (count == 1)
        ReportInfo("1 record was decoded");
    else
        ReportInfo("%d records were decoded", int(count));
}

} // namespace

uint32_t DecodeTree(WVEK::TWVEK_DB& database, TXMLNode* root, UTarnwick::Callback& reporter,
                    bool stripComments) {
    try {
        if (root == nullptr) throw TTolvException(errAssert);
        if (!IsRootName(root->GetName())) {
            reporter.ReportDecodeError(WithDetail("unknown node", root->GetName()));
            return 0;
        }
        if (root->GetName() != "record_list") {
            DecodeElement(database, *root, reporter, stripComments);
            return 0;
        }
        if (root->GetDataLength() != 0) reporter.ReportDecodeError("record_list node has data");
        for (TXMLNode* child = root->firstChild; child; child = child->nextSibling)
            DecodeElement(database, *child, reporter, stripComments);
    } catch (const TTolvException& failure) {
        if (database.Failure() != 0) throw; // the database cannot go on: the run ends
        return failure.code <= 12 ? failure.code : 1;
    }
    return 0;
}

void CompileSource(bool create) {
    std::string source = NextArgument();
    if (source.empty()) {
        ReportError("no source file to compile was specified");
        return;
    }
    if (!InitAtomLibrary(nullptr)) {
        ReportError("KEL didn't initialize");
        return;
    }
    bool stripComments = !HasOption("-keepComments", true);
    std::vector<TSourceFile> files;
    TDecodeReporter reporter(files);
    reporter.IncludeFile(source);
    reporter.SetBaseDirectory(files.front().path.GetDirectory());

    WVEK::TWVEK_DB& database = *CurrentRun().database;
    bool finished = CompileFiles(database, files, reporter, stripComments);
    if (finished) {
        uint32_t code = database.Flush(true);
        TerminateAtomLibrary();
        if (code != 0) throw TTolvException(code);
        if (create) database.Install();
        ReportCount(reporter.RecordsDecoded());
    } else {
        TerminateAtomLibrary();
        return;
    }
    std::string deps = NextArgument();
    if (create && !deps.empty() && CurrentRun().exitStatus == 0)
        WriteDependencyFile(deps, source, files);
}

// The new database is built under temporary names and takes the old one's place only when
// the run completes: a run that stops leaves the old files as they were.
void CreateHandler() {
    CurrentRun().database = OpenReplacement(CurrentRun().databaseFileName);
    if (CurrentRun().database) CompileSource(true);
}

void AddHandler() {
    CompileSource(false);
}
