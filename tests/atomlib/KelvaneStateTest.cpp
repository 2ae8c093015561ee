// The caller-held state record across calls: indentation, decoder state, text types and the
// pending large atom; the one-atom exports and KelFreeState.
#include "KelvaneApi.h"

#include <cstddef>
#include <cstring>
#include <tuple>

namespace {

using KelvaneState = KelvaneTest;

// Disassembles with the record; the text, or "#" and the result code.
std::string WithState(const Bytes& stream, KelDisassemblyState& state, int flags = 0,
                      uint32_t capacity = 256) {
    char out[256];
    uint32_t size = capacity;
    int result = KelDisassembleAtomStreamState(stream.data(), uint32_t(stream.size()), flags,
                                               &state, out, &size);
    if (result) return std::string("#").append(std::to_string(result));
    return size > 0 ? std::string(out, size - 1) : std::string();
}

bool AllZero(const KelDisassemblyState& state) {
    KelDisassemblyState zero;
    std::memset(&zero, 0, sizeof zero);
    return std::memcmp(&state, &zero, sizeof zero) == 0;
}

Bytes Join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Large atom pieces for protocol 2 atom 1 ("label").
const Bytes kLargeStart = {0x00, 0x04, 0x02, 0x02, 0x01};
const Bytes kLargeSegment = {0x00, 0x05, 0x02, 'a', 'b'};
const Bytes kLargeEnd = {0x00, 0x06, 0x01, 'c'};

TEST_F(KelvaneState, IndentationDecoderStateAndTextTypesCarryOver) {
    KelDisassemblyState state = {};
    state.indent = -4; // read as 0
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
    EXPECT_EQ(std::tuple(Field(state.prefixActive), Field(state.prefixSticky),
                         Field(state.protocolOffset), Field(state.atomOffset)),
              std::tuple(1u, 1u, uint16_t(32), uint16_t(0)));
    state = {};
    WithState(AssembleText("text_type <4107>"), state);
    EXPECT_EQ(Field(state.textType), 4107);
    WithState(AssembleText("label <\"a\">"), state, 0x100); // the flag wins
    EXPECT_EQ(std::tuple(Field(state.textType), Field(state.savedTextType)), std::tuple(260, 260));
    WithState(AssembleText("text_type_once <7>"), state);
    EXPECT_EQ(std::tuple(Field(state.textType), Field(state.savedTextType)), std::tuple(7, 260));
    EXPECT_NE(Field(state.restorePending), 0u);
    WithState(AssembleText("label <\"a\">"), state);
    EXPECT_EQ(Field(state.textType), 260);
    EXPECT_EQ(Field(state.restorePending), 0u);
}

TEST_F(KelvaneState, APendingLargeAtomTravelsInALibraryBlock) {
    KelDisassemblyState state = {};
    EXPECT_EQ(WithState(kLargeStart, state), ""); // a start at the end of a call is not lost
    EXPECT_EQ(std::tuple(Field(state.largeProtocol), Field(state.largeAtom)), std::tuple(2, 1));
    EXPECT_EQ(Field(state.largeBlock), nullptr);
    EXPECT_EQ(WithState(kLargeSegment, state), "");
    ASSERT_EQ(Field(state.largeLength), 2u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(Field(state.largeBlock)), 2), "ab");
    EXPECT_EQ(WithState(kLargeSegment, state), "");
    ASSERT_EQ(Field(state.largeLength), 4u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(Field(state.largeBlock)), 4), "abab");
    // A call that fails leaves the record as it was, for a retry.
    KelDisassemblyState before = state;
    EXPECT_EQ(WithState(kLargeEnd, state, 0, 4), "#4"); // too small for the label
    EXPECT_EQ(std::memcmp(&state, &before, sizeof state), 0);
    EXPECT_EQ(WithState(Join(kLargeEnd, {0x02, 0x01, 0x09}), state), "#11");
    EXPECT_EQ(std::memcmp(&state, &before, sizeof state), 0);
    EXPECT_EQ(WithState(kLargeEnd, state), "label <\"ababc\">\r\n");
    // Completed: nothing pending, protocol and atom included.
    EXPECT_EQ(std::tuple(Field(state.largeProtocol), Field(state.largeAtom),
                         Field(state.largeLength), Field(state.largeBlock)),
              std::tuple(0, 0, 0u, nullptr));
}

TEST_F(KelvaneState, FreeStateZeroesTheRecordAndReleasesTheBlock) {
    KelDisassemblyState state = {};
    EXPECT_EQ(KelFreeState(&state), 0);
    EXPECT_TRUE(AllZero(state));
    WithState(Join(kLargeStart, kLargeSegment), state);
    ASSERT_NE(Field(state.largeBlock), nullptr);
    std::memset(&state, 0xAB, offsetof(KelDisassemblyState, largeLength));
    EXPECT_EQ(KelFreeState(&state), 0); // the leak check would catch a block left behind
    EXPECT_TRUE(AllZero(state));
    EXPECT_EQ(KelFreeState(nullptr), 0);
}

// Disassembles one atom at `indent`; the text, or "#" and the result code.
std::string OneAtom(int protocol, int atom, const Bytes& data, int& indent, uint32_t size = 256) {
    char out[256];
    int result = KelDisassembleAtom(protocol, atom, data.data(), uint32_t(data.size()), 0, &indent,
                                    out, &size);
    if (result)
        return std::string("#")
            .append(std::to_string(result))
            .append(" size ")
            .append(std::to_string(size));
    return size > 0 ? std::string(out, size - 1) : std::string();
}

TEST_F(KelvaneState, OneAtomAtATime) {
    int indent = -5;
    EXPECT_EQ(OneAtom(0, 1, {}, indent), "form_begin"); // no line break
    EXPECT_EQ(indent, 1);
    // Only the low 16 bits of protocol and atom count.
    EXPECT_EQ(OneAtom(0x10002, 0x20001, {'h', 'i'}, indent), "  label <\"hi\">");
    indent = 3;
    EXPECT_EQ(OneAtom(1, 2, {}, indent), "    end_group");
    EXPECT_EQ(indent, 2);
    indent = 1;
    EXPECT_EQ(OneAtom(2, 1, {}, indent, 2), "#4 size 8"); // "  label": nothing copied
    EXPECT_EQ(indent, 1);
    // Large-atom pieces show nothing and collect nothing.
    KelDisassemblyState state = {};
    char out[16];
    uint32_t size = sizeof out;
    EXPECT_EQ(KelDisassembleAtomState(0, 4, kLargeStart.data() + 3, 2, 0, &state, out, &size), 0);
    EXPECT_EQ(size, 0u);
    EXPECT_TRUE(AllZero(state));
}

} // namespace
