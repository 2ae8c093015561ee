// TWVEK_DB::Compact: the packed file, and the old database back under its name after a failure
// at each stage.

#include "DatabaseTestUtil.h"
#include "Exception.h"
#include "TestStream.h"

#include <gtest/gtest.h>

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

    // Creates db#first.adb to db#last.adb.
    void OccupyNumberedNames(int first, int last) {
        for (int n = first; n <= last; ++n)
            WriteBytes(fFiles.Name("db#" + std::to_string(n) + ".adb"), {});
    }

    // The directory's files other than the numbered ones made by OccupyNumberedNames.
    std::vector<std::string> OwnFiles(int occupiedFrom, int occupiedTo) {
        std::vector<std::string> names;
        for (const std::string& name : fFiles.Files()) {
            bool occupied = false;
            for (int n = occupiedFrom; n <= occupiedTo; ++n)
                occupied = occupied || name == "db#" + std::to_string(n) + ".adb";
            if (!occupied) names.push_back(name);
        }
        return names;
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
    db = fFiles.Open(true);
    EXPECT_EQ(ReadAll(*db), kLive);
    EXPECT_EQ(ReadRecord(*db, 3), kLive.at(3)); // through the rebuilt index
}

TEST_F(DBCompactTest, ADatabaseWithoutDeadVersionsKeepsItsSizeAndRecords) {
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    ASSERT_TRUE(PutBytes(*db, 1, {1, 2, 3}, 't'));
    ASSERT_TRUE(PutBytes(*db, 2, {}, 'p'));
    ASSERT_EQ(db->Flush(true), 0u);
    const Bytes before = fFiles.DatabaseBytes();
    ASSERT_EQ(db->Compact(), 0u);
    EXPECT_EQ(fFiles.DatabaseBytes(), before);
    ASSERT_EQ(db->Compact(), 0u); // and again, on the reopened database
    EXPECT_EQ(fFiles.DatabaseBytes(), before);
    EXPECT_EQ(ReadRecord(*db, 2), (TRecordValue{{}, 'p', 0}));
}

TEST_F(DBCompactTest, PendingChangesAreFlushedNotLost) {
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    ASSERT_TRUE(PutBytes(*db, 8, {8}, 't'));
    ASSERT_EQ(db->Compact(), 0u);
    EXPECT_EQ(fFiles.DatabaseBytes(), DatabaseImage({{8, 't', 0, {8}}}));
    ASSERT_TRUE(PutBytes(*db, 9, {9}));
    ASSERT_EQ(db->Flush(true), 0u);
    db = fFiles.Open(true);
    EXPECT_EQ(ReadAll(*db).size(), 2u);
}

TEST_F(DBCompactTest, AnEmptyDatabaseCompactsToItsHeader) {
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    ASSERT_TRUE(PutBytes(*db, 1, {1}));
    ASSERT_TRUE(db->Delete(1, false));
    ASSERT_EQ(db->Compact(), 0u);
    EXPECT_EQ(fFiles.DatabaseBytes(), FileHeaderImage());
}

// No free name for the new file: nothing has happened yet, and the database stays open.
TEST_F(DBCompactTest, FailureBeforeWritingLeavesTheDatabaseOpenAndWhole) {
    BuildWithDeadVersions();
    const Bytes before = fFiles.DatabaseBytes();
    OccupyNumberedNames(1, 999);
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    EXPECT_EQ(db->Compact(), errCompactFailed);
    EXPECT_EQ(fFiles.DatabaseBytes(), before);
    EXPECT_EQ(OwnFiles(1, 999), (std::vector<std::string>{"db.adb", "db.ind"}));
    EXPECT_EQ(ReadAll(*db), kLive);
    EXPECT_TRUE(PutBytes(*db, 5, {5}));
    EXPECT_EQ(db->Flush(true), 0u);
}

// The new file is written (db#1.adb) but no name is free for the old one: the old file never
// moved, the new one goes, and the database is reopened on the old file.
TEST_F(DBCompactTest, FailureBeforeTheOldFileMovedAsideKeepsItUnderItsName) {
    BuildWithDeadVersions();
    const Bytes before = fFiles.DatabaseBytes();
    OccupyNumberedNames(2, 999);
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    EXPECT_EQ(db->Compact(), errCompactFailed);
    EXPECT_EQ(fFiles.DatabaseBytes(), before);
    EXPECT_EQ(OwnFiles(2, 999), (std::vector<std::string>{"db.adb", "db.ind"}));
    EXPECT_EQ(ReadAll(*db), kLive);
    EXPECT_TRUE(db->Exists(4)); // through the index rebuilt on reopening
    EXPECT_TRUE(PutBytes(*db, 5, {5}));
    EXPECT_EQ(db->Flush(true), 0u);
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
    EXPECT_EQ(db->GetFlags(2), 0u);
    EXPECT_FALSE(db->Delete(1, true));
    EXPECT_EQ(CodeOf([&] { db->Exists(1); }), errNilPointer);
    EXPECT_EQ(CodeOf([&] { PutBytes(*db, 1, {1}); }), errNilPointer);
    EXPECT_EQ(CodeOf([&] { db->CreateIterator(0); }), errNilPointer);
    EXPECT_EQ(db->Flush(true), errNilPointer);
    EXPECT_EQ(db->Compact(), errCompactFailed);
    db.reset();

    std::filesystem::remove(fFiles.IndexPath().GetFullPath());
    db = fFiles.Open(true);
    EXPECT_EQ(ReadAll(*db), kLive);
}

} // namespace
