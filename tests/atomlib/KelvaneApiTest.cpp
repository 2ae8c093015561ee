// The exported interface, called as an outside program would: the export list, the texts,
// the output-buffer protocol of every conversion, callbacks, loading the table, the
// dictionary queries and the caller-held state record.
#include "KelvaneApi.h"
#include "ProcessRunner.h"
#include "TempDirectory.h"
#include "kelvane.hpp"

#include <climits>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>

namespace {

// Every internal symbol, the standard library's template instantiations included, stays local;
// every export carries the version node KELVANE_1 (listed itself as an absolute symbol).
TEST(KelvaneAbi, ExportsExactlyTheInterface) {
    std::string nm = KELVANE_NM;
    if (nm.empty() || !std::filesystem::exists(nm)) GTEST_SKIP() << "nm is not available";
    TProcessResult run = RunProcess(nm, {"-D", "--defined-only", KELVANE_LIBRARY});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::set<std::string> exported;
    std::istringstream lines(run.out);
    for (std::string address, type, name; lines >> address >> type >> name;) {
        if (type == "A" && name == "KELVANE_1") continue;
        EXPECT_TRUE(name.ends_with("@@KELVANE_1")) << name;
        exported.insert(name.substr(0, name.find('@')));
    }
    std::istringstream names(
        "KelInitialize KelTerminate KelGetVersion KelGetErrorText KelAssembleAtomStream "
        "KelAssembleFragment KelAssembleArgument KelDisassembleAtomStream "
        "KelDisassembleAtomStreamState KelDisassembleAtom KelDisassembleAtomState "
        "KelDisassembleArgument KelNormalizeAtomStream KelDoAtomCallbacks KelLookupAtomEnum "
        "KelGetAtomByName KelGetAtomName KelIsValidProtocol KelEnumAllAtoms KelFreeState "
        "_Z21KelAssembleAtomStreamRK7ZStringR7ZBufferj "
        "_Z24KelDisassembleAtomStreamRK7ZBufferR7ZStringj "
        "_Z18KelDoAtomCallbacksPFijttPKhtEjRK7ZBufferj");
    EXPECT_EQ(exported, std::set<std::string>(std::istream_iterator<std::string>(names), {}));
}

// Calls `call` with `given` and a buffer of `capacity` bytes, the last two arguments of every
// conversion: "result size N", then ": " and what it wrote (the text without its terminator,
// or the bytes in decimal) when it succeeded, else whether it left the buffer untouched.
template <class... Args, class... Given>
std::string Call(uint32_t capacity, int (*call)(Args...), Given... given) {
    using Out = std::tuple_element_t<sizeof...(Args) - 2, std::tuple<Args...>>;
    uint8_t out[256];
    std::memset(out, 0xEE, sizeof out);
    uint32_t size = capacity;
    int result = call(given..., reinterpret_cast<Out>(out), &size);
    std::string shown = std::to_string(result) + " size " + std::to_string(size);
    if (result != 0) return shown + (out[0] == 0xEE ? " untouched" : " written");
    if constexpr (std::is_same_v<Out, char*>) {
        if (size > 0 && out[size - 1] != 0) return shown + " unterminated";
        return shown + ": " + std::string(reinterpret_cast<char*>(out), size ? size - 1 : 0);
    }
    for (uint32_t i = 0; i < size; ++i)
        shown += " " + std::to_string(out[i]);
    return shown;
}

// The plain exports whose names kelvane.hpp overloads.
int (*const Assemble)(const char*, int, uint8_t*, uint32_t*) = KelAssembleAtomStream;
int (*const Disassemble)(const uint8_t*, uint32_t, int, char*,
                         uint32_t*) = KelDisassembleAtomStream;

const uint8_t kFormBegin[] = {0x00, 0x01, 0x00}, kCompact[] = {0x02, 0x01, 0x00, 0x63},
              kCut[] = {0x02, 0x01, 0x05, 'a'}, k12[] = {1, 2}; // kCut: an argument past the end

using KelvaneBuffers = KelvaneTest;

// A result that does not fit reports its size (a text's with the terminator) and writes
// nothing; a failure writes nothing either. Assembly errors carry the line in the upper 16
// bits (cut to 16 bits); a single argument's carry none. Stand-alone arguments of the table
// formats fail. Enumerations render as the disassembler shows them, the argument index 0
// naming the atom's own and k the multi component k; 23 for none or an empty text.
TEST_F(KelvaneBuffers, EveryConversionReportsItsSizeAndWritesOnlyWhatFits) {
    const char* label = "label <\"abcdefg\">";                    // 10 bytes
    const std::string lines = std::string(65536, '\n') + "bogus"; // line 65537
    const std::pair<std::string, const char*> cases[] = {
        {Call(9, Assemble, label, 0), "4 size 10 untouched"},
        {Call(10, Assemble, label, 0), "0 size 10 2 1 7 97 98 99 100 101 102 103"},
        {Call(7, Assemble, nullptr, 0), "0 size 0"},
        {Call(16, Assemble, "form_begin\nform_end\nlabel <\"hi\"", 0), "196616 size 16 untouched"},
        {Call(16, Assemble, lines.c_str(), 0), "65546 size 16 untouched"},
        {Call(5, KelNormalizeAtomStream, kCompact, 4u), "4 size 6 untouched"},
        {Call(6, KelNormalizeAtomStream, kCompact, 4u), "0 size 6 2 1 0 2 3 0"},
        {Call(64, KelNormalizeAtomStream, kCut, 4u), "11 size 64 untouched"},
        {Call(0, Disassemble, nullptr, 0u, 0), "4 size 1 untouched"},
        {Call(1, Disassemble, nullptr, 0u, 0), "0 size 0: "},
        {Call(12, Disassemble, kFormBegin, 3u, 0), "4 size 13 untouched"},
        {Call(13, Disassemble, kFormBegin, 3u, 0), "0 size 13: form_begin\r\n"},
        {Call(64, Disassemble, kCut, 4u, 0), "11 size 64 untouched"},
        {Call(1, KelAssembleArgument, 2, "300", 0), "4 size 2 untouched"},
        {Call(2, KelAssembleArgument, 2, "300", 0), "0 size 2 1 44"},
        {Call(8, KelAssembleArgument, 2, "x", 0), "16 size 8 untouched"},
        // A code outside 16 bits names no format: raw bytes, not format 70000 & 0xFFFF = 4464.
        {Call(8, KelAssembleArgument, 70000, "1x, 2x", 0), "0 size 2 1 2"},
        {Call(3, KelDisassembleArgument, 2, k12, 2u, 0), "4 size 4 untouched"},
        {Call(4, KelDisassembleArgument, 2, k12, 2u, 0), "0 size 4: 258"},
        {Call(13, KelLookupAtomEnum, "style", 0u, 3), "4 size 14 untouched"},
        {Call(14, KelLookupAtomEnum, "style", 0u, 3), "0 size 14: bold | italic"},
        {Call(64, KelLookupAtomEnum, "anchor", 0u, 0), "23 size 64 untouched"},
        {Call(64, KelLookupAtomEnum, "font", 1u, 1), "0 size 5: sans"},
        {Call(64, KelLookupAtomEnum, "font", 3u, 1), "0 size 6: heavy"},
        {Call(64, KelLookupAtomEnum, "font", 2u, 1), "23 size 64 untouched"},
        {Call(64, KelLookupAtomEnum, "font", 4u, 1), "23 size 64 untouched"},
        {Call(64, KelLookupAtomEnum, "nope", 0u, 1), "10 size 64 untouched"},
        {Call(64, KelLookupAtomEnum, nullptr, 0u, 1), "10 size 64 untouched"}};
    for (const auto& [result, expected] : cases)
        EXPECT_EQ(result, expected);
    uint32_t size = 64;
    EXPECT_EQ(KelAssembleAtomStream(label, 0, nullptr, &size), 4); // no buffer holds nothing
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(KelAssembleAtomStream(label, 0, nullptr, nullptr), 4);
    EXPECT_EQ(KelDisassembleAtomStream(nullptr, 3, 0, nullptr, &size), 11); // no bytes to read
}

// KelAssembleFragment on a copy of `source`: "result: stream [argument] rest of the text".
std::string Fragment(const char* source, uint32_t capacity = 256) {
    char text[256];
    std::strcpy(text, source);
    uint8_t out[256], argOut[32767];
    uint32_t size = capacity, argSize = 12345;
    int result = KelAssembleFragment(text, 0, out, &size, argOut, &argSize);
    std::string shown = std::to_string(result).append(":");
    for (uint32_t i = 0; result == 0 && i < size; ++i)
        shown.append(" ").append(std::to_string(out[i]));
    if (result == 0) shown += " [" + std::string(argOut, argOut + argSize) + "]";
    return shown.append(" ").append(text);
}

// The stream before the placeholder, the argument around it and the text from it on; an
// error or a short buffer leaves the text alone, for a retry.
TEST_F(KelvaneBuffers, FragmentsHandBackTheStreamTheArgumentAndTheRestOfTheText) {
    EXPECT_EQ(Fragment("form_begin\n%\nform_end"), "0: 0 1 0 [] %\nform_end");
    EXPECT_EQ(Fragment("form_begin\nmargin <1, 2, %>\nform_end"),
              "0: 0 1 0 1 7 [\x01\x02] %>\nform_end");
    EXPECT_EQ(Fragment("form_begin\nbogus %"), "131082: form_begin\nbogus %");
    EXPECT_EQ(Fragment("form_begin\nmargin <1, 2, %>", 4), "4: form_begin\nmargin <1, 2, %>");
}

std::string gSeen;
size_t gCalls = 0, gCancelAt = 0;

// Records "user:protocol.atom(data)" for each atom; cancels with 25 at call gCancelAt.
int32_t Collect(uint32_t user, uint16_t protocol, uint16_t atom, const uint8_t* data,
                uint16_t length) {
    gSeen += std::to_string(user) + ":" + std::to_string(protocol) + "." + std::to_string(atom) +
             "(" + std::string(data, data + length) + ") ";
    return ++gCalls == gCancelAt ? 25 : 0;
}

// The walk with Collect: what it saw and the result.
std::string Callbacks(const Bytes& stream, uint32_t user = 0, int flags = 0, size_t cancel = 0) {
    gSeen.clear();
    gCalls = 0;
    gCancelAt = cancel;
    int result = KelDoAtomCallbacks(Collect, user, stream.data(), uint32_t(stream.size()), flags);
    return gSeen + "=> " + std::to_string(result);
}

// A large atom of protocol 2, atom 1 from pieces of the given sizes.
Bytes LargeAtom(std::initializer_list<uint16_t> pieces) {
    Bytes large = {0x00, 0x04, 0x02, 0x02, 0x01};
    size_t left = pieces.size();
    for (uint16_t n : pieces) {
        const Bytes header = {0x00, uint8_t(--left ? 5 : 6), uint8_t(0x80 | (n >> 8)), uint8_t(n)};
        large.insert(large.end(), header.begin(), header.end());
        large.insert(large.end(), n, 'z');
    }
    return large;
}

// Every atom in stream order, nested streams not entered, large atoms joined; the first
// nonzero result ends the walk, and so do a damaged stream and a joined atom longer than a
// 16-bit length. Flag 0x04 does not make the walk a normalisation; decoding comments are
// only text.
TEST_F(KelvaneBuffers, CallbacksSeeEveryAtomInStreamOrderWithLargeAtomsJoined) {
    Bytes stream = AssembleText("form_begin\n;note\nsubform <visible <yes>>");
    Bytes large = LargeAtom({1, 1});
    stream.insert(stream.end(), large.begin(), large.end());
    EXPECT_EQ(Callbacks(stream, 77, 0x14),
              "77:0.1() 77:51.36(note) 77:1.10(\x02\x03\x01\x01) 77:2.1(zz) => 0");
    EXPECT_EQ(Callbacks(stream, 0, 0, 4),
              "0:0.1() 0:51.36(note) 0:1.10(\x02\x03\x01\x01) 0:2.1(zz) => 25");
    EXPECT_EQ(KelDoAtomCallbacks(nullptr, 0, stream.data(), uint32_t(stream.size()), 0), 0);
    EXPECT_EQ(Callbacks({0x00, 0x01, 0x00, 0x02, 0x01, 0x05, 'a'}), "0:0.1() => 11");
    EXPECT_EQ(Callbacks(LargeAtom({30000, 30000, 5535})),
              "0:2.1(" + std::string(65535, 'z') + ") => 0");
    EXPECT_EQ(Callbacks(LargeAtom({30000, 30000, 5536})), "=> 24");
}

int32_t StopWith(uint32_t user, uint16_t, uint16_t, const uint8_t*, uint16_t) {
    return int32_t(user);
}

// The C++ overloads work on the library's own buffers: unchanged on failure, replaced on
// success; a disassembly keeps the text up to an error.
TEST_F(KelvaneBuffers, TheOverloadsWorkOnTheLibrarysOwnBuffers) {
    ZBuffer stream("old", 3);
    EXPECT_EQ(KelAssembleAtomStream(ZString("form_begin\nlabel <\"hi\""), stream, 0),
              (2 << 16) | 8);
    EXPECT_EQ(stream.Length(), 3u);
    ASSERT_EQ(KelAssembleAtomStream(ZString("form_begin\nform_end"), stream, 0), 0);
    EXPECT_EQ(Bytes(stream.Data(), stream.Data() + stream.Length()), (Bytes{0, 1, 0, 0, 2, 0}));
    EXPECT_EQ(KelDoAtomCallbacks(StopWith, 25, stream, 0), 25);
    EXPECT_EQ(KelDoAtomCallbacks(StopWith, 25, ZBuffer(), 0), 0);
    stream.Append("\x02\x01\x05", 3);
    ZString text("old");
    EXPECT_EQ(KelDisassembleAtomStream(stream, text, 0), 11);
    EXPECT_TRUE(text.Equals("form_begin\r\nform_end\r\n"));
}

using KelvaneLoad = KelvaneTest;

// A second KelInitialize keeps the first table; a failed load (1: no file, 2: no table) is
// tried again; without a table every query fails (the texts need none); each conversion loads the
// default table, whose path was fixed when the library was loaded (the test's directory).
TEST_F(KelvaneLoad, TheTableIsLoadedOnceTriedAgainAfterAFailureAndLoadedLazily) {
    EXPECT_EQ(KelInitialize("/no/such/table.kel"), 0);
    EXPECT_STREQ(KelGetAtomName(2, 2, 1), "label");
    EXPECT_EQ(KelTerminate() + KelTerminate(), 0);
    TTempDirectory temp;
    WriteBytes(temp / "bad.kel", {'n', 'o', 't'});
    EXPECT_EQ(KelInitialize((temp / "missing.kel").c_str()), 1);
    EXPECT_EQ(KelInitialize(temp.Path().c_str()), 1); // a directory
    EXPECT_EQ(KelInitialize((temp / "bad.kel").c_str()), 2);
    // The version and the texts need no table; the texts live in one buffer of the library,
    // which the next call overwrites.
    EXPECT_STREQ(KelGetVersion(), "KEL Build 8");
    EXPECT_STREQ(KelGetErrorText(28), "Mismatched text type");
    EXPECT_STREQ(KelGetErrorText(-2), "Failed to disassemble QDF: ");
    for (int invalid : {29, -3, INT_MAX, INT_MIN})
        EXPECT_STREQ(KelGetErrorText(invalid), "Invalid Error Number") << invalid;
    EXPECT_EQ(KelGetErrorText(0), KelGetErrorText(1));
    KelAtomInfo info = {7, 7, 7, nullptr};
    EXPECT_EQ(KelGetAtomByName("label", &info), nullptr);
    EXPECT_EQ(std::pair(KelIsValidProtocol(2, 2), int(info.classNumber)), std::pair(0, 7));
    EXPECT_EQ(KelEnumAllAtoms([](const KelAtomInfo*) -> int32_t { return 0; }), 1);
    EXPECT_EQ(KelGetAtomName(2, 2, 1), nullptr); // none of them loaded a table
    TCurrentDirectoryGuard guard(temp.Path());
    int indent = 0;
    const std::function<std::string()> conversions[] = {
        [] { return Call(64, Assemble, "label <\"hi\">", 0); },
        [] { return Call(64, KelAssembleArgument, 2, "5", 0); },
        [] { return Call(64, Disassemble, kFormBegin, 3u, 0); },
        [&] { return Call(64, KelDisassembleAtom, 0, 1, nullptr, 0u, 0, &indent); },
        [] { return Call(64, KelDisassembleArgument, 2, k12, 1u, 0); },
        [] { return Call(64, KelNormalizeAtomStream, kFormBegin, 3u); },
        [] { return Call(64, KelLookupAtomEnum, "border", 0u, 1); },
        [] { return std::to_string(KelDoAtomCallbacks(nullptr, 0, kFormBegin, 3, 0)) + " "; }};
    for (const auto& conversion : conversions) {
        KelTerminate();
        EXPECT_EQ(conversion().substr(0, 2), "0 ");
        EXPECT_STREQ(KelGetAtomName(2, 2, 1), "label");
    }
}

using KelvaneDictionary = KelvaneTest;

// "class protocol atom name" of the atom found by name, or "none" and the unchanged name.
std::string ByName(const char* name) {
    KelAtomInfo info = {9, 9, 9, "unchanged"};
    if (!KelGetAtomByName(name, &info)) return std::string("none ") + info.name;
    return std::to_string(info.classNumber) + " " + std::to_string(info.protocol) + " " +
           std::to_string(info.atom) + " " + (info.name ? info.name : "(null)");
}

std::string gVisited;
size_t gStopAfter = 0;

int32_t Visit(const KelAtomInfo* info) {
    gVisited += std::to_string(info->classNumber) + "." + std::to_string(info->protocol) + "." +
                std::to_string(info->atom) + (info->name ? info->name : "") + " ";
    return --gStopAfter == 0 ? 0 : 1;
}

// Names are exact and the first atom of a name counts, in whichever class (reported as class
// 2); numbers find class 1 too; a protocol is valid when it is there, atoms or not. The walk
// over all atoms goes in table order and stops on a zero from the callback. An enumeration
// of a kind that shows nothing renders as 23.
TEST_F(KelvaneDictionary, AtomsByNameAndNumberAndAllAtoms) {
    KelTerminate();
    ASSERT_EQ(KelInitialize(KEL_DICTIONARY_TABLE), 0);
    EXPECT_EQ(ByName("twin"), "2 4 7 twin"); // class 1, protocol 4; again in class 2
    EXPECT_EQ(ByName(""), "2 9 3 (null)");   // the atom with the empty name
    EXPECT_EQ(ByName("Twin") + ByName(nullptr), "none unchangednone unchanged");
    EXPECT_EQ(KelGetAtomByName("twin", nullptr), nullptr);
    EXPECT_STREQ(KelGetAtomName(2, 9, 1), "x");
    EXPECT_STREQ(KelGetAtomName(1, 4, 7), "twin");
    for (auto [cls, protocol, atom] : {std::tuple(2, 9, 3), {2, 9, 5}, {2, 4, 7}, {3, 9, 1}})
        EXPECT_EQ(KelGetAtomName(cls, protocol, atom), nullptr) << cls << protocol << atom;
    EXPECT_EQ(std::vector<int>({KelIsValidProtocol(2, 12), KelIsValidProtocol(1, 4),
                                KelIsValidProtocol(1, 9), KelIsValidProtocol(5, 0)}),
              std::vector<int>({1, 1, 0, 0}));
    EXPECT_EQ(Call(64, KelLookupAtomEnum, "odd_kind", 0u, 1), "23 size 64 untouched");
    gStopAfter = 99;
    EXPECT_EQ(KelEnumAllAtoms(Visit), 1);
    EXPECT_EQ(gVisited, "1.4.7twin 2.9.1x 2.9.2twin 2.9.3 2.9.4odd_kind ");
    gStopAfter = 1;
    EXPECT_EQ(KelEnumAllAtoms(Visit), 0);
    EXPECT_EQ(KelEnumAllAtoms(nullptr), 1);
    KelTerminate();
    ASSERT_EQ(KelInitialize(KEL_EMPTY_TABLE), 0);
    EXPECT_EQ(KelEnumAllAtoms(Visit), 1); // a table without classes
    EXPECT_EQ(gVisited, "1.4.7twin 2.9.1x 2.9.2twin 2.9.3 2.9.4odd_kind 1.4.7twin ");
}

using KelvaneState = KelvaneTest;

// Disassembles with the record.
std::string WithState(const Bytes& stream, KelDisassemblyState& state, int flags = 0,
                      uint32_t capacity = 256) {
    return Call(capacity, KelDisassembleAtomStreamState, stream.data(), uint32_t(stream.size()),
                flags, &state);
}

// "indent protocol PO/AO sticky/active, type/saved/restore, large protocol.atom length" of a
// record, "+block" when it holds one.
std::string Fields(const KelDisassemblyState& s) {
    char text[128];
    std::snprintf(text, sizeof text, "%d %u %u/%u %u/%u, %u/%u/%u, %u.%u %u%s", s.indent,
                  s.currentProtocol, s.protocolOffset, s.atomOffset, s.prefixSticky, s.prefixActive,
                  s.textType, s.savedTextType, s.restorePending, s.largeProtocol, s.largeAtom,
                  s.largeLength, s.largeBlock ? "+block" : "");
    return text;
}

// Indentation (a negative one read as 0), the decoder state (a sticky prefix too) and the
// text types carry over from call to call in the record; flag 0x100 wins over the record's
// type, and text_type_once holds for one atom.
TEST_F(KelvaneState, IndentationDecoderStateAndTextTypesCarryOver) {
    KelDisassemblyState state = {};
    state.indent = -4;
    const std::pair<std::string, const char*> cases[] = {
        {WithState(AssembleText("form_begin"), state), "0 size 13: form_begin\r\n"},
        {WithState(AssembleText("label <\"a\">"), state), "0 size 16:   label <\"a\">\r\n"},
        {Fields(state), "1 2 0/0 0/0, 0/0/0, 0.0 0"},
        // 63: atom 3 of the current protocol, which the record says is 2 ("visible").
        {WithState({0x63}, state), "0 size 12:   visible\r\n"},
        {WithState(AssembleText("form_end"), state), "0 size 11: form_end\r\n"},
        {WithState(AssembleText("text_type <4107>"), state), "0 size 19: text_type <4107>\r\n"},
        {WithState(AssembleText("label <\"a\">"), state, 0x100), "0 size 14: label <\"a\">\r\n"},
        {WithState(AssembleText("text_type_once <7>"), state), "0 size 21: text_type_once <7>\r\n"},
        {Fields(state), "0 0 0/0 0/0, 7/260/1, 0.0 0"},
        {WithState(AssembleText("label <\"a\">"), state), "0 size 14: label <\"a\">\r\n"},
        {Fields(state), "0 2 0/0 0/0, 260/260/0, 0.0 0"},
        // E9: a sticky prefix of protocol offset 32, so that 08 04 is protocol 40, atom 4.
        {WithState({0xE9}, state), "0 size 0: "},
        {Fields(state), "0 2 32/0 1/1, 260/260/0, 0.0 0"},
        {WithState({0x08, 0x04, 0x01, 0x05}, state), "0 size 17: frame_rate <5>\r\n"}};
    for (const auto& [result, expected] : cases)
        EXPECT_EQ(result, expected);
    EXPECT_EQ(DisassembleBytes({0x63}), "form_id\r\n"); // from the initial state
}

// Large-atom pieces for protocol 2 atom 1 ("label").
const Bytes kLargeStart = {0x00, 0x04, 0x02, 0x02, 0x01};
const Bytes kLargeSegment = {0x00, 0x05, 0x02, 'a', 'b'};
const Bytes kLargeEnd = {0x00, 0x06, 0x01, 'c'};

// A pending large atom travels in a block of the library's, from a start that ended a call
// on; a call that fails leaves the record as it was, for a retry; KelFreeState zeroes the
// record and releases the block (the leak check would catch one left behind).
TEST_F(KelvaneState, APendingLargeAtomTravelsInALibraryBlock) {
    KelDisassemblyState state = {};
    EXPECT_EQ(WithState(kLargeStart, state), "0 size 0: ");
    EXPECT_EQ(Fields(state), "0 0 0/0 0/0, 0/0/0, 2.1 0");
    EXPECT_EQ(WithState(kLargeSegment, state) + WithState(kLargeSegment, state),
              "0 size 0: 0 size 0: ");
    ASSERT_EQ(Fields(state), "0 0 0/0 0/0, 0/0/0, 2.1 4+block");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(state.largeBlock), 4), "abab");
    KelDisassemblyState before = state;
    EXPECT_EQ(WithState(kLargeEnd, state, 0, 4), "4 size 18 untouched");
    EXPECT_EQ(WithState({0x00, 0x06, 0x01, 'c', 0x02, 0x01, 0x09}, state), "11 size 256 untouched");
    EXPECT_EQ(std::memcmp(&state, &before, sizeof state), 0);
    EXPECT_EQ(WithState(kLargeEnd, state), "0 size 18: label <\"ababc\">\r\n");
    EXPECT_EQ(Fields(state), "0 0 0/0 0/0, 0/0/0, 0.0 0"); // nothing pending
    WithState(kLargeStart, state);
    WithState(kLargeSegment, state);
    std::memset(&state, 0xAB, offsetof(KelDisassemblyState, largeLength));
    EXPECT_EQ(KelFreeState(&state) + KelFreeState(nullptr), 0);
    EXPECT_EQ(Fields(state), "0 0 0/0 0/0, 0/0/0, 0.0 0");
}

