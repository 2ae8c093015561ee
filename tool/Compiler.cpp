#include "Compiler.h"

#include "AtomLibrary.h"
#include "Dispatcher.h"
#include "DynamicStream.h"
#include "Exception.h"
#include "File.h"
#include "OutputStream.h"
#include "Platform.h"
#include "RecordDecoder.h"
#include "RunState.h"
#include "SourceLines.h"
#include "SourceParser.h"
#include "Strings.h"
#include "SupportFiles.h"
#include "WVEK_DB.h"

#include <algorithm>
#include <memory>
#include <set>

using UTarnwick::TSite;

namespace {

constexpr uint32_t kPipeChunk = 64 * 1024;
// Open elements named in the message about a file that ends inside them, at each end.
constexpr size_t kOpenNamesShown = 10;

bool IsRootName(const std::string& name) {
    return name == "record_list" || name == "record" || name == "ignore" || name == "include_file";
}

// A source that is not a regular file (a pipe, a FIFO, /dev/stdin) has no size to read by and
// cannot be read twice: it is read to its end into memory. Throws the errno when it cannot be
// opened.
std::unique_ptr<LStream> ReadToEnd(const std::string& path) {
    int error = 0;
    Platform::FileHandle handle = Platform::OpenFile(path, Platform::OpenMode::Read, error);
    if (handle == Platform::kInvalidFile) throw TTolvException(uint32_t(error));
    auto bytes = std::make_unique<LDynamicStream>();
    std::vector<uint8_t> chunk(kPipeChunk);
    try {
        for (;;) {
            uint32_t got = 0;
            // A read that fails ends the source as its end would.
            if (Platform::ReadFile(handle, chunk.data(), kPipeChunk, got) != 0 || got == 0) break;
            bytes->WriteOrThrow(chunk.data(), got);
        }
    } catch (...) {
        Platform::CloseFile(handle);
        throw;
    }
    Platform::CloseFile(handle);
    return bytes;
}

// The source's bytes: a regular file is read where it lies, once per pass.
std::unique_ptr<LStream> OpenSource(TFile& file) {
    const std::string& path = file.GetPath().GetFullPath();
    if (!Platform::IsRegularFile(path)) return ReadToEnd(path);
    return std::unique_ptr<LStream>(file.OpenStream(openRead));
}

// The open elements from `open` up, outermost first: "<a>, <b>" (the middle of a very deep
// nesting left out).
std::string OpenElementNames(const TXMLNode* open) {
    std::vector<const std::string*> names;
    for (const TXMLNode* node = open; node != nullptr; node = node->parent)
        names.push_back(&node->GetName());
    std::reverse(names.begin(), names.end());
    auto named = [&](size_t i) { return (i == 0 ? "<" : ", <") + *names[i] + ">"; };
    size_t shown = names.size() > 2 * kOpenNamesShown ? kOpenNamesShown : names.size();
    std::string text;
    for (size_t i = 0; i < shown; ++i)
        text += named(i);
    if (shown == names.size()) return text;
    text += FormatString(", ... %zu more", names.size() - 2 * kOpenNamesShown);
    for (size_t i = names.size() - kOpenNamesShown; i < names.size(); ++i)
        text += named(i);
    return text;
}

// One source file of the run, with the bytes read for it, the lines that locate reports and
// the nodes its parsers take (shared by the whole run).
struct TSource {
    std::string name; // the file name, as the messages of the run show it
    std::string path; // the full path, as located lines show it
    LStream& bytes;
    TSourceLines& lines;
    TXMLNodePool& nodes;
};

// Parses the source from its start; reports a failure (then where it is) and returns false.
// A pass that decoding stopped has nothing to report here.
bool Parse(TSourceParser& parser, TSource& source) {
    source.bytes.Seek(0, seekBegin);
    uint32_t result = parser.Parse(source.bytes);
    if (result == 0 || parser.DecodeResult() != 0) return result == 0;
    int32_t offset = source.bytes.GetPosition();
    ReportError("parsing of the file (%s) failed (error %d, file offset %d)", source.name.c_str(),
                int(result), int(offset));
    ReportLocation(true, "%s:%d:%d: error: %s", source.path.c_str(), int(source.lines.Line(offset)),
                   int(source.lines.Column(offset)), parser.GetErrorText().c_str());
    return false;
}

// What decoding needs to know of a file's root element, which the checking pass finds.
struct TRootFacts {
    bool present = false;
    std::string name;
    bool empty = false;
    int32_t offset = -1;
    int32_t dataOffset = -1;
};

// The checking pass. Reports a parse failure and returns false; otherwise keeps the facts of
// the root and the names of the elements the file ends inside (empty when none), so that the
// pass's tree is gone before the decoding pass, which reuses the nodes it gave back.
bool Check(TSource& source, TRootFacts& root, std::string& openElements) {
    TSourceParser check(source.nodes, nullptr);
    if (!Parse(check, source)) return false;
    if (const TXMLNode* node = check.GetRoot())
        root = {true, node->GetName(), node->IsEmpty(), node->offset, node->dataOffset};
    if (check.GetOpenElement() != nullptr) openElements = OpenElementNames(check.GetOpenElement());
    return true;
}

// The outcome of decoding one file.
enum class TDecoded { Done, Failed, ParseFailed };

// Decodes a file that the checking pass found well formed: first what that pass learnt about
// the root, then each record as the decoding pass reads it. `error` receives the decode error
// code when the decoding stopped.
TDecoded Decode(const TRootFacts& root, TSource& source, TRecordDecoder& decoder,
                TDecodeReporter& reporter, uint32_t& error) {
    error = decodeFailed;
    if (!root.present) {
        reporter.DecodeStopped(TSite(), "", "the file holds no element");
        return TDecoded::Failed;
    }
    if (!IsRootName(root.name)) {
        reporter.ReportDecodeError({root.offset}, WithDetail("unknown node", root.name));
        return TDecoded::Done;
    }
    bool list = root.name == "record_list";
    if (list && root.empty) {
        reporter.DecodeStopped({root.offset}, "", "<record_list/> holds no records");
        return TDecoded::Failed;
    }
    if (list && root.dataOffset >= 0)
        reporter.ReportDecodeError({root.dataOffset}, "record_list node has data");
    TSourceParser parser(source.nodes, &decoder);
    bool parsed = Parse(parser, source);
    if (parsed) parser.Finish();
    // A database that failed cannot go on: the run ends with what stopped the decoding.
    if (parser.DecodeResult() != 0 && decoder.DatabaseFailed())
        throw TTolvException(parser.ThrownCode());
    error = parser.DecodeResult();
    if (error != 0) return TDecoded::Failed;
    return parsed ? TDecoded::Done : TDecoded::ParseFailed; // a file changed under the run
}

// Checks the whole file, then decodes it. False when the run must stop (a parse error).
bool CompileFile(TSource& source, TRecordDecoder& decoder, TDecodeReporter& reporter) {
    TRootFacts root;
    std::string openElements;
    if (!Check(source, root, openElements)) return false;
    uint32_t error = 0;
    TDecoded decoded = Decode(root, source, decoder, reporter, error);
    if (decoded == TDecoded::ParseFailed) return false;
    if (decoded == TDecoded::Failed) {
        ReportError("error decoding the XML tree for '%s' (error %d)", source.name.c_str(),
                    int(error));
        reporter.ReportStop();
    }
    // A truncated or half-copied file is compiled as far as it goes, but said to be so.
    if (!openElements.empty())
        reporter.ReportFileProblem(source.bytes.GetSize(), "the file ends inside " + openElements);
    return true;
}

// A name written into the dependency file: in double quotes when it holds a space.
std::string DependencyName(const std::string& name) {
    return name.find(' ') == std::string::npos ? name : "\"" + name + "\"";
}

// True when writing the dependency file at `path` would destroy a file that is not its own: a
// source the run compiled (a mistyped command line can name one in the place of the deps
// file), the database or any other database file.
bool IsProtectedFromDeps(const TFilePath& path, const std::vector<TSourceFile>& files) {
    for (const TSourceFile& file : files)
        if (file.path.GetFullPath() == path.GetFullPath()) return true;
    return IsProtectedFromOutput(path);
}

// A make rule: the database as typed depends on the source as typed and on every further file
// of the list, each once; then an empty rule for each further file, so that make carries on
// when one of them is deleted.
void WriteDependencyFile(const std::string& depsName, const std::string& database,
                         const std::string& source, const std::vector<TSourceFile>& files) {
    const TFilePath path(depsName);
    TFile file{path};
    std::unique_ptr<LStream> out;
    try {
        if (!IsProtectedFromDeps(path, files)) out.reset(file.OpenStream(openWrite));
    } catch (const TTolvException&) {
    }
    if (!out) {
        ReportError("failed to open the deps file stream");
        return;
    }
    std::vector<std::string> included;
    std::set<std::string> seen;
    for (size_t i = 1; i < files.size(); ++i)
        if (seen.insert(files[i].path.GetFullPath()).second)
            included.push_back(DependencyName(files[i].path.GetFullPath()));
    std::string text =
        FormatString("%s : %s", DependencyName(database).c_str(), DependencyName(source).c_str());
    for (const std::string& name : included)
        text += " \\\n\t" + name;
    text += "\n\n";
    for (const std::string& name : included)
        text += name + " :\n\n";
    out->WriteOrThrow(text.data(), uint32_t(text.size()));
    out->Flush();
}

// Compiles every file of the list, which grows while it is walked. False when the run must
// stop at once (a file that cannot be opened or parsed).
bool CompileFiles(WVEK::TWVEK_DB& database, std::vector<TSourceFile>& files,
                  TDecodeReporter& reporter, bool stripComments) {
    TRecordDecoder decoder(database, reporter, stripComments);
    TXMLNodePool nodes;
    for (size_t i = 0; i < files.size(); ++i) {
        TFilePath path = files[i].path; // the list may grow (and move) while this file decodes
        if (!path.Exists()) {
            ReportError("file doesn't exist: %s", path.GetFullPath().c_str());
            continue;
        }
        TFile file(path);
        std::unique_ptr<LStream> bytes;
        try {
            bytes = OpenSource(file);
        } catch (const TTolvException&) {
            ReportError("failed to open the source file stream (%s)", path.GetFullPath().c_str());
            return false;
        }
        std::string name = path.GetFileName();
        if (i > 0) ReportInfo("processing '%s'", name.c_str());
        TSourceLines lines(*bytes);
        TSource source{name, path.GetFullPath(), *bytes, lines, nodes};
        reporter.SetCurrentFile(int(i), &lines);
        bool compiled = CompileFile(source, decoder, reporter);
        reporter.SetCurrentFile(int(i), nullptr);
        if (!compiled) return false;
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
    bool strict = HasOption("-strict", true);
    std::vector<TSourceFile> files;
    TDecodeReporter reporter(files, strict);
    reporter.IncludeFile(TSite(), source);
    reporter.SetBaseDirectory(files.front().path.GetDirectory());

    WVEK::TWVEK_DB& database = *CurrentRun().database;
    if (!CompileFiles(database, files, reporter, stripComments)) {
        TerminateAtomLibrary();
        return;
    }
    uint32_t code = database.Flush(true);
    TerminateAtomLibrary();
    if (code != 0) throw TTolvException(code);
    // In strict mode anything reported keeps the new database from replacing an old one.
    if (create && (!strict || CurrentRun().exitStatus == 0)) database.Install();
    ReportCount(reporter.RecordsDecoded());
    std::string deps = NextArgument();
    if (create && !deps.empty() && CurrentRun().exitStatus == 0)
        WriteDependencyFile(deps, CurrentRun().databaseFileName, source, files);
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
