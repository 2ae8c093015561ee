// The three output-buffer protocols of the exports and the results of the assembly exports.
#include "KelvaneApi.h"

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
    size = 0;
    EXPECT_EQ(KelAssembleAtomStream(text, 0, nullptr, &size), 4); // the size query
    EXPECT_EQ(size, 10u);
    size = 64;
    EXPECT_EQ(KelAssembleAtomStream(text, 0, nullptr, &size), 4); // no buffer holds nothing
    size = 10;
    ASSERT_EQ(KelAssembleAtomStream(text, 0, out, &size), 0);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(0, std::memcmp(out,
                             "\x02\x01\x07"
                             "abcdefg",
                             10));
    EXPECT_EQ(out[10], kUntouched); // no terminator
    EXPECT_EQ(KelAssembleAtomStream(text, 0, out, nullptr), 4);
}

TEST_F(KelvaneBuffers, AnEmptyByteResultFitsEveryCapacity) {
    uint32_t size = 0;
    EXPECT_EQ(KelAssembleAtomStream("", 0, nullptr, &size), 0);
    EXPECT_EQ(size, 0u);
    size = 7;
    EXPECT_EQ(KelAssembleAtomStream(nullptr, 0, nullptr, &size), 0); // null text: empty
    EXPECT_EQ(size, 0u);
}

TEST_F(KelvaneBuffers, AssemblyErrorsCarryTheLineAndTouchNothing) {
    uint8_t out[16];
    std::memset(out, kUntouched, sizeof out);
    uint32_t size = 16;
    EXPECT_EQ(KelAssembleAtomStream("form_begin\nform_end\nlabel <\"hi\"", 0, out, &size),
              (3 << 16) | 8);
    EXPECT_EQ((3 << 16) | 8, 196616);
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(out[0], kUntouched);
    // The line count is cut to 16 bits: line 65537 reports as line 1.
    std::string text;
    for (int i = 0; i < 65536; ++i)
        text += "form_begin\n";
    text += "bogus";
    EXPECT_EQ(KelAssembleAtomStream(text.c_str(), 0, nullptr, &size), (1 << 16) | 10);
}

TEST_F(KelvaneBuffers, TextResultsNeedRoomForTheTerminator) {
    // An empty text: capacity 0 asks for 1 byte; any capacity stores "" and reports 0.
    char out[8];
    uint32_t size = 0;
    EXPECT_EQ(KelDisassembleAtomStream(nullptr, 0, 0, out, &size), 4);
    EXPECT_EQ(size, 1u);
    size = 1;
    out[0] = 'z';
    EXPECT_EQ(KelDisassembleAtomStream(nullptr, 0, 0, out, &size), 0);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(out[0], 0);
    size = 8;
    EXPECT_EQ(KelDisassembleAtomStream(nullptr, 0, 0, nullptr, &size), 4);
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(KelDisassembleAtomStream(nullptr, 0, 0, out, nullptr), 4);
}

TEST_F(KelvaneBuffers, AThreeCharacterTextNeedsFourBytes) {
    KelTerminate();
    ASSERT_EQ(KelInitialize(KEL_DICTIONARY_TABLE), 0);
    const uint8_t stream[] = {0x09, 0x01, 0x00}; // atom "x": shown as x, CR, LF
    char out[8];
    std::memset(out, kUntouched, sizeof out);
    uint32_t size = 3;
    EXPECT_EQ(KelDisassembleAtomStream(stream, 3, 0, out, &size), 4);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(uint8_t(out[0]), kUntouched);
    size = 4;
    ASSERT_EQ(KelDisassembleAtomStream(stream, 3, 0, out, &size), 0);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(0, std::memcmp(out, "x\r\n", 4));
    EXPECT_EQ(uint8_t(out[4]), kUntouched);
}

TEST_F(KelvaneBuffers, DisassemblyErrorsTouchNothing) {
    const uint8_t cut[] = {0x02, 0x01, 0x05, 'a'}; // the argument runs past the end
    char out[64];
    std::memset(out, kUntouched, sizeof out);
    uint32_t size = 64;
    EXPECT_EQ(KelDisassembleAtomStream(cut, 4, 0, out, &size), 11);
    EXPECT_EQ(size, 64u);
    EXPECT_EQ(uint8_t(out[0]), kUntouched);
    EXPECT_EQ(KelDisassembleAtomStream(nullptr, 3, 0, out, &size), 11); // no bytes to read
}

TEST_F(KelvaneBuffers, EveryCutOfAStreamEndsInACleanResult) {
    Bytes stream = AssembleText("form_begin\nlabel <\"abc\">\nfont <sans, 12, heavy>\nsubform <"
                                "visible <yes>>\nform_end");
    for (size_t cut = 0; cut <= stream.size(); ++cut) {
        char out[512];
        uint32_t size = sizeof out;
        int result = KelDisassembleAtomStream(stream.data(), uint32_t(cut), 0, out, &size);
        EXPECT_TRUE(result == 0 || result == 11) << cut;
        uint8_t normal[512];
        size = sizeof normal;
        result = KelNormalizeAtomStream(stream.data(), uint32_t(cut), normal, &size);
        EXPECT_TRUE(result == 0 || result == 11) << cut;
    }
}