// Disassembles one atom at `indent`: the text, and the new indent after a "|".
std::string OneAtom(int protocol, int atom, const Bytes& data, int& indent, uint32_t size = 64) {
    std::string shown = Call(size, KelDisassembleAtom, protocol, atom, data.data(),
                             uint32_t(data.size()), 0, &indent);
    return shown + "|" + std::to_string(indent);
}

// One atom ends no line, but the lines of a nested stream do; only the low 16 bits of
// protocol and atom count; large-atom pieces show nothing and collect nothing.
TEST_F(KelvaneState, OneAtomAtATime) {
    int indent = -5;
    EXPECT_EQ(OneAtom(0, 1, {}, indent), "0 size 11: form_begin|1");
    EXPECT_EQ(OneAtom(0x10002, 0x20001, {'h', 'i'}, indent), "0 size 15:   label <\"hi\">|1");
    EXPECT_EQ(OneAtom(1, 10, {0x02, 0x03, 0x01, 0x01}, indent),
              "0 size 43:   subform\r\n    <\r\n    visible <yes>\r\n    >|1");
    indent = 3;
    EXPECT_EQ(OneAtom(1, 2, {}, indent), "0 size 14:     end_group|2");
    EXPECT_EQ(OneAtom(2, 1, {}, indent, 2), "4 size 10 untouched|2");
    KelDisassemblyState state = {};
    EXPECT_EQ(Call(16, KelDisassembleAtomState, 0, 4, kLargeStart.data() + 3, 2u, 0, &state),
              "0 size 0: ");
    EXPECT_EQ(Fields(state), "0 0 0/0 0/0, 0/0/0, 0.0 0");
}

} // namespace
