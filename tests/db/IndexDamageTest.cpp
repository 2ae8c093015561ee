// Damaged index files: every one ends in a clear error code (errAssert for a damaged tree),
// never in a crash, an endless loop or a read outside a node.

#include "IndexTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace WVEK;
using WVEK::IndexFormat::kNodeSize;
using WVEK::IndexFormat::kNone;

namespace {

std::vector<uint8_t> TwoLevelFile() {
    LDynamicStream file;
    auto index = OpenIndex(file);
    InsertAll(*index, Range(1, 21));
    EXPECT_EQ(index->Flush(false), 0u);
    return BytesOf(file);
}

TNodeView NodeAt(std::vector<uint8_t>& bytes, uint32_t number) {
    return TNodeView(bytes.data() + IndexFormat::NodeOffset(number));
}

// Runs every operation on the index in `bytes`; each either works or throws a
// TTolvException. Returns the codes thrown, in order (0 for an operation that returned).
std::vector<uint32_t> Exercise(const std::vector<uint8_t>& bytes) {
    LDynamicStream file;
    SetBytes(file, bytes);
    std::vector<uint32_t> codes;
    std::unique_ptr<TFileIndex> index;
    codes.push_back(CodeOf([&] { index = OpenIndex(file); }));
    if (!index) return codes;
    uint32_t value;
    codes.push_back(CodeOf([&] { index->Check(); }));
    for (int32_t key : {0, 1, 11, 15, 21, 30}) {
        codes.push_back(CodeOf([&] { index->Find(key, value); }));
        codes.push_back(CodeOf([&] { index->Update(key, 1); }));
    }
    for (int32_t key : {15, 11, 0, 22, 5})
        codes.push_back(CodeOf([&] { index->Delete(key); }));
    for (int32_t key : {-3, 16, 40})
        codes.push_back(CodeOf([&] { index->Insert(key, 1); }));
    codes.push_back(index->Flush(true));
    return codes;
}

bool OnlyKnownCodes(const std::vector<uint32_t>& codes) {
    for (uint32_t code : codes)
        if (code != 0 && code != errAssert && code != errEndOfData) return false;
    return true;
}

} // namespace

TEST(IndexDamage, ShortOrForeignHeadersAreRejected) {
    std::vector<uint8_t> bytes = TwoLevelFile();
    for (size_t length = 1; length < 16; ++length) {
        LDynamicStream file;
        SetBytes(file, std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(length)));
        EXPECT_EQ(CodeOf([&] { OpenIndex(file); }), errAssert) << length;
    }
    for (size_t at = 0; at < 9; ++at) {
        std::vector<uint8_t> damaged = bytes;
        damaged[at] ^= 0x20;
        EXPECT_EQ(Exercise(damaged).front(), errAssert) << at;
    }
}

TEST(IndexDamage, VersionTextIsReadAsADecimalNumber) {
    struct {
        const char text[4];
        uint32_t code;
        int32_t version;
    } cases[] = {{"1", 0, 1},  {"0", 0, 0},         {"", 0, 0},           {"01", 0, 1},
                 {"1x", 0, 1}, {"2", errAssert, 0}, {"10", errAssert, 0}, {"-1", errAssert, 0}};
    std::vector<uint8_t> bytes = TwoLevelFile();
    for (const auto& c : cases) {
        std::vector<uint8_t> damaged = bytes;
        for (int i = 0; i < 3; ++i)
            damaged[size_t(9 + i)] = uint8_t(c.text[i]);
        LDynamicStream file;
        SetBytes(file, damaged);
        std::unique_ptr<TFileIndex> index;
        EXPECT_EQ(CodeOf([&] { index = OpenIndex(file); }), c.code) << c.text;
        if (index) {
            EXPECT_EQ(index->GetVersion(), c.version) << c.text;
        }
    }
    // Without a 0 byte the digits run on into the root field, up to the end of the header.
    std::vector<uint8_t> damaged = bytes;
    std::memcpy(damaged.data() + 9, "0000001", 7);
    LDynamicStream file;
    SetBytes(file, damaged);
    std::unique_ptr<TFileIndex> index = OpenIndex(file);
    EXPECT_EQ(index->GetVersion(), 1);
    EXPECT_EQ(index->GetRoot(), 0x31303030u); // "0001"
    uint32_t value;
    EXPECT_EQ(CodeOf([&] { index->Find(1, value); }), errAssert);
    std::memcpy(damaged.data() + 9, "1000000", 7);
    SetBytes(file, damaged);
    EXPECT_EQ(CodeOf([&] { OpenIndex(file); }), errAssert);
}

