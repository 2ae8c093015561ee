#include "AtomLibrary.h"

#include "Exception.h"
#include "FileServices.h"
#include "kelvane.h"

#include <algorithm>
#include <vector>

// The installed table seen from the program directory (bin/ beside share/); the build derives
// it from the install layout.
#ifndef TARNWICK_INSTALLED_TABLE
#define TARNWICK_INSTALLED_TABLE "../share/tarnwick/kel.bin"
#endif

namespace {

constexpr const char* kAtomTableName = "kel.bin";
constexpr const char* kInstalledTable = TARNWICK_INSTALLED_TABLE;
constexpr uint32_t kFirstOutputSize = 4096;
constexpr int kBufferTooSmall = 4;

struct TLibraryState {
    bool attempted = false;
    bool ready = false;
    bool terminated = false;
};

// Calls `call(out, &size)` with the whole of `buffer` (its cursor at 0) until the library
// stops asking for more room, growing the buffer to the size asked; the library's code, with
// the size it reported in `capacity`. The size handed over is always the buffer's own length,
// so a growth that fails (no memory) ends the loop with kBufferTooSmall instead of letting the
// library write past the end of the block.
template <typename Call> int CallGrowing(TMemBuffer& buffer, uint32_t& capacity, Call call) {
    buffer.SetPosition(0);
    for (;;) {
        capacity = buffer.GetLength();
        const int code = call(buffer.LockWrite(0), &capacity);
        if (code != kBufferTooSmall) return code;
        if (capacity <= buffer.GetLength() ||
            !buffer.Append(nullptr, capacity - buffer.GetLength()))
            return kBufferTooSmall;
    }
}

TLibraryState& State() {
    static TLibraryState state;
    return state;
}

// The table beside the program wins (the build tree keeps it there); otherwise the installed
// one under share/. When neither exists the path beside the program is given, and fails.
std::string DefaultTablePath() {
    auto* services = LookupService<TFileServices>(kFileServicesClassId);
    if (services == nullptr) throw TTolvException(errNilPointer);
    const std::string directory = services->GetKindDirectory(0).GetDirectory();
    const TFilePath beside(directory + kAtomTableName);
    if (beside.Exists()) return beside.GetFullPath();
    const TFilePath installed(directory + kInstalledTable);
    return installed.Exists() ? installed.GetFullPath() : beside.GetFullPath();
}

} // namespace

bool InitAtomLibrary(const TFilePath* path) {
    TLibraryState& state = State();
    if (state.attempted) return state.ready;
    std::string tablePath = path ? path->GetFullPath() : DefaultTablePath();
    state.ready = KelInitialize(tablePath.c_str()) == 0;
    state.attempted = true;
    return state.ready;
}

void TerminateAtomLibrary() {
    TLibraryState& state = State();
    if (state.terminated) return;
    KelTerminate();
    state.terminated = true;
    state.ready = false;
}

bool AtomLibraryReady() {
    return State().ready;
}

std::string AtomLibraryVersion() {
    return KelGetVersion();
}

void ResetAtomLibraryState() {
    if (State().ready) TerminateAtomLibrary();
    State() = TLibraryState();
}

bool AssembleAtomStream(TMemBuffer& buffer, int32_t* result) {
    if (result) *result = 0;
    if (buffer.GetLength() == 0) return false;
    try {
        TMemBuffer output(nullptr, kFirstOutputSize);
        uint32_t capacity = 0;
        const auto* text = reinterpret_cast<const char*>(buffer.Data());
        int code = CallGrowing(output, capacity, [&](uint8_t* out, uint32_t* size) {
            return KelAssembleAtomStream(text, 0, out, size);
        });
        if (code != 0) {
            if (result) *result = code;
            return false;
        }
        buffer.Clear();
        buffer.Append(output.Data(), capacity);
        buffer.SetPosition(0);
        return true;
    } catch (...) {
        return false;
    }
}

bool DisassembleAtomStream(const uint8_t* data, uint32_t length, TMemBuffer& text) {
    try {
        text.Clear();
        if (!text.Append(nullptr, kFirstOutputSize)) return false;
        uint32_t capacity = 0;
        int code = CallGrowing(text, capacity, [&](uint8_t* out, uint32_t* size) {
            return KelDisassembleAtomStream(data, length, 0, reinterpret_cast<char*>(out), size);
        });
        if (code != 0 || capacity > text.GetLength()) return false;
        text.SetPosition(capacity);
        text.Delete(text.GetLength() - capacity);
        text.SetPosition(0);
        return true;
    } catch (...) {
        return false;
    }
}

std::string AtomLibraryErrorText(int32_t result) {
    return KelGetErrorText(result & 0xFFFF);
}