TEST_F(KelvaneBuffers, LookupTextsReportTheirSizeFirst) {
    char out[32];
    uint32_t size = 13; // "bold | italic" has 13 characters
    EXPECT_EQ(KelLookupAtomEnum("style", 0, 3, out, &size), 4);
    EXPECT_EQ(size, 14u);
    ASSERT_EQ(KelLookupAtomEnum("style", 0, 3, out, &size), 0);
    EXPECT_EQ(size, 14u);
    EXPECT_STREQ(out, "bold | italic");
    size = 32;
    EXPECT_EQ(KelLookupAtomEnum("nope", 0, 3, out, &size), 10);
    EXPECT_EQ(size, 32u);
}

TEST_F(KelvaneBuffers, NormalisationWritesFullFormUnderTheByteProtocol) {
    const uint8_t stream[] = {0x02, 0x01, 0x00, 0x63};
    uint8_t out[8];
    uint32_t size = 5;
    EXPECT_EQ(KelNormalizeAtomStream(stream, 4, out, &size), 4);
    EXPECT_EQ(size, 6u);
    ASSERT_EQ(KelNormalizeAtomStream(stream, 4, out, &size), 0);
    EXPECT_EQ(Bytes(out, out + size), (Bytes{0x02, 0x01, 0x00, 0x02, 0x03, 0x00}));
}

TEST_F(KelvaneBuffers, ArgumentsAssembleAndShowAlone) {
    uint8_t bytes[8];
    uint32_t size = 8;
    ASSERT_EQ(KelAssembleArgument(2, "300", 0, bytes, &size), 0);
    EXPECT_EQ(Bytes(bytes, bytes + size), (Bytes{0x01, 0x2C}));
    size = 1;
    EXPECT_EQ(KelAssembleArgument(2, "300", 0, bytes, &size), 4);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(KelAssembleArgument(2, "x", 0, bytes, &size), 16);     // no line number
    EXPECT_EQ(KelAssembleArgument(19, "bold", 0, bytes, &size), 23); // no enumeration here
    // A code outside 16 bits names no format: raw bytes, not format 70000 & 0xFFFF = 4464.
    size = 8;
    ASSERT_EQ(KelAssembleArgument(70000, "1x, 2x", 0, bytes, &size), 0);
    EXPECT_EQ(Bytes(bytes, bytes + size), (Bytes{0x01, 0x02}));

    char text[32];
    size = sizeof text;
    ASSERT_EQ(KelDisassembleArgument(2, bytes, 2, 0, text, &size), 0);
    EXPECT_STREQ(text, "258");
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(KelDisassembleArgument(18, bytes, 2, 0, text, &size), 11);
    EXPECT_EQ(KelDisassembleArgument(19, bytes, 2, 0, text, &size), 23);
    ASSERT_EQ(KelDisassembleArgument(19, bytes, 2, 0x40, text, &size), 0);
    EXPECT_STREQ(text, "258");
    size = 3;
    EXPECT_EQ(KelDisassembleArgument(2, bytes, 2, 0, text, &size), 4);
    EXPECT_EQ(size, 4u);
}

// Runs KelAssembleFragment on a copy of `source`; `rest` receives the text left over.
struct Fragment {
    int result;
    Bytes stream, argument;
    std::string rest;
};

Fragment AssembleFragmentOf(const char* source, uint32_t capacity = 256) {
    char text[256];
    std::strcpy(text, source);
    uint8_t out[256];
    uint8_t argOut[32767];
    uint32_t size = capacity;
    uint32_t argSize = 12345;
    Fragment f;
    f.result = KelAssembleFragment(text, 0, out, &size, argOut, &argSize);
    if (f.result == 0) {
        f.stream.assign(out, out + size);
        f.argument.assign(argOut, argOut + argSize);
    }
    f.rest = text;
    return f;
}

TEST_F(KelvaneBuffers, FragmentsStopAtThePlaceholder) {
    Fragment atAtom = AssembleFragmentOf("form_begin\n%\nform_end");
    EXPECT_EQ(atAtom.result, 0);
    EXPECT_EQ(atAtom.stream, (Bytes{0x00, 0x01, 0x00}));
    EXPECT_TRUE(atAtom.argument.empty());
    EXPECT_EQ(atAtom.rest, "%\nform_end");

    Fragment inArgument = AssembleFragmentOf("form_begin\nmargin <1, 2, %>\nform_end");
    EXPECT_EQ(inArgument.result, 0);
    EXPECT_EQ(inArgument.stream, (Bytes{0x00, 0x01, 0x00, 0x01, 0x07}));
    EXPECT_EQ(inArgument.argument, (Bytes{0x01, 0x02}));
    EXPECT_EQ(inArgument.rest, "%>\nform_end");

    Fragment whole = AssembleFragmentOf("form_begin\nform_end");
    EXPECT_EQ(whole.result, 0);
    EXPECT_EQ(whole.stream, (Bytes{0x00, 0x01, 0x00, 0x00, 0x02, 0x00}));
    EXPECT_TRUE(whole.argument.empty());
    EXPECT_EQ(whole.rest, "");
}

TEST_F(KelvaneBuffers, FragmentErrorsAndShortBuffersLeaveTheTextAlone) {
    Fragment error = AssembleFragmentOf("form_begin\nbogus %");
    EXPECT_EQ(error.result, (2 << 16) | 10);
    EXPECT_EQ(error.rest, "form_begin\nbogus %");
    // A retry with a larger buffer must find the same text.
    Fragment shortBuffer = AssembleFragmentOf("form_begin\nmargin <1, 2, %>", 4);
    EXPECT_EQ(shortBuffer.result, 4);
    EXPECT_EQ(shortBuffer.rest, "form_begin\nmargin <1, 2, %>");
}

} // namespace
