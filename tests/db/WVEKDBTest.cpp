// TWVEK_DB: opening, the record operations, flushing and iteration, pinned against file bytes
// built independently of the engine.

#include "DatabaseTestUtil.h"
#include "Exception.h"
#include "FileIndex.h"
#include "TestStream.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace WVEK;

namespace {

const Bytes kHi = {'h', 'i'};
const Bytes kHey = {'h', 'e', 'y', '!'};

class WVEKDBTest : public ::testing::Test {
protected:
    TDatabaseFiles fFiles;
};

// ---- Opening -------------------------------------------------------------------------------

TEST_F(WVEKDBTest, AnEmptyOrMissingFileGetsItsHeaderWhenOpenedWritable) {
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    EXPECT_EQ(fFiles.DatabaseBytes(), FileHeaderImage());
    EXPECT_TRUE(fFiles.IndexPath().Exists());
    db.reset();
    WriteBytes(fFiles.Path().GetFullPath(), {});
    db = fFiles.Open();
    EXPECT_EQ(fFiles.DatabaseBytes(), FileHeaderImage());
}

TEST_F(WVEKDBTest, OpeningFailsWithTheCodeOfWhatIsWrong) {
    EXPECT_EQ(CodeOf([&] { fFiles.Open(true); }), uint32_t(ENOENT));
    WriteBytes(fFiles.Path().GetFullPath(), {});
    EXPECT_EQ(CodeOf([&] { fFiles.Open(true); }), errWriteFailed); // cannot write the header
    Bytes image = FileHeaderImage();
    image.resize(24);
    fFiles.WriteImage(image);
    EXPECT_EQ(CodeOf([&] { fFiles.Open(); }), errAssert);
    image = FileHeaderImage();
    image[8] = '!';
    fFiles.WriteImage(image);
    EXPECT_EQ(CodeOf([&] { fFiles.Open(); }), errAssert);
}

TEST_F(WVEKDBTest, AMissingOrEmptyIndexIsRebuiltAlsoReadOnly) {
    fFiles.WriteImage(
        DatabaseImage({{1, 't', 0, kHi}, {2, 'p', kFlagDeleted, kHi}, {3, 'b', 0, {}}}));
    std::unique_ptr<TWVEK_DB> db = fFiles.Open(true);
    EXPECT_TRUE(db->IsIndexTrusted());
    EXPECT_EQ(ReadRecord(*db, 1), (TRecordValue{kHi, 't', 0}));
    EXPECT_FALSE(db->Exists(2));
    EXPECT_EQ(ReadRecord(*db, 3), (TRecordValue{{}, 'b', 0}));
    TFileIndex index(fFiles.IndexPath(), true);
    uint32_t position = 0;
    EXPECT_TRUE(index.Find(3, position));
    EXPECT_EQ(position, 25u + 28 + 28);
    EXPECT_FALSE(index.Find(2, position));

    db.reset();
    WriteBytes(fFiles.IndexPath().GetFullPath(), {});
    db = fFiles.Open(true);
    EXPECT_TRUE(db->Exists(1));
    EXPECT_GT(fFiles.IndexBytes().size(), 16u);
}

TEST_F(WVEKDBTest, ADamagedIndexHeaderIsAnErrorNotARebuild) {
    fFiles.WriteImage(DatabaseImage({{1, 't', 0, kHi}}));
    Bytes header(16, 0);
    std::memcpy(header.data(), "VEKINDEY", 8);
    WriteBytes(fFiles.IndexPath().GetFullPath(), header);
    EXPECT_EQ(CodeOf([&] { fFiles.Open(true); }), errAssert);
    EXPECT_EQ(CodeOf([&] { fFiles.Open(false); }), errAssert);
    EXPECT_EQ(fFiles.IndexBytes(), header);
}

TEST_F(WVEKDBTest, AFailedRebuildFailsTheOpeningAndLeavesNoIndex) {
    // The second header is damaged: the walk over the file cannot finish.
    Bytes image = DatabaseImage({{1, 't', 0, kHi}, {2, 't', 0, kHi}});
    image[25 + 28] = 'X';
    fFiles.WriteImage(image);
    EXPECT_EQ(CodeOf([&] { fFiles.Open(false); }), errRebuildFailed);
    EXPECT_FALSE(fFiles.IndexPath().Exists());
    EXPECT_EQ(CodeOf([&] { fFiles.Open(true); }), errRebuildFailed);
    EXPECT_EQ(fFiles.DatabaseBytes(), image);
}

TEST_F(WVEKDBTest, TheRebuildIndexesTheFirstLiveVersionOfAnId) {
    fFiles.WriteImage(DatabaseImage({{5, 't', 0, kHi}, {5, 'p', 0, kHey}}));
    std::unique_ptr<TWVEK_DB> db = fFiles.Open(true);
    EXPECT_EQ(ReadRecord(*db, 5), (TRecordValue{kHi, 't', 0}));
}

// ---- Reading and writing records -----------------------------------------------------------

TEST_F(WVEKDBTest, GetReadsFromMemoryBeforeTheFlushAndFromTheFileAfter) {
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    ASSERT_TRUE(PutBytes(*db, 7, kHi, 't'));
    EXPECT_TRUE(db->Exists(7));
    EXPECT_EQ(ReadRecord(*db, 7), (TRecordValue{kHi, 't', 0}));
    EXPECT_EQ(fFiles.DatabaseBytes(), FileHeaderImage()); // nothing written yet
    ASSERT_EQ(db->Flush(true), 0u);
    EXPECT_EQ(fFiles.DatabaseBytes(), DatabaseImage({{7, 't', 0, kHi}}));
    EXPECT_EQ(ReadRecord(*db, 7), (TRecordValue{kHi, 't', 0}));
    db = fFiles.Open(true);
    EXPECT_EQ(ReadRecord(*db, 7), (TRecordValue{kHi, 't', 0}));
}

TEST_F(WVEKDBTest, ZeroLengthRecordsReadBackEmptyButNotNull) {
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    ASSERT_TRUE(db->Put(9, nullptr, 0, 't'));
    ASSERT_TRUE(PutBytes(*db, 10, {}, 'p'));
    const TRecordValue empty9{{}, 't', 0}, empty10{{}, 'p', 0};
    EXPECT_EQ(ReadRecord(*db, 9), empty9);
    ASSERT_EQ(db->Flush(true), 0u);
    EXPECT_EQ(ReadRecord(*db, 9), empty9);
    db = fFiles.Open(true);
    EXPECT_EQ(ReadRecord(*db, 9), empty9);
    EXPECT_EQ(ReadRecord(*db, 10), empty10);
    EXPECT_EQ(fFiles.DatabaseBytes(), DatabaseImage({{9, 't', 0, {}}, {10, 'p', 0, {}}}));
}

// The worked example of docs/DatabaseFile.md.
TEST_F(WVEKDBTest, ReplacingWithAnotherLengthLeavesADeadVersionAndKeepsTypeAndFlags) {
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    ASSERT_TRUE(PutBytes(*db, 7, kHi, 't'));
    ASSERT_EQ(db->Flush(true), 0u);
    ASSERT_TRUE(PutBytes(*db, 7, kHey, 'p')); // the type is not applied
    db->SetFlags(7, 0x4);
    EXPECT_EQ(ReadRecord(*db, 7), (TRecordValue{kHey, 't', 0x4}));
    ASSERT_EQ(db->Flush(true), 0u);
    const Bytes expected = {0x56, 0x45, 0x4b, 0x44, 0x42, 0x2d, 0x32, 0x35, 0x00, 0x00, 0x00, 0x00,
                            0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                            0x00, 0x52, 0x32, 0x44, 0x32, 0x07, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00,
                            0x00, 0x74, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x19,
                            0x00, 0x00, 0x00, 0x68, 0x69, 0x52, 0x32, 0x44, 0x32, 0x07, 0x00, 0x00,
                            0x00, 0x04, 0x00, 0x00, 0x00, 0x74, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00,
                            0x00, 0x00, 0x00, 0x35, 0x00, 0x00, 0x00, 0x68, 0x65, 0x79, 0x21};
    EXPECT_EQ(fFiles.DatabaseBytes(), expected);
    db = fFiles.Open(true);
    EXPECT_EQ(ReadRecord(*db, 7), (TRecordValue{kHey, 't', 0x4}));
}

TEST_F(WVEKDBTest, ReplacingWithTheSameLengthOverwritesInPlace) {
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    ASSERT_TRUE(PutBytes(*db, 1, kHi, 't'));
    ASSERT_TRUE(PutBytes(*db, 2, kHey));
    ASSERT_EQ(db->Flush(true), 0u);
    ASSERT_TRUE(PutBytes(*db, 1, {'y', 'o'}));
    ASSERT_EQ(db->Flush(true), 0u);
    EXPECT_EQ(fFiles.DatabaseBytes(), DatabaseImage({{1, 't', 0, {'y', 'o'}}, {2, 'b', 0, kHey}}));
}

TEST_F(WVEKDBTest, APutAndDeleteBeforeTheFlushLeavesOnlyADeadPlace) {
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    ASSERT_TRUE(PutBytes(*db, 4, {1, 2, 3}, 't'));
    ASSERT_TRUE(db->Delete(4, false));
    ASSERT_EQ(db->Flush(true), 0u);
    EXPECT_EQ(fFiles.DatabaseBytes(), DatabaseImage({{0, 'b', kFlagDeleted, {0, 0, 0}}}));
    EXPECT_FALSE(db->Exists(4));
    EXPECT_EQ(ReadAll(*db).size(), 0u);
}

TEST_F(WVEKDBTest, PermanentRecordsGoOnlyWhenTheDeletionIsForced) {
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    ASSERT_TRUE(PutBytes(*db, 1, kHi));
    ASSERT_TRUE(PutBytes(*db, 2, kHi));
    db->SetFlags(1, 0x4);
    db->SetFlags(2, 0x4);
    ASSERT_EQ(db->Flush(true), 0u);
    db->SetFlags(2, 0x4); // now held again, from the file
    for (uint32_t id : {1u, 2u}) {
        EXPECT_FALSE(db->Delete(id, false)) << id;
        EXPECT_TRUE(db->Exists(id)) << id;
        EXPECT_TRUE(db->Delete(id, true)) << id;
        EXPECT_FALSE(db->Exists(id)) << id;
        EXPECT_FALSE(db->Delete(id, true)) << id;
    }
    ASSERT_EQ(db->Flush(true), 0u);
    db = fFiles.Open(true);
    EXPECT_FALSE(db->Exists(1));
    EXPECT_FALSE(db->Exists(2));
}

TEST_F(WVEKDBTest, DeletedAndUnknownIdsHaveNoDataAndNoFlags) {
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    ASSERT_TRUE(PutBytes(*db, 1, kHi));
    db->SetFlags(1, 0x7);
    ASSERT_EQ(db->Flush(true), 0u);
    ASSERT_TRUE(db->Delete(1, true));
    for (bool flushed : {false, true}) {
        EXPECT_EQ(db->GetFlags(1), 0u) << flushed;
        EXPECT_EQ(db->GetFlags(99), 0u) << flushed;
        EXPECT_EQ(ReadRecord(*db, 1), std::nullopt) << flushed;
        EXPECT_EQ(ReadRecord(*db, 99), std::nullopt) << flushed;
        db->SetFlags(99, 0x7); // nothing to change
        EXPECT_FALSE(db->Exists(99)) << flushed;
        ASSERT_EQ(db->Flush(true), 0u);
    }
}

TEST_F(WVEKDBTest, SetFlagsOnARecordOnDiskReachesTheFileAtTheNextFlush) {
    // Stored 0x48: unused bits that must survive.
    fFiles.WriteImage(DatabaseImage({{1, 't', 0x48, kHi}}));
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    EXPECT_EQ(db->GetFlags(1), 0u);
    db->SetFlags(1, 0x5);
    EXPECT_EQ(db->GetFlags(1), 0x5u);
    EXPECT_EQ(fFiles.DatabaseBytes()[25 + 13], 0x48);
    ASSERT_EQ(db->Flush(true), 0u);
    EXPECT_EQ(fFiles.DatabaseBytes(), DatabaseImage({{1, 't', 0x48 | 0x20 | 0x01, kHi}}));
    db->SetFlags(1, 0x2);
    ASSERT_EQ(db->Flush(true), 0u);
    db = fFiles.Open(true);
    EXPECT_EQ(db->GetFlags(1), 0x2u);
    EXPECT_EQ(fFiles.DatabaseBytes(), DatabaseImage({{1, 't', 0x48 | 0x02, kHi}}));
}

TEST_F(WVEKDBTest, AReadOnlyDatabaseChangesNothing) {
    fFiles.WriteImage(DatabaseImage({{1, 't', 0, kHi}}));
    fFiles.Open(); // builds the index
    const Bytes data = fFiles.DatabaseBytes(), index = fFiles.IndexBytes();
    std::unique_ptr<TWVEK_DB> db = fFiles.Open(true);
    EXPECT_FALSE(PutBytes(*db, 2, kHi));
    EXPECT_FALSE(db->Delete(1, true));
    db->SetFlags(1, 0x4);
    EXPECT_EQ(db->GetFlags(1), 0x4u); // in memory only
    EXPECT_EQ(db->Flush(true), errReadOnly);
    EXPECT_EQ(db->Compact(), errReadOnly);
    db.reset();
    EXPECT_EQ(fFiles.DatabaseBytes(), data);
    EXPECT_EQ(fFiles.IndexBytes(), index);
    EXPECT_EQ(fFiles.Files(), (std::vector<std::string>{"db.adb", "db.ind"}));
}

TEST_F(WVEKDBTest, TheIteratorSeesUnflushedPutsInFileOrder) {
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    ASSERT_TRUE(PutBytes(*db, 30, kHi, 't'));
    ASSERT_TRUE(PutBytes(*db, 10, kHey, 'p'));
    ASSERT_TRUE(PutBytes(*db, 20, {}, 'a'));
    std::unique_ptr<TWVEK_DB::Iterator> it = db->CreateIterator(0);
    std::vector<std::pair<uint32_t, uint32_t>> seen;
    while (it->HasMore()) {
        uint32_t type = 0;
        const uint32_t id = it->Next(&type);
        seen.emplace_back(id, type);
    }
    EXPECT_EQ(seen, (std::vector<std::pair<uint32_t, uint32_t>>{{30, 't'}, {10, 'p'}, {20, 'a'}}));
    it = db->CreateIterator('p');
    EXPECT_EQ(it->Next(nullptr), 10u);
    EXPECT_FALSE(it->HasMore());
}

// An index of version 0 may name dead versions: the database checks the deleted bit before
// it believes an entry, and a put of such an id moves the entry to the new version.
TEST_F(WVEKDBTest, AVersion0IndexIsCheckedAgainstTheFile) {
    fFiles.WriteImage(DatabaseImage({{5, 't', kFlagDeleted, kHi}, {6, 't', 0, kHey}}));
    {
        TFileIndex index(fFiles.IndexPath(), false);
        index.Insert(5, 25);
        index.Insert(6, 25 + 28);
        ASSERT_EQ(index.Flush(true), 0u);
    }
    Bytes indexBytes = fFiles.IndexBytes();
    indexBytes[9] = '0';
    WriteBytes(fFiles.IndexPath().GetFullPath(), indexBytes);

    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    EXPECT_FALSE(db->IsIndexTrusted());
    EXPECT_FALSE(db->Exists(5));
    EXPECT_TRUE(db->Exists(6));
    EXPECT_EQ(ReadRecord(*db, 5), std::nullopt);
    EXPECT_EQ(db->GetFlags(5), 0u);
    EXPECT_FALSE(db->Delete(5, true));
    ASSERT_TRUE(PutBytes(*db, 5, {1, 2, 3}, 'l'));
    EXPECT_EQ(ReadRecord(*db, 5), (TRecordValue{{1, 2, 3}, 'l', 0}));
    ASSERT_EQ(db->Flush(true), 0u);
    db = fFiles.Open(true);
    EXPECT_FALSE(db->IsIndexTrusted()); // the version read is written back unchanged
    EXPECT_EQ(ReadRecord(*db, 5), (TRecordValue{{1, 2, 3}, 'l', 0}));
}

// An index entry that leads to the header of another record must not answer for it.
TEST_F(WVEKDBTest, AnIndexEntryLeadingToAnotherRecordIsDamage) {
    fFiles.WriteImage(DatabaseImage({{5, 't', 0, kHi}, {6, 't', 0, kHey}}));
    {
        TFileIndex index(fFiles.IndexPath(), false);
        index.Insert(5, 25 + 28); // record 6's header
        index.Insert(6, 25 + 28);
        index.Insert(7, 3); // no header at all
        ASSERT_EQ(index.Flush(true), 0u);
    }
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    EXPECT_EQ(ReadRecord(*db, 5), std::nullopt);
    EXPECT_EQ(ReadRecord(*db, 7), std::nullopt);
    EXPECT_EQ(db->GetFlags(5), 0u);
    EXPECT_FALSE(db->Delete(5, true));
    EXPECT_EQ(CodeOf([&] { PutBytes(*db, 5, kHi); }), errAssert);
    EXPECT_EQ(CodeOf([&] { db->SetFlags(7, 1); }), errAssert);
    EXPECT_EQ(ReadRecord(*db, 6), (TRecordValue{kHey, 't', 0}));
    ASSERT_EQ(db->Flush(true), 0u);
    EXPECT_EQ(fFiles.DatabaseBytes(), DatabaseImage({{5, 't', 0, kHi}, {6, 't', 0, kHey}}));
}

TEST_F(WVEKDBTest, ForcedFlushesOfTheCacheLimitPutRecordsOnDiskDuringPuts) {
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    const Bytes big(30000, 0xAB);
    for (uint32_t id = 1; id <= 3; ++id)
        ASSERT_TRUE(PutBytes(*db, id, big));
    EXPECT_EQ(fFiles.DatabaseBytes().size(), 25u); // 3 x 30038 bytes: still under 100 KiB
    ASSERT_TRUE(PutBytes(*db, 4, big));
    EXPECT_EQ(fFiles.DatabaseBytes().size(), 25u + 4 * (26 + 30000));
    db.reset(); // no flush: the records above were committed with the index
    db = fFiles.Open(true);
    EXPECT_EQ(ReadAll(*db).size(), 4u);
}

// ---- Support files -------------------------------------------------------------------------

TEST(SupportFiles, NamesAreCutAtTheLastDotOfTheWholePath) {
    EXPECT_EQ(GetSupportFileName(TFilePath("/d/x.adb"), TSupportFile::kIndex).GetFullPath(),
              "/d/x.ind");
    EXPECT_EQ(GetSupportFileName(TFilePath("/d/x.adb"), TSupportFile::kAge).GetFullPath(),
              "/d/x.age");
    EXPECT_EQ(GetSupportFileName(TFilePath("/d/x.y.adb"), TSupportFile::kIndex).GetFullPath(),
              "/d/x.y.ind");
    EXPECT_EQ(GetSupportFileName(TFilePath("/d/data"), TSupportFile::kIndex).GetFullPath(),
              "/d/data.ind");
    EXPECT_EQ(GetSupportFileName(TFilePath("/d.e/data"), TSupportFile::kAge).GetFullPath(),
              "/d.age");
    TFilePath indexPath = GetSupportFileName(TFilePath("/d/x.adb"), TSupportFile::kIndex);
    EXPECT_EQ(indexPath.GetFileName(), "x.ind");
    // A path that could not be made full names no support file (not "./.ind").
    EXPECT_TRUE(GetSupportFileName(TFilePath(""), TSupportFile::kIndex).IsEmpty());
}

TEST(SupportFiles, DeleteDatabaseFilesRemovesTheDatabaseAndBothSupportFiles) {
    TDatabaseFiles files;
    for (const char* name : {"db.adb", "db.ind", "db.age", "db.txt", "db#1.adb"})
        WriteBytes(files.Name(name), {1});
    DeleteDatabaseFiles(files.Path());
    EXPECT_EQ(files.Files(), (std::vector<std::string>{"db#1.adb", "db.txt"}));
    DeleteDatabaseFiles(files.Path()); // nothing left to delete: no complaint
    WriteBytes(files.Name("db.age"), {1});
    DeleteDatabaseFiles(files.Path());
    EXPECT_EQ(files.Files(), (std::vector<std::string>{"db#1.adb", "db.txt"}));
    for (const char* name : {".ind", ".age"})
        WriteBytes(files.Name(name), {1});
    TCurrentDirectoryGuard inside(files.Name(""));
    DeleteDatabaseFiles(TFilePath(std::string(5000, 'n'))); // too long to be made full
    EXPECT_EQ(files.Files(), (std::vector<std::string>{".age", ".ind", "db#1.adb", "db.txt"}));
}

} // namespace