TEST(IndexDamage, NodeCountAboveTwentyIsRejected) {
    std::vector<uint8_t> bytes = TwoLevelFile();
    bytes[16 + kNodeSize * 1] = 21;
    LDynamicStream file;
    SetBytes(file, bytes);
    auto index = OpenIndex(file);
    uint32_t value;
    EXPECT_TRUE(index->Find(3, value));
    EXPECT_EQ(CodeOf([&] { index->Find(15, value); }), errAssert);
    EXPECT_EQ(CodeOf([&] { index->Check(); }), errAssert);
}

TEST(IndexDamage, ChildBeyondTheFileIsRejected) {
    std::vector<uint8_t> bytes = TwoLevelFile();
    NodeAt(bytes, 2).SetChild(1, 3);
    LDynamicStream file;
    SetBytes(file, bytes);
    auto index = OpenIndex(file);
    uint32_t value;
    EXPECT_EQ(CodeOf([&] { index->Find(15, value); }), errAssert);
    EXPECT_EQ(CodeOf([&] { index->Insert(15, 1); }), errAssert);
    EXPECT_EQ(CodeOf([&] { index->Delete(15); }), errAssert);
    EXPECT_FALSE(index->IsDirty());
    // A root beyond the file, too.
    bytes = TwoLevelFile();
    bytes[12] = 9;
    SetBytes(file, bytes);
    index = OpenIndex(file);
    EXPECT_EQ(CodeOf([&] { index->Find(1, value); }), errAssert);
}

TEST(IndexDamage, ACycleEndsInErrAssertWithNothingChanged) {
    std::vector<uint8_t> bytes = TwoLevelFile();
    NodeAt(bytes, 2).SetChild(1, 2); // the root is its own right child
    LDynamicStream file;
    SetBytes(file, bytes);
    auto index = OpenIndex(file);
    uint32_t value;
    EXPECT_EQ(CodeOf([&] { index->Find(15, value); }), errAssert);
    EXPECT_EQ(CodeOf([&] { index->Insert(15, 1); }), errAssert);
    EXPECT_EQ(CodeOf([&] { index->Delete(15); }), errAssert);
    EXPECT_FALSE(index->Check());
    EXPECT_FALSE(index->IsDirty());
    EXPECT_TRUE(index->Find(5, value)); // the sound half still answers
}

TEST(IndexDamage, ASiblingSharedWithTheChildIsRejected) {
    std::vector<uint8_t> bytes = TwoLevelFile();
    NodeAt(bytes, 2).SetChild(1, 0); // both children of the root are node 0
    LDynamicStream file;
    SetBytes(file, bytes);
    auto index = OpenIndex(file);
    EXPECT_EQ(CodeOf([&] { index->Delete(5); }), errAssert);
    EXPECT_FALSE(index->IsDirty());
    EXPECT_FALSE(index->Check());
}

TEST(IndexDamage, ATreeDeeperThanTheLimitIsRejected) {
    // 70 inner nodes without keys, each leading to the next, then a leaf.
    std::vector<uint8_t> bytes(16 + 71 * kNodeSize, 0xFF);
    std::memcpy(bytes.data(),
                "VEKINDEX\0"
                "1\0\0\0\0\0\0",
                16);
    for (uint32_t n = 0; n < 71; ++n) {
        TNodeView node = NodeAt(bytes, n);
        node.SetCount(0);
        if (n < 70) node.SetChild(0, n + 1);
    }
    LDynamicStream file;
    SetBytes(file, bytes);
    auto index = OpenIndex(file);
    uint32_t value;
    EXPECT_EQ(CodeOf([&] { index->Find(1, value); }), errAssert);
    EXPECT_EQ(CodeOf([&] { index->Insert(1, 1); }), errAssert);
    EXPECT_EQ(CodeOf([&] { index->Delete(1); }), errAssert);
    EXPECT_FALSE(index->Check());
}

TEST(IndexDamage, CuttingTheFileAtEveryLength) {
    LDynamicStream source;
    {
        auto index = OpenIndex(source);
        InsertAll(*index, Range(1, 300));
        ASSERT_EQ(index->Flush(false), 0u);
    }
    std::vector<uint8_t> bytes = BytesOf(source);
    for (size_t length = 16; length < bytes.size(); length += 7) {
        std::vector<uint32_t> codes =
            Exercise(std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(length)));
        EXPECT_TRUE(OnlyKnownCodes(codes)) << length;
    }
}

TEST(IndexDamage, FlippingEveryByte) {
    std::vector<uint8_t> bytes = TwoLevelFile();
    for (size_t at = 0; at < bytes.size(); ++at) {
        for (uint8_t mask : {0x01, 0x80, 0xFF}) {
            std::vector<uint8_t> damaged = bytes;
            damaged[at] ^= mask;
            std::vector<uint32_t> codes = Exercise(damaged);
            ASSERT_TRUE(OnlyKnownCodes(codes)) << at << " " << int(mask);
        }
    }
}
