// Damaged index files: every one ends in a clear error code (errAssert for a damaged tree),
// never in a crash, an endless loop or a read outside a node.

#include "IndexTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace WVEK;
using WVEK::IndexFormat::kNodeSize;

namespace {

// Runs every operation on the index in `bytes`; each either works or throws a
// TTolvException of a known code.
bool OnlyKnownCodes(const Bytes& bytes) {
    LDynamicStream file;
    SetBytes(file, bytes);
    std::vector<uint32_t> codes;
    std::unique_ptr<TFileIndex> index;
    codes.push_back(CodeOf([&] { index = OpenIndex(file); }));
    if (index) {
        codes.push_back(CodeOf([&] { index->Check(); }));
        for (int32_t key : {0, 1, 11, 15, 21, 30}) {
            codes.push_back(CodeOf([&] { ValueOf(*index, key); }));
            codes.push_back(CodeOf([&] { index->Update(key, 1); }));
        }
        for (int32_t key : {15, 11, 0, 22, 5})
            codes.push_back(CodeOf([&] { index->Delete(key); }));
        for (int32_t key : {-3, 16, 40})
            codes.push_back(CodeOf([&] { index->Insert(key, 1); }));
        codes.push_back(index->Flush(true));
    }
    for (uint32_t code : codes)
        if (code != 0 && code != errAssert && code != errEndOfData) return false;
    return true;
}

uint32_t OpenCode(const Bytes& bytes) {
    LDynamicStream file;
    SetBytes(file, bytes);
    return CodeOf([&] { OpenIndex(file); });
}

} // namespace

TEST(IndexDamage, AShortHeaderIsRejected) {
    const Bytes bytes = TwoLeavesImage();
    for (size_t length = 1; length < 16; ++length)
        EXPECT_EQ(OpenCode(Bytes(bytes.begin(), bytes.begin() + long(length))), errAssert)
            << length;
}

// The version is read as strtol reads decimal text; without a 0 byte the digits run on into
// the root field, up to the end of the header.
TEST(IndexDamage, VersionTextIsReadAsADecimalNumber) {
    const struct {
        const char* text; // 7 bytes from offset 9
        uint32_t code;
        int32_t version;
    } cases[] = {{"1", 0, 1},          {"0", 0, 0},
                 {"", 0, 0},           {"01", 0, 1},
                 {"1x", 0, 1},         {"2", errAssert, 0},
                 {"10", errAssert, 0}, {"-1", errAssert, 0},
                 {"0000001", 0, 1},    {"1000000", errAssert, 0}};
    for (const auto& c : cases) {
        Bytes damaged = TwoLeavesImage();
        std::memset(damaged.data() + 9, 0, 3);
        std::memcpy(damaged.data() + 9, c.text, std::strlen(c.text));
        LDynamicStream file;
        SetBytes(file, damaged);
        std::unique_ptr<TFileIndex> index;
        EXPECT_EQ(CodeOf([&] { index = OpenIndex(file); }), c.code) << c.text;
        if (index) {
            EXPECT_EQ(index->GetVersion(), c.version) << c.text;
        }
    }
}

// Each damage to the tree of TwoLeavesImage ends the operations that meet it in errAssert and
// changes nothing; a cycle must not become an endless descent.
TEST(IndexDamage, DamagedTreesAreRejected) {
    const size_t rootChild1 = 16 + 2 * kNodeSize + 162 + 4;
    const struct {
        const char* what;
        size_t at;
        uint8_t byte;
        int32_t key;
        bool insertMeetsIt;
    } cases[] = {
        {"a node count above 20", 16 + kNodeSize, 21, 15, true},
        {"a child beyond the file", rootChild1, 3, 15, true},
        {"a root beyond the file", 12, 9, 1, true},
        {"the root as its own child", rootChild1, 2, 15, true},
        {"a child shared with its sibling", rootChild1, 0, 5, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bytes = TwoLeavesImage();
        bytes[c.at] = c.byte;
        LDynamicStream file;
        SetBytes(file, bytes);
        auto index = OpenIndex(file);
        EXPECT_EQ(CodeOf([&] { index->Delete(c.key); }), errAssert);
        if (c.insertMeetsIt) {
            EXPECT_EQ(CodeOf([&] { ValueOf(*index, c.key); }), errAssert);
            EXPECT_EQ(CodeOf([&] { index->Insert(c.key, 1); }), errAssert);
        }
        EXPECT_FALSE(index->IsDirty());
        bool sound = true;
        const uint32_t code = CodeOf([&] { sound = index->Check(); });
        EXPECT_TRUE(code == errAssert || (code == 0 && !sound));
    }
}

TEST(IndexDamage, CuttingTheFileAtEveryLength) {
    LDynamicStream source;
    auto index = OpenIndex(source);
    InsertAll(*index, Range(1, 300));
    ASSERT_EQ(index->Flush(false), 0u);
    const Bytes bytes = BytesOf(source);
    for (size_t length = 16; length < bytes.size(); length += 7)
        EXPECT_TRUE(OnlyKnownCodes(Bytes(bytes.begin(), bytes.begin() + long(length)))) << length;
}

TEST(IndexDamage, FlippingEveryByte) {
    const Bytes bytes = TwoLeavesImage();
    for (size_t at = 0; at < bytes.size(); ++at) {
        for (uint8_t mask : {0x01, 0x80, 0xFF}) {
            Bytes damaged = bytes;
            damaged[at] ^= mask;
            ASSERT_TRUE(OnlyKnownCodes(damaged)) << at << " " << int(mask);
        }
    }
}
