// The two call sites of the outside library Xlt, with the example libxlt.so (text type 258:
// letters stored one place on in the alphabet) on the library path.
#include "KelvaneApi.h"

#include <cstring>

namespace {

using KelvaneXlt = KelvaneTest;

// The stream of a label with `text`, after text_type <258> when `typed`.
Bytes Label(const char* text, bool typed = true) {
    Bytes stream = {0x00, 0x17, 0x02, 0x01, 0x02, 0x02, 0x01, uint8_t(std::strlen(text))};
    stream.insert(stream.end(), text, text + std::strlen(text));
    return typed ? stream : Bytes(stream.begin() + 5, stream.end());
}

TEST_F(KelvaneXlt, AssemblyHandsTheTextTypeOnlyUnderFlag0x80) {
    EXPECT_EQ(AssembleText("text_type <258>\nlabel <\"hello\">"), Label("hello")); // type 0
    EXPECT_EQ(AssembleText("text_type <258>\nlabel <\"hello\">", 0x80), Label("ifmmp"));
    EXPECT_EQ(AssembleText("label <\"hello\">", 0x80), Label("hello", false));
}

TEST_F(KelvaneXlt, DisassemblyHandsTheTextTypeWithItsBytesExchangedForOneAtomOrMore) {
    EXPECT_EQ(DisassembleBytes(AssembleText("text_type <258>\nlabel <\"ifmmp\">")),
              "text_type <258>\r\nlabel <\"hello\">\r\n");
    // Type 513 is 258 with its bytes exchanged: the hook must not see it as 258.
    EXPECT_EQ(DisassembleBytes(AssembleText("text_type <513>\nlabel <\"ifmmp\">")),
              "text_type <513>\r\nlabel <\"ifmmp\">\r\n");
    EXPECT_EQ(DisassembleBytes(AssembleText("text_type_once <258>\nlabel <\"ifmmp\">\n"
                                            "label <\"ifmmp\">")),
              "text_type_once <258>\r\nlabel <\"hello\">\r\nlabel <\"ifmmp\">\r\n");
}

TEST_F(KelvaneXlt, TerminateReleasesTheHooksAndOnlyKelInitializeLoadsXlt) {
    KelTerminate();
    Bytes stream = AssembleText("text_type <258>\nlabel <\"ifmmp\">", 0x80); // a lazy load
    EXPECT_EQ(DisassembleBytes(stream), "text_type <258>\r\nlabel <\"ifmmp\">\r\n");
    for (int call = 0; call < 2; ++call) { // also when the table is loaded already
        ASSERT_EQ(KelInitialize(nullptr), 0);
        EXPECT_EQ(DisassembleBytes(stream), "text_type <258>\r\nlabel <\"hello\">\r\n");
    }
}

} // namespace
