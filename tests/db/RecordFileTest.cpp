// The iterator over the live records of a database file.

#include "Damage.h"
#include "DbTestUtil.h"
#include "WVEKIterator.h"

#include <gtest/gtest.h>

#include <array>

using namespace WVEK;

namespace {

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
        for (TWVEKIterator it(file, typeFilter); it.HasMore();) {
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
    {13, 'a', 0, {0, 0, 0, 0, 0}},            // at 137; 167 bytes in all
};

} // namespace

// The live records in file order, of one type when asked. A header must be where its position
// field says, with its magic, and its data within the file (checked before anything is
// allocated, also for lengths that wrap around); a length shorter than what follows makes the
// next header be looked for too early.
TEST(WVEKIterator, WalksLiveRecordsInFileOrderAndRejectsDamagedHeaders) {
    const Bytes image = DatabaseImage(kMixed);
    EXPECT_EQ(WalkImage(image).records,
              (std::vector<TSeen>{{10, 't', 25}, {11, 'p', 54}, {12, 't', 111}, {13, 'a', 137}}));
    EXPECT_EQ(WalkImage(image, 't').records, (std::vector<TSeen>{{10, 't', 25}, {12, 't', 111}}));
    EXPECT_TRUE(WalkImage(DatabaseImage({{1, 'b', kFlagDeleted, {1}}})).records.empty());
    const uint32_t damage[] = {54,      0x32443253, 54 + 22,    55,      137 + 8,
                               31,      137 + 8,    0x7FFFFFFF, 137 + 8, 0xFFFFFFFF,
                               137 + 8, 0xFFFFFFE6, 25 + 8,     2}; // offset, word
    for (size_t i = 0; i < std::size(damage); i += 2) {
        const uint32_t at = damage[i], word = damage[i + 1];
        Bytes bad = image;
        PutLE32(bad, at, word);
        EXPECT_EQ(WalkImage(bad).code, errAssert) << at << " " << word;
    }
}

// A cut file yields a prefix of the whole walk, ending cleanly at a record boundary and in an
// error elsewhere; a changed byte ends in a code too, never a crash or a hang.
TEST(WVEKIterator, EveryCutAndEveryByteChanged) {
    const Bytes image = DatabaseImage(kMixed);
    const TWalk whole = WalkImage(image);
    EXPECT_EQ(whole.code, 0u);
    ForEachDamage<uint8_t>(
        image,
        [&](const std::string& what, const Bytes& damaged) {
            const TWalk walk = WalkImage(damaged);
            const size_t n = damaged.size();
            if (n < image.size()) {
                EXPECT_EQ(walk.code == 0, n <= 25 || n == 54 || n == 82 || n == 111 || n == 137);
                ASSERT_LE(walk.records.size(), whole.records.size()) << what;
                EXPECT_TRUE(
                    std::equal(walk.records.begin(), walk.records.end(), whole.records.begin()));
            }
            EXPECT_TRUE(walk.code == 0 || walk.code == errAssert || walk.code == errEndOfData)
                << what;
            EXPECT_LE(walk.records.size(), 5u) << what;
        },
        {0, 1, {0x01, 0x80, 0xFF}});
}
