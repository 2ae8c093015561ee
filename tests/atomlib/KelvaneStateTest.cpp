// The caller-held state record across calls: indentation, decoder state, text types and the
// pending large atom; the one-atom exports and KelFreeState.
#include "KelvaneApi.h"

#include <cstddef>
#include <cstring>

namespace {

using KelvaneState = KelvaneTest;

// Disassembles with the record; "" and the result code in `result` on failure.
std::string WithState(const Bytes& stream, KelDisassemblyState& state, int& result, int flags = 0,
                      uint32_t capacity = 4096) {
    std::vector<char> out(4096);
    uint32_t size = capacity;
    result = KelDisassembleAtomStreamState(stream.data(), uint32_t(stream.size()), flags, &state,
                                           out.data(), &size);
    return result == 0 && size > 0 ? std::string(out.data(), size - 1) : std::string();
}

std::string WithState(const Bytes& stream, KelDisassemblyState& state) {
    int result;
    std::string text = WithState(stream, state, result);
    EXPECT_EQ(result, 0);
    return text;
}

bool AllZero(const KelDisassemblyState& state) {
    KelDisassemblyState zero;
    std::memset(&zero, 0, sizeof zero);
    return std::memcmp(&state, &zero, sizeof zero) == 0;
}

// Large atom pieces for protocol 2 atom 1 ("label").
const Bytes kLargeStart = {0x00, 0x04, 0x02, 0x02, 0x01};
const Bytes kLargeSegment = {0x00, 0x05, 0x02, 'a', 'b'};
const Bytes kLargeEnd = {0x00, 0x06, 0x01, 'c'};

Bytes Join(const Bytes& a, const Bytes& b) {
    Bytes joined = a;
    joined.insert(joined.end(), b.begin(), b.end());
    return joined;
}

TEST(KelvaneStateRecord, LayoutIsPackedWithEightBytePointers) {
    EXPECT_EQ(sizeof(KelDisassemblyState), 42u);
    EXPECT_EQ(offsetof(KelDisassemblyState, largeLength), 30u);
    EXPECT_EQ(offsetof(KelDisassemblyState, largeBlock), 34u);
    EXPECT_EQ(sizeof(KelAtomInfo), 14u);
    EXPECT_EQ(offsetof(KelAtomInfo, name), 6u);
}

TEST_F(KelvaneState, IndentationAndDecoderStateCarryOver) {
    KelDisassemblyState state = {};
    EXPECT_EQ(WithState(AssembleText("form_begin"), state), "form_begin\r\n");
    EXPECT_EQ(Field(state.indent), 1);
    EXPECT_EQ(WithState(AssembleText("label <\"a\">"), state), "  label <\"a\">\r\n");
    EXPECT_EQ(Field(state.currentProtocol), 2);
    // 63: atom 3 of the current protocol, which the record says is 2 ("visible").
    EXPECT_EQ(WithState({0x63}, state), "  visible\r\n");
    EXPECT_EQ(DisassembleBytes({0x63}), "form_id\r\n"); // from the initial state
    EXPECT_EQ(WithState(AssembleText("form_end"), state), "form_end\r\n");
    EXPECT_EQ(Field(state.indent), 0);
    // A sticky prefix survives the call: E9 makes protocols 32 and up.
    EXPECT_EQ(WithState({0xE9}, state), "");
    EXPECT_EQ(Field(state.prefixActive), 1u);
    EXPECT_EQ(Field(state.prefixSticky), 1u);
    EXPECT_EQ(Field(state.protocolOffset), 32);
    EXPECT_EQ(Field(state.atomOffset), 0);
}

TEST_F(KelvaneState, ANegativeIndentIsReadAsZero) {
    KelDisassemblyState state = {};
    state.indent = -4;
    EXPECT_EQ(WithState(AssembleText("label <\"a\">"), state), "label <\"a\">\r\n");
    EXPECT_EQ(Field(state.indent), 0);
}

TEST_F(KelvaneState, TextTypesFollowTheStreamAndTheFlags) {
    KelDisassemblyState state = {};
    WithState(AssembleText("text_type <4107>"), state);
    EXPECT_EQ(Field(state.textType), 4107);
    int result;
    WithState(AssembleText("label <\"a\">"), state, result, 0x100); // the flag wins
    EXPECT_EQ(Field(state.textType), 260);
    EXPECT_EQ(Field(state.savedTextType), 260);
    WithState(AssembleText("text_type_once <7>"), state);
    EXPECT_EQ(Field(state.textType), 7);
    EXPECT_NE(Field(state.restorePending), 0u);
    EXPECT_EQ(Field(state.savedTextType), 260);
    WithState(AssembleText("label <\"a\">"), state);
    EXPECT_EQ(Field(state.textType), 260);
    EXPECT_EQ(Field(state.restorePending), 0u);
}

TEST_F(KelvaneState, APendingLargeAtomTravelsInALibraryBlock) {
    KelDisassemblyState state = {};
    EXPECT_EQ(WithState(Join(kLargeStart, kLargeSegment), state), "");
    EXPECT_EQ(Field(state.largeProtocol), 2);
    EXPECT_EQ(Field(state.largeAtom), 1);
    ASSERT_EQ(Field(state.largeLength), 2u);
    ASSERT_NE(Field(state.largeBlock), nullptr);
    EXPECT_EQ(0, std::memcmp(Field(state.largeBlock), "ab", 2));
    EXPECT_EQ(WithState(kLargeSegment, state), "");
    ASSERT_EQ(Field(state.largeLength), 4u);
    EXPECT_EQ(0, std::memcmp(Field(state.largeBlock), "abab", 4));
    EXPECT_EQ(WithState(kLargeEnd, state), "label <\"ababc\">\r\n");
    EXPECT_EQ(Field(state.largeLength), 0u);
    EXPECT_EQ(Field(state.largeBlock), nullptr);
}

TEST_F(KelvaneState, AStartAtTheEndOfACallIsNotLost) {
    KelDisassemblyState state = {};
    EXPECT_EQ(WithState(kLargeStart, state), "");
    EXPECT_EQ(Field(state.largeProtocol), 2);
    EXPECT_EQ(Field(state.largeLength), 0u);
    EXPECT_EQ(Field(state.largeBlock), nullptr);
    EXPECT_EQ(WithState(Join(kLargeSegment, kLargeEnd), state), "label <\"abc\">\r\n");
}

TEST_F(KelvaneState, ACallThatFailsLeavesTheRecordForARetry) {
    KelDisassemblyState state = {};
    WithState(Join(kLargeStart, kLargeSegment), state);
    KelDisassemblyState before = state;
    int result;
    WithState(kLargeEnd, state, result, 0, 4); // too small for the label
    EXPECT_EQ(result, 4);
    EXPECT_EQ(0, std::memcmp(&state, &before, sizeof state));
    WithState(Join(kLargeEnd, {0x02, 0x01, 0x09}), state, result); // damaged after the end
    EXPECT_EQ(result, 11);
    EXPECT_EQ(0, std::memcmp(&state, &before, sizeof state));
    EXPECT_EQ(WithState(kLargeEnd, state), "label <\"abc\">\r\n");
}

TEST_F(KelvaneState, FreeStateZeroesTheRecordAndReleasesTheBlock) {
    KelDisassemblyState state = {};
    EXPECT_EQ(KelFreeState(&state), 0);
    EXPECT_TRUE(AllZero(state));
    WithState(Join(kLargeStart, kLargeSegment), state);
    state.indent = 3;
    ASSERT_NE(Field(state.largeBlock), nullptr);
    EXPECT_EQ(KelFreeState(&state), 0); // the leak check would catch a block left behind
    EXPECT_TRUE(AllZero(state));
    std::memset(&state, 0xAB, offsetof(KelDisassemblyState, largeBlock));
    state.largeBlock = nullptr;
    KelFreeState(&state);
    EXPECT_TRUE(AllZero(state));
    EXPECT_EQ(KelFreeState(nullptr), 0);
}

// Disassembles one atom at `indent`; "" on failure.
std::string OneAtom(int protocol, int atom, const Bytes& data, int& indent) {
    char out[256];
    uint32_t size = sizeof out;
    int result = KelDisassembleAtom(protocol, atom, data.data(), uint32_t(data.size()), 0, &indent,
                                    out, &size);
    EXPECT_EQ(result, 0);
    return result == 0 && size > 0 ? std::string(out, size - 1) : std::string();
}

TEST_F(KelvaneState, OneAtomAtATime) {
    int indent = 0;
    EXPECT_EQ(OneAtom(0, 1, {}, indent), "form_begin"); // no line break
    EXPECT_EQ(indent, 1);
    // Only the low 16 bits of protocol and atom count.
    EXPECT_EQ(OneAtom(0x10002, 0x20001, {'h', 'i'}, indent), "  label <\"hi\">");
    EXPECT_EQ(indent, 1);
    indent = 3;
    EXPECT_EQ(OneAtom(1, 2, {}, indent), "    end_group");
    EXPECT_EQ(indent, 2);
    indent = -5;
    EXPECT_EQ(OneAtom(0, 1, {}, indent), "form_begin");
    EXPECT_EQ(indent, 1);
    // Large-atom pieces show nothing and collect nothing.
    KelDisassemblyState state = {};
    char out[16];
    uint32_t size = sizeof out;
    EXPECT_EQ(KelDisassembleAtomState(0, 4, kLargeStart.data() + 3, 2, 0, &state, out, &size), 0);
    EXPECT_EQ(size, 0u);
    EXPECT_TRUE(AllZero(state));
    size = 2;
    EXPECT_EQ(KelDisassembleAtom(2, 1, nullptr, 0, 0, &indent, out, &size), 4);
    EXPECT_EQ(size, 8u); // "  label": an empty argument shows nothing
    EXPECT_EQ(indent, 1);
}

} // namespace
