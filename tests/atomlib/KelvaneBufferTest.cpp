// The conversion exports: the three output-buffer protocols, assembly results, fragments,
// single arguments, the callback walk and the C++ overloads.
#include "KelvaneApi.h"
#include "kelvane.hpp"

#include <cstring>

namespace {

using KelvaneBuffers = KelvaneTest;

constexpr uint8_t kUntouched = 0xEE;

TEST_F(KelvaneBuffers, ByteResultsReportTheirSizeAndCopyOnlyWhenTheyFit) {
    const char* text = "label <\"abcdefg\">"; // 10 bytes
    uint8_t out[16];
    std::memset(out, kUntouched, sizeof out);
    uint32_t size = 5;
    EXPECT_EQ(KelAssembleAtomStream(text, 0, out, &size), 4);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(out[0], kUntouched);
    size = 64;
    EXPECT_EQ(KelAssembleAtomStream(text, 0, nullptr, &size), 4); // no buffer holds nothing
    EXPECT_EQ(size, 10u);
    ASSERT_EQ(KelAssembleAtomStream(text, 0, out, &size), 0);
    EXPECT_EQ(Bytes(out, out + 11),
              (Bytes{2, 1, 7, 'a', 'b', 'c', 'd', 'e', 'f', 'g', kUntouched}));
    EXPECT_EQ(KelAssembleAtomStream(text, 0, out, nullptr), 4);
    size = 7;
    EXPECT_EQ(KelAssembleAtomStream(nullptr, 0, nullptr, &size), 0); // null text: empty
    EXPECT_EQ(size, 0u);
    // Normalisation follows the same protocol.
    const uint8_t compact[] = {0x02, 0x01, 0x00, 0x63};
    size = 5;
    EXPECT_EQ(KelNormalizeAtomStream(compact, 4, out, &size), 4);
    ASSERT_EQ(KelNormalizeAtomStream(compact, 4, out, &size), 0);
    EXPECT_EQ(Bytes(out, out + size), (Bytes{0x02, 0x01, 0x00, 0x02, 0x03, 0x00}));
}

TEST_F(KelvaneBuffers, AssemblyErrorsCarryTheLineAndTouchNothing) {
    uint8_t out[16];
    std::memset(out, kUntouched, sizeof out);
    uint32_t size = 16;
    EXPECT_EQ(KelAssembleAtomStream("form_begin\nform_end\nlabel <\"hi\"", 0, out, &size), 196616);
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(out[0], kUntouched);
    std::string text; // line 65537 reports as line 1
    for (int i = 0; i < 65536; ++i)
        text += "form_begin\n";
    EXPECT_EQ(KelAssembleAtomStream(text.append("bogus").c_str(), 0, nullptr, &size),
              (1 << 16) | 10);
}

TEST_F(KelvaneBuffers, TextResultsNeedRoomForTheTerminator) {
    char out[8];
    uint32_t size = 0; // an empty text: capacity 0 asks for 1 byte
    EXPECT_EQ(KelDisassembleAtomStream(nullptr, 0, 0, out, &size), 4);
    EXPECT_EQ(size, 1u);
    out[0] = 'z';
    EXPECT_EQ(KelDisassembleAtomStream(nullptr, 0, 0, out, &size), 0);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(KelDisassembleAtomStream(nullptr, 0, 0, out, nullptr), 4);
    KelTerminate();
    ASSERT_EQ(KelInitialize(KEL_DICTIONARY_TABLE), 0);
    const uint8_t stream[] = {0x09, 0x01, 0x00}; // atom "x": shown as x, CR, LF
    std::memset(out, kUntouched, sizeof out);
    size = 3;
    EXPECT_EQ(KelDisassembleAtomStream(stream, 3, 0, out, &size), 4);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(uint8_t(out[0]), kUntouched);
    ASSERT_EQ(KelDisassembleAtomStream(stream, 3, 0, out, &size), 0);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(std::string(out, 5), std::string("x\r\n\0\xEE", 5));
    // A lookup text reports its size first.
    KelTerminate();
    ASSERT_EQ(KelInitialize(KEL_DEFAULT_TABLE), 0);
    char text[32];
    size = 13; // "bold | italic" has 13 characters
    EXPECT_EQ(KelLookupAtomEnum("style", 0, 3, text, &size), 4);
    EXPECT_EQ(size, 14u);
    ASSERT_EQ(KelLookupAtomEnum("style", 0, 3, text, &size), 0);
    EXPECT_STREQ(text, "bold | italic");
}

TEST_F(KelvaneBuffers, DisassemblyErrorsTouchNothing) {
    const uint8_t cut[] = {0x02, 0x01, 0x05, 'a'}; // the argument runs past the end
    char out[64];
    std::memset(out, kUntouched, sizeof out);
    uint32_t size = 64;
    EXPECT_EQ(KelDisassembleAtomStream(cut, 4, 0, out, &size), 11);
    EXPECT_EQ(KelNormalizeAtomStream(cut, 4, reinterpret_cast<uint8_t*>(out), &size), 11);
    EXPECT_EQ(size, 64u);
    EXPECT_EQ(uint8_t(out[0]), kUntouched);
    EXPECT_EQ(KelDisassembleAtomStream(nullptr, 3, 0, out, &size), 11); // no bytes to read
}

TEST_F(KelvaneBuffers, ArgumentsAssembleAndShowAlone) {
    uint8_t bytes[8];
    uint32_t size = 1;
    EXPECT_EQ(KelAssembleArgument(2, "300", 0, bytes, &size), 4);
    EXPECT_EQ(size, 2u);
    ASSERT_EQ(KelAssembleArgument(2, "300", 0, bytes, &size), 0);
    EXPECT_EQ(Bytes(bytes, bytes + size), (Bytes{0x01, 0x2C}));
    EXPECT_EQ(KelAssembleArgument(2, "x", 0, bytes, &size), 16);     // no line number
    EXPECT_EQ(KelAssembleArgument(19, "bold", 0, bytes, &size), 23); // no enumeration here
    // A code outside 16 bits names no format: raw bytes, not format 70000 & 0xFFFF = 4464.
    size = 8;
    ASSERT_EQ(KelAssembleArgument(70000, "1x, 2x", 0, bytes, &size), 0);
    EXPECT_EQ(Bytes(bytes, bytes + size), (Bytes{0x01, 0x02}));
    char text[32];
    size = 3;
    EXPECT_EQ(KelDisassembleArgument(2, bytes, 2, 0, text, &size), 4);
    ASSERT_EQ(KelDisassembleArgument(2, bytes, 2, 0, text, &size), 0);
    EXPECT_STREQ(text, "258");
    EXPECT_EQ(KelDisassembleArgument(18, bytes, 2, 0, text, &size), 11);
    EXPECT_EQ(KelDisassembleArgument(19, bytes, 2, 0, text, &size), 23);
}

// KelAssembleFragment on a copy of `source`: "result: stream [argument] rest of the text",
// the bytes in decimal.
std::string Fragment(const char* source, uint32_t capacity = 256) {
    char text[256];
    std::strcpy(text, source);
    uint8_t out[256], argOut[32767];
    uint32_t size = capacity, argSize = 12345;
    int result = KelAssembleFragment(text, 0, out, &size, argOut, &argSize);
    std::string shown = std::to_string(result).append(":");
    if (result == 0) {
        for (uint32_t i = 0; i < size; ++i)
            shown.append(" ").append(std::to_string(out[i]));
        shown += " [";
        for (uint32_t i = 0; i < argSize; ++i)
            shown.append(i ? " " : "").append(std::to_string(argOut[i]));
        shown += "]";
    }
    return shown.append(" ").append(text);
}

TEST_F(KelvaneBuffers, FragmentsHandBackTheStreamTheArgumentAndTheRestOfTheText) {
    EXPECT_EQ(Fragment("form_begin\n%\nform_end"), "0: 0 1 0 [] %\nform_end");
    EXPECT_EQ(Fragment("form_begin\nmargin <1, 2, %>\nform_end"),
              "0: 0 1 0 1 7 [1 2] %>\nform_end");
    EXPECT_EQ(Fragment("form_begin\nform_end"), "0: 0 1 0 0 2 0 [] ");
    // An error or a short buffer leaves the text alone, for a retry.
    EXPECT_EQ(Fragment("form_begin\nbogus %"), "131082: form_begin\nbogus %");
    EXPECT_EQ(Fragment("form_begin\nmargin <1, 2, %>", 4), "4: form_begin\nmargin <1, 2, %>");
}

struct Seen {
    uint32_t user;
    int protocol, atom;
    Bytes data;
    bool operator==(const Seen&) const = default;
};
std::vector<Seen> gSeen;
size_t gCancelAt = 0;

int32_t Collect(uint32_t user, uint16_t protocol, uint16_t atom, const uint8_t* data,
                uint16_t length) {
    gSeen.push_back({user, protocol, atom, Bytes(data, data + length)});
    return gSeen.size() == gCancelAt ? 25 : 0;
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

TEST_F(KelvaneBuffers, CallbacksSeeEveryAtomInStreamOrderWithLargeAtomsJoined) {
    Bytes stream = AssembleText("form_begin\n;note\nsubform <visible <yes>>");
    Bytes large = LargeAtom({1, 1});
    stream.insert(stream.end(), large.begin(), large.end());
    gSeen.clear();
    gCancelAt = 0;
    // Flag 0x04 does not turn the walk into normalisation; decoding comments are only text.
    EXPECT_EQ(KelDoAtomCallbacks(Collect, 77, stream.data(), uint32_t(stream.size()), 0x14), 0);
    const std::vector<Seen> expected = {{77, 0, 1, {}},
                                        {77, 51, 36, {'n', 'o', 't', 'e'}},
                                        {77, 1, 10, {0x02, 0x03, 0x01, 0x01}}, // not entered
                                        {77, 2, 1, {'z', 'z'}}};
    EXPECT_EQ(gSeen, expected);
    gSeen.clear();
    gCancelAt = 4; // the joined atom's result ends the walk
    EXPECT_EQ(KelDoAtomCallbacks(Collect, 0, stream.data(), uint32_t(stream.size()), 0), 25);
    EXPECT_EQ(KelDoAtomCallbacks(nullptr, 0, stream.data(), uint32_t(stream.size()), 0), 0);
    // A damaged stream, and a joined atom longer than a 16-bit length, end the walk.
    gSeen.clear();
    const Bytes cut = {0x00, 0x01, 0x00, 0x02, 0x01, 0x05, 'a'};
    EXPECT_EQ(KelDoAtomCallbacks(Collect, 0, cut.data(), uint32_t(cut.size()), 0), 11);
    EXPECT_EQ(gSeen.size(), 1u);
    large = LargeAtom({30000, 30000, 5535});
    EXPECT_EQ(KelDoAtomCallbacks(Collect, 0, large.data(), uint32_t(large.size()), 0), 0);
    EXPECT_EQ(gSeen.back().data.size(), 65535u);
    large = LargeAtom({30000, 30000, 5536});
    EXPECT_EQ(KelDoAtomCallbacks(Collect, 0, large.data(), uint32_t(large.size()), 0), 24);
}

using KelvaneOverloads = KelvaneTest;

int32_t StopWith(uint32_t user, uint16_t, uint16_t, const uint8_t*, uint16_t) {
    return int32_t(user);
}

TEST_F(KelvaneOverloads, WorkOnTheLibrarysOwnBuffers) {
    ZBuffer stream("old", 3);
    EXPECT_EQ(KelAssembleAtomStream(ZString("form_begin\nlabel <\"hi\""), stream, 0),
              (2 << 16) | 8);
    EXPECT_EQ(stream.Length(), 3u); // unchanged on failure, replaced on success
    ASSERT_EQ(KelAssembleAtomStream(ZString("form_begin\nform_end"), stream, 0), 0);
    EXPECT_EQ(Bytes(stream.Data(), stream.Data() + stream.Length()), (Bytes{0, 1, 0, 0, 2, 0}));
    ZString text("old");
    ASSERT_EQ(KelDisassembleAtomStream(stream, text, 0), 0);
    EXPECT_TRUE(text.Equals("form_begin\r\nform_end\r\n"));
    EXPECT_EQ(KelDoAtomCallbacks(StopWith, 25, stream, 0), 25);
    EXPECT_EQ(KelDoAtomCallbacks(StopWith, 25, ZBuffer(), 0), 0);
    stream.Append("\x02\x01\x05", 3); // an argument past the end: the text up to it is kept
    EXPECT_EQ(KelDisassembleAtomStream(stream, text, 0), 11);
    EXPECT_TRUE(text.Equals("form_begin\r\nform_end\r\n"));
}

} // namespace
