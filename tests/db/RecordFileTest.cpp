// The database file below TWVEK_DB: the iterator over the live records, and the record cache
// with its flush of records and index together.

#include "DBRecord.h"
#include "Damage.h"
#include "DatabaseFile.h"
#include "DbTestUtil.h"
#include "WVEKCache.h"
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

// A header must be where its position field says, with its magic, and its data within the
// file (checked before anything is allocated, also for lengths that wrap around); a length
// shorter than what follows makes the next header be looked for too early.
TEST(WVEKIterator, DamagedHeadersEndInAnError) {
    const struct {
        uint32_t at, word;
    } cases[] = {{54, 0x32443253},      {54 + 22, 55},         {137 + 8, 31}, {137 + 8, 0x7FFFFFFF},
                 {137 + 8, 0xFFFFFFFF}, {137 + 8, 0xFFFFFFE6}, {25 + 8, 2}};
    for (const auto& c : cases) {
        Bytes bad = DatabaseImage(kMixed);
        PutLE32(bad, c.at, c.word);
        EXPECT_EQ(WalkImage(bad).code, errAssert) << c.at << " " << c.word;
    }
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

// A cut file yields a prefix of the whole walk, ending cleanly at a record boundary and in an
// error elsewhere; a changed byte ends in a code too, never a crash or a hang.
TEST(WVEKIterator, EveryCutAndEveryByteChanged) {
    const Bytes image = DatabaseImage(kMixed);
    const TWalk whole = WalkImage(image);
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

// ---- The record cache ----------------------------------------------------------------------

// Flushes forced by the cache limit write without a sync; the next durable flush syncs both
// files even when nothing changed since the forced one, and one with nothing to write writes
// nothing.
TEST(WVEKCache, ForcedFlushesSkipTheSyncAndTheFinalFlushSyncsBothFiles) {
    LDynamicStream file, indexFile;
    int32_t syncs[2] = {}; // of the database file and of the index
    SetBytes(file, DatabaseImage({}));
    TTestStream stream(file, &syncs[0]);
    TWVEKCache cache("/test/db", &stream);
    std::unique_ptr<TFileIndex> index = OpenIndex(indexFile, &syncs[1]);
    TCacheSync sync;
    cache.SetSync(&sync); // records first, as the database registers them
    index->SetSync(&sync);
    uint32_t id = 0;
    do {
        auto* record = new TDBRecord();
        record->SetId(++id);
        record->SetData(Bytes(2000, uint8_t(id)).data(), 2000);
        record->SetPosition(cache.Allocate(2000));
        cache.Hold(record);
        index->Insert(int32_t(id), record->GetPosition());
        cache.Trim();
    } while (cache.GetHeldBytes() != 0);
    EXPECT_EQ(file.GetSize(), int32_t(25 + id * 2026));
    EXPECT_GT(indexFile.GetSize(), 16);
    EXPECT_EQ(syncs[0] + syncs[1], 0);
    EXPECT_TRUE(cache.IsDirty() && index->IsDirty());
    ASSERT_EQ(cache.Flush(false), 0u);
    EXPECT_EQ(syncs[0], 1);
    EXPECT_EQ(syncs[1], 1);
    EXPECT_FALSE(cache.IsDirty() || index->IsDirty());
    const Bytes data = BytesOf(file), nodes = BytesOf(indexFile);
    ASSERT_EQ(sync.FlushAll(true), 0u);
    EXPECT_EQ(syncs[0] + syncs[1], 2);
    EXPECT_EQ(BytesOf(file), data);
    EXPECT_EQ(BytesOf(indexFile), nodes);
}
