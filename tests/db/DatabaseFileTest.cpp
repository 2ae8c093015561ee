// The database file: the file check, record headers as TDBRecord reads and writes them, and
// the iterator over the live records.

#include "DatabaseFile.h"
#include "DBRecord.h"
#include "DatabaseImage.h"
#include "TempDirectory.h"
#include "TestStream.h"
#include "WVEKIterator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

using namespace WVEK;

namespace {

// A memory stream that hands out at most one byte per Read, as a file stream may.
class TTrickleStream : public LDynamicStream {
public:
    uint32_t Read(void* data, uint32_t& count) override {
        count = std::min(count, 1u);
        return LDynamicStream::Read(data, count);
    }
};

uint32_t LoadCode(const Bytes& image, uint32_t position) {
    LDynamicStream stream;
    SetBytes(stream, image);
    return CodeOf([&] { TDBRecord record(stream, position); });
}

using TSeen = std::array<uint32_t, 3>; // id, type, header position

// What an iterator over the file reports, and the code it ended with (0: a clean end).
struct TWalk {
    std::vector<TSeen> records;
    uint32_t code = 0;
};

TWalk WalkImage(const Bytes& image, uint32_t typeFilter = 0) {
    TTempDirectory dir;
    WriteBytes(dir / "db", image);
    TFile file(TFilePath(dir / "db"));
    TWalk walk;
    walk.code = CodeOf([&] {
        TWVEKIterator it(file, typeFilter);
        while (it.HasMore()) {
            TSeen seen{};
            seen[0] = it.NextWithPosition(&seen[1], &seen[2]);
            walk.records.push_back(seen);
        }
    });
    return walk;
}

const std::vector<TTestRecord> kMixed = {
    {10, 't', 0, {'a', 'b', 'c'}},            // at 25
    {11, 'p', 0, {1, 2}},                     // at 54
    {10, 't', kFlagDeleted, {'o', 'l', 'd'}}, // at 82: a dead version
    {12, 't', kFlagPermanent, {}},            // at 111
    {13, 'a', 0, {0, 0, 0, 0, 0}},            // at 137
};

} // namespace

TEST(DatabaseFile, OnlyTheNineMagicBytesMakeADatabase) {
    TTempDirectory dir;
    auto isDatabase = [&](const Bytes& bytes) {
        WriteBytes(dir / "db", bytes);
        return IsDatabaseFile(TFilePath(dir / "db"));
    };
    const Bytes header = FileHeaderImage();
    EXPECT_TRUE(isDatabase({}));
    EXPECT_TRUE(isDatabase(header));
    EXPECT_TRUE(isDatabase(DatabaseImage({{7, 't', 0, {'h', 'i'}}})));
    Bytes reserved = header;
    std::fill(reserved.begin() + 9, reserved.end(), 0xA5); // the reserved words are not read
    EXPECT_TRUE(isDatabase(reserved));
    for (size_t length = 1; length < 25; ++length)
        EXPECT_FALSE(isDatabase(Bytes(header.begin(), header.begin() + long(length)))) << length;
    for (size_t i = 0; i < 9; ++i) { // byte 8 too: "VEKDB-25" must be followed by a 0 byte
        Bytes flipped = header;
        flipped[i] ^= 0x20;
        EXPECT_FALSE(isDatabase(flipped)) << i;
    }
}

