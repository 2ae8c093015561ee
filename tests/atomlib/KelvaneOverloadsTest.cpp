// The C++ overloads of kelvane.hpp, in a file of their own: beside them, the names of the
// plain exports are overloaded and cannot be passed as function pointers.
#include "KelvaneApi.h"
#include "kelvane.hpp"

namespace {

using KelvaneOverloads = KelvaneTest;

int32_t StopWith(uint32_t user, uint16_t, uint16_t, const uint8_t*, uint16_t) {
    return int32_t(user);
}

// The C++ overloads work on the library's own buffers: unchanged on failure, replaced on
// success; a disassembly keeps the text up to an error.
TEST_F(KelvaneOverloads, WorkOnTheLibrarysOwnBuffers) {
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

} // namespace
