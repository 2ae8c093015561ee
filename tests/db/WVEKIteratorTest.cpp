#include "WVEKIterator.h"
#include "DatabaseImage.h"
#include "Exception.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <vector>

using namespace WVEK;

namespace {

using Bytes = std::vector<uint8_t>;

struct Seen {
    uint32_t id;
    uint32_t type;
    uint32_t position;
    bool operator==(const Seen&) const = default;
};

// What an iterator over the file reports, and the code it ended with (0: a clean end).
struct Walk {
    std::vector<Seen> records;
    uint32_t code = 0;
};

class WVEKIteratorTest : public ::testing::Test {
protected:
    Walk WalkImage(const Bytes& image, uint32_t typeFilter = 0) {
        WriteBytes(fDir / "db", image);
        TFile file(TFilePath(fDir / "db"));
        Walk walk;
        try {
            TWVEKIterator it(file, typeFilter);
            while (it.HasMore()) {
                Seen seen{};
                seen.id = it.NextWithPosition(&seen.type, &seen.position);
                walk.records.push_back(seen);
            }
        } catch (const TTolvException& e) {
            walk.code = e.code;
        }
        return walk;
    }

    TTempDirectory fDir;
};

const std::vector<TTestRecord> kMixed = {
    {10, 't', 0, {'a', 'b', 'c'}},            // at 25
    {11, 'p', 0, {1, 2}},                     // at 54
    {10, 't', kFlagDeleted, {'o', 'l', 'd'}}, // at 82: a dead version
    {12, 't', kFlagPermanent, {}},            // at 111
    {13, 'a', 0, {0, 0, 0, 0, 0}},            // at 137
};

} // namespace

TEST_F(WVEKIteratorTest, WalksLiveRecordsInFileOrder) {
    const Walk walk = WalkImage(DatabaseImage(kMixed));
    EXPECT_EQ(walk.code, 0u);
    EXPECT_EQ(walk.records,
              (std::vector<Seen>{{10, 't', 25}, {11, 'p', 54}, {12, 't', 111}, {13, 'a', 137}}));
}

TEST_F(WVEKIteratorTest, FiltersByTypeAndSkipsDeletedVersions) {
    const Walk walk = WalkImage(DatabaseImage(kMixed), 't');
    EXPECT_EQ(walk.records, (std::vector<Seen>{{10, 't', 25}, {12, 't', 111}}));
    EXPECT_TRUE(WalkImage(DatabaseImage(kMixed), 'l').records.empty());
}

TEST_F(WVEKIteratorTest, EmptyFilesAndDeadFilesHaveNothing) {
    EXPECT_TRUE(WalkImage({}).records.empty());
    EXPECT_TRUE(WalkImage(FileHeaderImage()).records.empty());
    const Walk dead = WalkImage(
        DatabaseImage({{1, 'b', kFlagDeleted, {1}}, {1, 'b', kFlagDeleted | kFlagPermanent, {}}}));
    EXPECT_EQ(dead.code, 0u);
    EXPECT_TRUE(dead.records.empty());
}

TEST_F(WVEKIteratorTest, NextPastTheEndReturnsNoRecord) {
    WriteBytes(fDir / "db", DatabaseImage({{5, 'l', 0, {}}}));
    TFile file(TFilePath(fDir / "db"));
    TWVEKIterator it(file, 0);
    uint32_t type = 0;
    EXPECT_EQ(it.Next(&type), 5u);
    EXPECT_EQ(type, uint32_t('l'));
    EXPECT_FALSE(it.HasMore());
    EXPECT_EQ(it.Next(&type), kNoRecordId);
    EXPECT_EQ(type, 0u);
    EXPECT_EQ(it.Next(nullptr), kNoRecordId);
}

TEST_F(WVEKIteratorTest, SeesRecordsAppendedWhileItWalks) {
    Bytes image = DatabaseImage({{1, 'b', 0, {1}}});
    WriteBytes(fDir / "db", image);
    TFile file(TFilePath(fDir / "db"));
    TWVEKIterator it(file, 0);
    AppendRecord(image, {2, 'b', 0, {2}});
    WriteBytes(fDir / "db", image); // the size is asked anew at each step
    EXPECT_EQ(it.Next(nullptr), 1u);
    ASSERT_TRUE(it.HasMore());
    EXPECT_EQ(it.Next(nullptr), 2u);
    EXPECT_FALSE(it.HasMore());
}

TEST_F(WVEKIteratorTest, TheFileMustOpen) {
    TFile file(TFilePath(fDir / "missing"));
    try {
        TWVEKIterator it(file, 0);
        FAIL() << "opened a missing file";
    } catch (const TTolvException& e) {
        EXPECT_EQ(e.code, 2u);
    }
}

TEST_F(WVEKIteratorTest, EveryTruncationEndsCleanlyOrInAnError) {
    const Bytes image = DatabaseImage(kMixed);
    const Walk whole = WalkImage(image);
    for (size_t cut = 0; cut < image.size(); ++cut) {
        const Walk walk = WalkImage(Bytes(image.begin(), image.begin() + long(cut)));
        // What comes out is always a prefix of the whole walk.
        ASSERT_LE(walk.records.size(), whole.records.size()) << cut;
        for (size_t i = 0; i < walk.records.size(); ++i)
            EXPECT_EQ(walk.records[i], whole.records[i]) << cut;
        const bool onBoundary = cut <= 25 || cut == 54 || cut == 82 || cut == 111 || cut == 137;
        if (onBoundary)
            EXPECT_EQ(walk.code, 0u) << cut;
        else
            EXPECT_TRUE(walk.code == errAssert || walk.code == errEndOfData) << cut;
    }
}

TEST_F(WVEKIteratorTest, DamagedHeadersThrowAssert) {
    Bytes moved = DatabaseImage(kMixed);
    PutLE32(moved, 54 + 22, 55); // the second header claims another offset
    Walk walk = WalkImage(moved);
    EXPECT_EQ(walk.code, errAssert);
    EXPECT_EQ(walk.records.size(), 0u); // the first Next had to find the second record

    for (uint32_t length : {0x7FFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFE6u, 31u}) {
        Bytes longer = DatabaseImage(kMixed);
        PutLE32(longer, 137 + 8, length); // the last record reaches past the end
        EXPECT_EQ(WalkImage(longer).code, errAssert) << length;
    }
    Bytes gap = DatabaseImage(kMixed);
    PutLE32(gap, 25 + 8, 2); // the next header is then looked for one byte early
    EXPECT_EQ(WalkImage(gap).code, errAssert);
}

TEST_F(WVEKIteratorTest, FlippingAnyByteNeverCrashesOrHangs) {
    const Bytes image = DatabaseImage(kMixed);
    for (size_t i = 25; i < image.size(); ++i) {
        for (uint8_t mask : {uint8_t(0x01), uint8_t(0x80), uint8_t(0xFF)}) {
            Bytes bad = image;
            bad[i] ^= mask;
            const Walk walk = WalkImage(bad);
            EXPECT_TRUE(walk.code == 0 || walk.code == errAssert || walk.code == errEndOfData) << i;
            EXPECT_LE(walk.records.size(), 5u) << i;
        }
    }
}