TEST(DatabaseFile, ReadExactlyLoopsOverShortReads) {
    TTrickleStream stream;
    SetBytes(stream, {1, 2, 3, 4, 5});
    uint8_t bytes[4] = {};
    ReadExactly(stream, bytes, 4);
    EXPECT_EQ(Bytes(bytes, bytes + 4), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(CodeOf([&] { ReadExactly(stream, bytes, 2); }), errEndOfData);
}

TEST(DBRecord, RewritingTheHeaderAloneKeepsDataAndReservedBytes) {
    Bytes image = DatabaseImage({{3, 'p', 0, {1, 2, 3}}, {4, 'p', 0, {4}}});
    image[25 + 14] = 0x5A; // reserved bytes of the first header
    image[25 + 21] = 0xA5;
    LDynamicStream stream;
    SetBytes(stream, image);
    TDBRecord record(stream, 25);
    record.SetFlag(kFlagDeleted, true);
    record.SetData(Bytes{7, 7, 7}.data(), 3); // loaded, but withData is false
    record.WriteTo(stream, false);
    image[25 + 13] = kFlagDeleted;
    EXPECT_EQ(BytesOf(stream), image);
}

// A header must be where its position field says, and its data within the file (checked
// before anything is allocated); a length shorter than what follows is fine for the header.
TEST(DBRecord, LoadingRejectsDamagedHeaders) {
    const Bytes image = DatabaseImage({{1, 't', 0, {'a', 'b'}}, {2, 't', 0, {'c'}}});
    EXPECT_EQ(LoadCode(image, 53), 0u);
    EXPECT_EQ(LoadCode(image, 26), errAssert); // not on a header
    EXPECT_EQ(LoadCode(image, 0x80000000u), errAssert);
    for (size_t i = 0; i < 4; ++i) {
        Bytes bad = image;
        bad[53 + i] ^= 0x01;
        EXPECT_EQ(LoadCode(bad, 53), errAssert) << i;
    }
    const struct {
        size_t at;
        uint32_t word, code;
    } words[] = {{53 + 22, 25, errAssert},
                 {53 + 8, 2, errAssert},
                 {53 + 8, 0x7FFFFFFF, errAssert},
                 {53 + 8, 0xFFFFFFFF, errAssert},
                 {25 + 8, 1, 0}};
    for (const auto& w : words) {
        Bytes bad = image;
        PutLE32(bad, w.at, w.word);
        EXPECT_EQ(LoadCode(bad, w.at < 53 ? 25 : 53), w.code) << w.at << " " << w.word;
    }
    for (size_t cut = 53; cut < 79; ++cut)
        EXPECT_EQ(LoadCode(Bytes(image.begin(), image.begin() + long(cut)), 53), errEndOfData)
            << cut;
}

TEST(WVEKIterator, WalksLiveRecordsInFileOrderByType) {
    const TWalk walk = WalkImage(DatabaseImage(kMixed));
    EXPECT_EQ(walk.code, 0u);
    EXPECT_EQ(walk.records,
              (std::vector<TSeen>{{10, 't', 25}, {11, 'p', 54}, {12, 't', 111}, {13, 'a', 137}}));
    EXPECT_EQ(WalkImage(DatabaseImage(kMixed), 't').records,
              (std::vector<TSeen>{{10, 't', 25}, {12, 't', 111}}));
    EXPECT_TRUE(WalkImage(DatabaseImage(kMixed), 'l').records.empty());
    EXPECT_TRUE(WalkImage({}).records.empty());
    const TWalk dead = WalkImage(
        DatabaseImage({{1, 'b', kFlagDeleted, {1}}, {1, 'b', kFlagDeleted | kFlagPermanent, {}}}));
    EXPECT_EQ(dead.code, 0u);
    EXPECT_TRUE(dead.records.empty());
}

// What comes out of a cut file is a prefix of the whole walk, ending cleanly at a record
// boundary and in an error elsewhere.
TEST(WVEKIterator, EveryTruncationEndsCleanlyOrInAnError) {
    const Bytes image = DatabaseImage(kMixed);
    const TWalk whole = WalkImage(image);
    for (size_t cut = 0; cut < image.size(); ++cut) {
        const TWalk walk = WalkImage(Bytes(image.begin(), image.begin() + long(cut)));
        ASSERT_LE(walk.records.size(), whole.records.size()) << cut;
        EXPECT_TRUE(std::equal(walk.records.begin(), walk.records.end(), whole.records.begin()));
        const bool boundary = cut <= 25 || cut == 54 || cut == 82 || cut == 111 || cut == 137;
        EXPECT_TRUE(boundary ? walk.code == 0 : walk.code == errAssert || walk.code == errEndOfData)
            << cut;
    }
}

// A position field naming another offset, a last record reaching past the end, and a length
// that makes the next header be looked for one byte early.
TEST(WVEKIterator, DamagedHeadersThrowAssert) {
    const struct {
        size_t at;
        uint32_t word;
    } damage[] = {{54 + 22, 55},         {137 + 8, 0x7FFFFFFF}, {137 + 8, 0xFFFFFFFF},
                  {137 + 8, 0xFFFFFFE6}, {137 + 8, 31},         {25 + 8, 2}};
    for (const auto& d : damage) {
        Bytes bad = DatabaseImage(kMixed);
        PutLE32(bad, d.at, d.word);
        EXPECT_EQ(WalkImage(bad).code, errAssert) << d.at << " " << d.word;
    }
}

TEST(WVEKIterator, FlippingAnyByteNeverCrashesOrHangs) {
    const Bytes image = DatabaseImage(kMixed);
    for (size_t i = 25; i < image.size(); ++i) {
        for (uint8_t mask : {0x01, 0x80, 0xFF}) {
            Bytes bad = image;
            bad[i] ^= mask;
            const TWalk walk = WalkImage(bad);
            EXPECT_TRUE(walk.code == 0 || walk.code == errAssert || walk.code == errEndOfData) << i;
            EXPECT_LE(walk.records.size(), 5u) << i;
        }
    }
}
