// TWVEK_DB::Compact: the packed file, and the old database back under its name after a failure
// at each stage.

#include "DatabaseTestUtil.h"
#include "Exception.h"
#include "TestStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

using namespace WVEK;

namespace {

class DBCompactTest : public ::testing::Test {
protected:
    // Records 1 to 4, with dead versions behind 1 and 3, a zero-length record and a deleted one.
    void BuildWithDeadVersions() {
        std::unique_ptr<TWVEK_DB> db = fFiles.Open();
        ASSERT_TRUE(PutBytes(*db, 1, {1}, 't'));
        ASSERT_TRUE(PutBytes(*db, 2, {2, 2}, 'p'));
        ASSERT_TRUE(PutBytes(*db, 3, {}, 'a'));
        ASSERT_TRUE(PutBytes(*db, 9, {9, 9, 9}));
        ASSERT_EQ(db->Flush(true), 0u);
        ASSERT_TRUE(PutBytes(*db, 1, {1, 1, 1}));
        ASSERT_TRUE(PutBytes(*db, 3, {3}));
        ASSERT_TRUE(PutBytes(*db, 4, {}, 'l'));
        db->SetFlags(2, 0x5);
        ASSERT_TRUE(db->Delete(9, false));
        ASSERT_EQ(db->Flush(true), 0u);
    }

    const std::map<uint32_t, TRecordValue> kLive = {
        {1, {{1, 1, 1}, 't', 0}}, {2, {{2, 2}, 'p', 0x5}}, {3, {{3}, 'a', 0}}, {4, {{}, 'l', 0}}};
    TDatabaseFiles fFiles;
};

TEST_F(DBCompactTest, DropsDeadVersionsAndKeepsEveryLiveRecord) {
    BuildWithDeadVersions();
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    ASSERT_EQ(db->Compact(), 0u);
    EXPECT_EQ(ReadAll(*db), kLive);
    // File order: 2 stayed in place, then 1, 3 and 4 as they were appended.
    EXPECT_EQ(
        fFiles.DatabaseBytes(),
        DatabaseImage(
            {{2, 'p', 0x21, {2, 2}}, {1, 't', 0, {1, 1, 1}}, {3, 'a', 0, {3}}, {4, 'l', 0, {}}}));
    EXPECT_EQ(fFiles.Files(), (std::vector<std::string>{"db.adb", "db.ind"}));
    db.reset();
    db = fFiles.Open(true);
    EXPECT_EQ(ReadAll(*db), kLive);
}

// Without dead versions the file keeps its size and records. Compaction walks the file, so
// it flushes first: pending changes are not lost.
TEST_F(DBCompactTest, ADatabaseWithoutDeadVersionsKeepsItsRecordsAndPendingChanges) {
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    ASSERT_TRUE(PutBytes(*db, 1, {1, 2, 3}, 't'));
    ASSERT_TRUE(PutBytes(*db, 2, {}, 'p'));
    ASSERT_EQ(db->Compact(), 0u);
    EXPECT_EQ(fFiles.DatabaseBytes(), DatabaseImage({{1, 't', 0, {1, 2, 3}}, {2, 'p', 0, {}}}));
    EXPECT_EQ(ReadRecord(*db, 2), (TRecordValue{{}, 'p', 0}));
}

// Without a free numbered name for the new files nothing happens at all, and the database
// stays open on the old file.
TEST_F(DBCompactTest, WithoutAFreeNameNothingChanges) {
    BuildWithDeadVersions();
    const Bytes before = fFiles.DatabaseBytes();
    std::vector<std::string> names = {"db.adb", "db.ind"};
    for (int n = 1; n <= 999; ++n) {
        names.push_back("db#" + std::to_string(n) + (n % 2 ? ".adb" : ".ind"));
        WriteBytes(fFiles.Name(names.back()), {});
    }
    std::sort(names.begin(), names.end());
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    EXPECT_EQ(db->Compact(), errCompactFailed);
    EXPECT_EQ(fFiles.DatabaseBytes(), before);
    EXPECT_EQ(fFiles.Files(), names);
    EXPECT_EQ(ReadAll(*db), kLive);
    EXPECT_TRUE(PutBytes(*db, 5, {5}));
    EXPECT_TRUE(db->Delete(5, false));
}

// The new file took the database's name, but reopening fails (the index path is a directory):
// the old file comes back under its name. It cannot be reopened either, so the database stays
// closed, and every operation says so.
TEST_F(DBCompactTest, FailureAfterTheNewFileTookTheNameRestoresTheOldFile) {
    BuildWithDeadVersions();
    const Bytes before = fFiles.DatabaseBytes();
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    fFiles.IndexPath().Delete();
    std::filesystem::create_directory(fFiles.IndexPath().GetFullPath());
    EXPECT_EQ(db->Compact(), errCompactFailed);
    EXPECT_EQ(fFiles.DatabaseBytes(), before);
    EXPECT_EQ(fFiles.Files(), (std::vector<std::string>{"db.adb", "db.ind"}));

    EXPECT_EQ(ReadRecord(*db, 1), std::nullopt);
    EXPECT_EQ(CodeOf([&] { PutBytes(*db, 1, {1}); }), errNilPointer);
    EXPECT_EQ(CodeOf([&] { db->CreateIterator(0); }), errNilPointer);
    EXPECT_EQ(db->Flush(true), errNilPointer);
    EXPECT_EQ(db->Compact(), errCompactFailed);
    db.reset();
    std::filesystem::remove(fFiles.IndexPath().GetFullPath());
    db.reset();
    db = fFiles.Open(true);
    EXPECT_EQ(ReadAll(*db), kLive);
}

} // namespace
