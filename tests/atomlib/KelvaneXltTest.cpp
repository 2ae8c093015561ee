// The two call sites of the outside library Xlt, with the example libxlt.so (text type 258:
// letters stored one place on in the alphabet) on the library path.
#include "KelvaneApi.h"

namespace {

using KelvaneXlt = KelvaneTest;

TEST_F(KelvaneXlt, AssemblyHandsTheTextTypeOnlyUnderFlag0x80) {
    const char* text = "text_type <258>\nlabel <\"hello\">";
    const Bytes header = {0x00, 0x17, 0x02, 0x01, 0x02, 0x02, 0x01, 0x05};
    Bytes plain = header, shifted = header;
    for (char c : std::string("hello"))
        plain.push_back(uint8_t(c));
    for (char c : std::string("ifmmp"))
        shifted.push_back(uint8_t(c));
    EXPECT_EQ(AssembleText(text), plain); // the hook is handed type 0
    EXPECT_EQ(AssembleText(text, 0x80), shifted);
    EXPECT_EQ(AssembleText("label <\"hello\">", 0x80), Bytes(plain.begin() + 5, plain.end()));
}

TEST_F(KelvaneXlt, AMismatchedTextTypeFromTheHookIsError28) {
    uint32_t size = 0;
    EXPECT_EQ(KelAssembleAtomStream("text_type <258>\nlabel <\"caf\xE9\">", 0x80, nullptr, &size),
              (2 << 16) | 28);
    // Under the type the hook asks for, the text assembles (only the buffer is missing).
    EXPECT_EQ(KelAssembleAtomStream("text_type <4107>\nlabel <\"caf\xE9\">", 0x80, nullptr, &size),
              4);
}

TEST_F(KelvaneXlt, DisassemblyHandsTheTextTypeWithItsBytesExchanged) {
    Bytes stream = AssembleText("text_type <258>\nlabel <\"ifmmp\">");
    EXPECT_EQ(DisassembleBytes(stream), "text_type <258>\r\nlabel <\"hello\">\r\n");
    // Type 513 is 258 with its bytes exchanged: the hook must not see it as 258.
    stream = AssembleText("text_type <513>\nlabel <\"ifmmp\">");
    EXPECT_EQ(DisassembleBytes(stream), "text_type <513>\r\nlabel <\"ifmmp\">\r\n");
}

TEST_F(KelvaneXlt, Atom22HoldsForOneAtomWhenShown) {
    Bytes stream = AssembleText("text_type_once <258>\nlabel <\"ifmmp\">\nlabel <\"ifmmp\">");
    EXPECT_EQ(DisassembleBytes(stream),
              "text_type_once <258>\r\nlabel <\"hello\">\r\nlabel <\"ifmmp\">\r\n");
}

TEST_F(KelvaneXlt, TextOfTheTypeComesBackAfterARoundTrip) {
    const char* text = "text_type <258>\r\nlabel <\"Zebra, quartz!\">\r\n";
    EXPECT_EQ(DisassembleBytes(AssembleText(text, 0x80)), text);
}

TEST_F(KelvaneXlt, TerminateReleasesTheHooksAndALazyLoadDoesNotLoadXlt) {
    KelTerminate();
    Bytes stream = AssembleText("text_type <258>\nlabel <\"ifmmp\">", 0x80);
    EXPECT_EQ(DisassembleBytes(stream), "text_type <258>\r\nlabel <\"ifmmp\">\r\n");
    // Every KelInitialize loads Xlt, also when the table is loaded already.
    ASSERT_EQ(KelInitialize(nullptr), 0);
    EXPECT_EQ(DisassembleBytes(stream), "text_type <258>\r\nlabel <\"hello\">\r\n");
    ASSERT_EQ(KelInitialize(nullptr), 0);
    EXPECT_EQ(DisassembleBytes(stream), "text_type <258>\r\nlabel <\"hello\">\r\n");
}

} // namespace
