// The two call sites of the outside library Xlt, with the example libxlt.so (text type 258:
// letters stored one place on in the alphabet) on the library path.
#include "KelvaneApi.h"

namespace {

using KelvaneXlt = KelvaneTest;

// The last five bytes of a stream: the text of its last label.
std::string Tail(const Bytes& stream) {
    return stream.size() < 5 ? "" : std::string(stream.end() - 5, stream.end());
}

// Assembly hands Xlt the text type only under flag 0x80; disassembly hands it the type with
// its bytes exchanged (513 is not 258), for one atom after text_type_once. KelTerminate
// releases the hooks, and only KelInitialize loads Xlt, also when the table is loaded already.
TEST_F(KelvaneXlt, BothCallSitesHandOnTheTextType) {
    EXPECT_EQ(Tail(AssembleText("text_type <258>\nlabel <\"hello\">")), "hello");
    EXPECT_EQ(Tail(AssembleText("text_type <258>\nlabel <\"hello\">", 0x80)), "ifmmp");
    EXPECT_EQ(Tail(AssembleText("label <\"hello\">", 0x80)), "hello");
    const Bytes stream = AssembleText("text_type <258>\nlabel <\"ifmmp\">");
    EXPECT_EQ(DisassembleBytes(stream), "text_type <258>\r\nlabel <\"hello\">\r\n");
    EXPECT_EQ(DisassembleBytes(AssembleText("text_type <513>\nlabel <\"ifmmp\">")),
              "text_type <513>\r\nlabel <\"ifmmp\">\r\n");
    EXPECT_EQ(DisassembleBytes(AssembleText("text_type_once <258>\nlabel <\"ifmmp\">\n"
                                            "label <\"ifmmp\">")),
              "text_type_once <258>\r\nlabel <\"hello\">\r\nlabel <\"ifmmp\">\r\n");
    KelTerminate();
    EXPECT_EQ(Tail(AssembleText("text_type <258>\nlabel <\"ifmmp\">", 0x80)), "ifmmp"); // lazily
    EXPECT_EQ(DisassembleBytes(stream), "text_type <258>\r\nlabel <\"ifmmp\">\r\n");
    for (int call = 0; call < 2; ++call) {
        ASSERT_EQ(KelInitialize(nullptr), 0);
        EXPECT_EQ(DisassembleBytes(stream), "text_type <258>\r\nlabel <\"hello\">\r\n");
    }
}

} // namespace
