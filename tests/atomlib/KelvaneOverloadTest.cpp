// The C++ overloads of kelvane.hpp, called with the library's own buffer and text classes.
#include "KelvaneApi.h"
#include "kelvane.hpp"

namespace {

using KelvaneOverloads = KelvaneTest;

TEST_F(KelvaneOverloads, AssembleReplacesTheStreamOnlyOnSuccess) {
    ZBuffer stream("old", 3);
    ASSERT_EQ(KelAssembleAtomStream(ZString("label <\"hi\">"), stream, 0), 0);
    EXPECT_EQ(Bytes(stream.Data(), stream.Data() + stream.Length()),
              (Bytes{0x02, 0x01, 0x02, 'h', 'i'}));
    EXPECT_EQ(KelAssembleAtomStream(ZString("form_begin\nlabel <\"hi\""), stream, 0),
              (2 << 16) | 8);
    EXPECT_EQ(stream.Length(), 5u);
}

TEST_F(KelvaneOverloads, DisassembleKeepsTheTextUpToAnError) {
    ZBuffer stream;
    ASSERT_EQ(KelAssembleAtomStream(ZString("form_begin\nform_end"), stream, 0), 0);
    ZString text("old");
    ASSERT_EQ(KelDisassembleAtomStream(stream, text, 0), 0);
    EXPECT_TRUE(text.Equals("form_begin\r\nform_end\r\n"));
    stream.Append("\x02\x01\x05", 3); // an argument past the end
    EXPECT_EQ(KelDisassembleAtomStream(stream, text, 0), 11);
    EXPECT_TRUE(text.Equals("form_begin\r\nform_end\r\n"));
}

int gAtoms = 0;

int32_t CountAtoms(uint32_t, uint16_t, uint16_t, const uint8_t*, uint16_t) {
    ++gAtoms;
    return 0;
}

int32_t StopAtOnce(uint32_t user, uint16_t, uint16_t, const uint8_t*, uint16_t) {
    return int32_t(user);
}

TEST_F(KelvaneOverloads, CallbacksOverABuffer) {
    ZBuffer stream;
    ASSERT_EQ(KelAssembleAtomStream(ZString("form_begin\nform_end"), stream, 0), 0);
    EXPECT_EQ(KelDoAtomCallbacks(StopAtOnce, 25, stream, 0), 25);
    EXPECT_EQ(KelDoAtomCallbacks(StopAtOnce, 0, stream, 0), 0);
    gAtoms = 0;
    EXPECT_EQ(KelDoAtomCallbacks(CountAtoms, 0, stream, 0), 0);
    EXPECT_EQ(gAtoms, 2);
    EXPECT_EQ(KelDoAtomCallbacks(CountAtoms, 0, ZBuffer(), 0), 0);
    EXPECT_EQ(gAtoms, 2);
}

} // namespace