namespace {

// A word in an atom's argument on the failing line.
struct TArgumentWord {
    std::string atom; // lower-cased, as the library looks names up
    uint32_t part;    // commas before the word in its atom's argument
    std::string word; // as written
};

// ASCII only, as the library reads its text.
bool IsWordCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

std::string LowerCase(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return text;
}

// Line `number` (from 1) of `text`; CR LF, LF CR, a lone CR and a lone LF each end a line, as
// the library counts them.
std::string LineOf(const std::string& text, uint32_t number) {
    size_t start = 0;
    for (uint32_t line = 1; line < number; ++line) {
        start = text.find_first_of("\r\n", start);
        if (start == std::string::npos) return "";
        char next = start + 1 < text.size() ? text[start + 1] : '\0';
        bool pair = (next == '\r' || next == '\n') && next != text[start];
        start += pair ? 2 : 1;
    }
    return text.substr(start, text.find_first_of("\r\n", start) - start);
}

// The position after the quoted text that opens at `quote` (escapes skipped).
size_t SkipQuoted(const std::string& line, size_t quote) {
    size_t i = quote + 1;
    for (; i < line.size() && line[i] != '"'; ++i)
        if (line[i] == '\\') ++i;
    return i + 1;
}

// The words in the atoms' arguments on one line, numbers and quoted text left out, each with
// the innermost atom whose argument holds it. A word followed by "<" is an atom.
std::vector<TArgumentWord> ArgumentWords(const std::string& line) {
    std::vector<TArgumentWord> open; // the atoms whose "<" is not closed yet
    std::vector<TArgumentWord> words;
    for (size_t i = 0; i < line.size();) {
        char c = line[i];
        if (c == '"') {
            i = SkipQuoted(line, i);
        } else if (c == ';' && open.empty()) { // a comment runs to the end of the line
            break;
        } else if (!IsWordCharacter(c)) {
            if (c == ',' && !open.empty()) ++open.back().part;
            if (c == '>' && !open.empty()) open.pop_back();
            ++i;
        } else {
            size_t end = i;
            while (end < line.size() && IsWordCharacter(line[end]))
                ++end;
            std::string word = line.substr(i, end - i);
            size_t next = line.find_first_not_of(" \t\v\f", end);
            if (next != std::string::npos && line[next] == '<') {
                open.push_back({LowerCase(word), 0, word});
                end = next + 1;
            } else if (!open.empty() && !(c >= '0' && c <= '9')) {
                words.push_back({open.back().atom, open.back().part, word});
            }
            i = end;
        }
    }
    return words;
}

// KelLookupAtomEnum's rendering of `value`, split at its " | "; empty when it has none.
std::vector<std::string> RenderEnumValue(const std::string& atom, uint32_t index, int32_t value) {
    std::string text(64, '\0');
    uint32_t size = uint32_t(text.size());
    int code = KelLookupAtomEnum(atom.c_str(), index, value, text.data(), &size);
    if (code == kBufferTooSmall) {
        text.resize(size);
        code = KelLookupAtomEnum(atom.c_str(), index, value, text.data(), &size);
    }
    std::vector<std::string> parts;
    if (code != 0) return parts;
    text.resize(size > 0 ? size - 1 : 0); // the terminator; an empty rendering reports 0
    for (size_t start = 0, bar; start <= text.size(); start = bar + 3) {
        bar = std::min(text.find(" | ", start), text.size());
        parts.push_back(text.substr(start, bar - start));
    }
    return parts;
}

// The names the library renders for the enumeration of argument `index` of `atom` (0: its
// own, k: multi component k), in the order in which the values of one byte and then the
// single bits above them meet them; empty when that argument has no names. A name that only
// repeats the value of an earlier one (a long object kind name, "selection") never renders.
std::vector<std::string> EnumerationNames(const std::string& atom, uint32_t index) {
    std::vector<std::string> names;
    auto collect = [&](int32_t value) {
        for (const std::string& part : RenderEnumValue(atom, index, value)) {
            // A value without a name shows as a number.
            bool name = !part.empty() && !(part[0] >= '0' && part[0] <= '9') && part[0] != '-';
            if (name && std::find(names.begin(), names.end(), part) == names.end())
                names.push_back(part);
        }
    };
    for (int32_t value = 0; value < 256; ++value)
        collect(value);
    for (int bit = 8; bit < 32; ++bit)
        collect(int32_t(uint32_t(1) << bit));
    return names;
}

// The names of the argument part a word stands in: the atom's own enumeration for the first
// part, else the enumeration of the multi component there.
std::vector<std::string> NamesAt(const TArgumentWord& use) {
    std::vector<std::string> own = EnumerationNames(use.atom, 0);
    if (!own.empty()) return use.part == 0 ? own : std::vector<std::string>();
    return EnumerationNames(use.atom, use.part + 1);
}

// True when the library takes the word where it stands: it is one of `names`, or it stands
// first and the atom assembles with it alone (which finds the names that never render).
bool IsKnown(const TArgumentWord& use, const std::vector<std::string>& names) {
    std::string word = LowerCase(use.word);
    if (std::find(names.begin(), names.end(), word) != names.end()) return true;
    if (use.part != 0) return false;
    std::string text = use.atom + " <" + word + ">";
    uint8_t out[64];
    uint32_t size = sizeof out;
    int code = KelAssembleAtomStream(text.c_str(), 0, out, &size);
    return code == 0 || code == kBufferTooSmall;
}

std::string Join(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

} // namespace

std::string ExplainAtomStreamFailure(const std::string& text, int32_t result) {
    int code = result & 0xFFFF;
    bool nameCanCause = code == 14 || code == 15 || code == 16 || code == 23;
    if (!AtomLibraryReady() || !nameCanCause) return "";
    for (const TArgumentWord& use : ArgumentWords(LineOf(text, uint32_t(result) >> 16))) {
        std::vector<std::string> names = NamesAt(use);
        if (!names.empty() && !IsKnown(use, names))
            return "unknown name '" + use.word + "' (known: " + Join(names) + ")";
    }
    return "";
}
