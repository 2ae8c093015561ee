// TWVEK_DB: opening, the record operations, flushing and iteration, pinned against file bytes
// built independently of the engine.

#include "DatabaseTestUtil.h"
#include "IndexTestUtil.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace WVEK;

namespace {

const Bytes kHi = {'h', 'i'};
const Bytes kHey = {'h', 'e', 'y', '!'};

class WVEKDBTest : public ::testing::Test {
protected:
    // Writes an index of `version` ('0' or '1') holding (id, position) `entries`.
    void WriteIndex(const TEntries& entries, char version) {
        {
            TFileIndex index(fFiles.IndexPath(), false);
            for (const auto& [id, position] : entries)
                index.Insert(id, position);
            ASSERT_EQ(index.Flush(true), 0u);
        }
        Bytes bytes = fFiles.IndexBytes();
        bytes[9] = uint8_t(version);
        WriteBytes(fFiles.IndexPath().GetFullPath(), bytes);
    }

    TDatabaseFiles fFiles;
};

// ---- Opening -------------------------------------------------------------------------------

// A failed opening changes neither file; a failed rebuild leaves no index, and a damaged
// index is an error, not a reason to rebuild.
TEST_F(WVEKDBTest, OpeningFailsWithTheCodeOfWhatIsWrong) {
    Bytes badMagic = FileHeaderImage(), badIndex = IndexHeader("1", 0);
    badMagic[8] = '!';
    badIndex[7] = 'Y';
    Bytes unwalkable = DatabaseImage({{1, 't', 0, kHi}, {2, 't', 0, kHi}});
    unwalkable[25 + 28] = 'X'; // the second header
    const Bytes one = DatabaseImage({{1, 't', 0, kHi}});
    const struct {
        const char* what;
        std::optional<Bytes> database, index; // nothing: no such file
        bool readOnly;
        uint32_t code;
    } cases[] = {
        {"missing", std::nullopt, std::nullopt, true, uint32_t(ENOENT)},
        {"empty: the header cannot be written", Bytes{}, std::nullopt, true, errWriteFailed},
        {"24 bytes", Bytes(one.begin(), one.begin() + 24), std::nullopt, false, errAssert},
        {"a wrong magic", badMagic, std::nullopt, false, errAssert},
        {"a damaged index", one, badIndex, true, errAssert},
        {"a damaged index, writable", one, badIndex, false, errAssert},
        {"a failed rebuild", unwalkable, std::nullopt, true, errRebuildFailed},
        {"a failed rebuild, writable", unwalkable, Bytes{}, false, errRebuildFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fFiles.Path().Delete();
        fFiles.IndexPath().Delete();
        if (c.database) WriteBytes(fFiles.Path().GetFullPath(), *c.database);
        if (c.index) WriteBytes(fFiles.IndexPath().GetFullPath(), *c.index);
        EXPECT_EQ(CodeOf([&] { fFiles.Open(c.readOnly); }), c.code);
        EXPECT_EQ(fFiles.Path().Exists(), c.database.has_value());
        EXPECT_EQ(fFiles.DatabaseBytes(), c.database.value_or(Bytes{}));
        const bool kept = c.index.has_value(); // a failed rebuild never replaced it
        EXPECT_EQ(fFiles.IndexPath().Exists(), kept);
        EXPECT_EQ(fFiles.IndexBytes(), kept ? *c.index : Bytes{});
    }
}

// The rebuild takes the first live version of an id in file order.
TEST_F(WVEKDBTest, AMissingOrEmptyIndexIsRebuiltAlsoReadOnly) {
    fFiles.WriteImage(DatabaseImage(
        {{1, 't', 0, kHi}, {2, 'p', kFlagDeleted, kHi}, {3, 'b', 0, {}}, {1, 'p', 0, kHey}}));
    for (const char* state : {"missing", "empty"}) {
        SCOPED_TRACE(state);
        std::unique_ptr<TWVEK_DB> db = fFiles.Open(true);
        EXPECT_TRUE(db->IsIndexTrusted());
        EXPECT_EQ(ReadRecord(*db, 1), (TRecordValue{kHi, 't', 0}));
        EXPECT_FALSE(db->Exists(2));
        EXPECT_EQ(ReadRecord(*db, 3), (TRecordValue{{}, 'b', 0}));
        db.reset();
        TFileIndex index(fFiles.IndexPath(), true);
        EXPECT_EQ(Walk(index), (TEntries{{1, 25}, {3, 25 + 28 + 28}}));
        WriteBytes(fFiles.IndexPath().GetFullPath(), {});
    }
}

// ---- Reading and writing records -----------------------------------------------------------

// Reading zero bytes from the file succeeds: a record of length 0 reads back empty, not null.
TEST_F(WVEKDBTest, PutsAreReadFromMemoryBeforeTheFlushAndFromTheFileAfter) {
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    EXPECT_EQ(fFiles.DatabaseBytes(), FileHeaderImage()); // written when the file is created
    ASSERT_TRUE(PutBytes(*db, 7, kHi, 't'));
    ASSERT_TRUE(db->Put(9, nullptr, 0, 'p'));
    EXPECT_TRUE(db->Exists(7));
    EXPECT_EQ(ReadRecord(*db, 7), (TRecordValue{kHi, 't', 0}));
    EXPECT_EQ(ReadRecord(*db, 9), (TRecordValue{{}, 'p', 0}));
    EXPECT_EQ(fFiles.DatabaseBytes(), FileHeaderImage()); // nothing written yet
    ASSERT_EQ(db->Flush(true), 0u);
    EXPECT_EQ(fFiles.DatabaseBytes(), DatabaseImage({{7, 't', 0, kHi}, {9, 'p', 0, {}}}));
    ASSERT_TRUE(PutBytes(*db, 7, {'y', 'o'})); // the same length: overwritten in place
    ASSERT_EQ(db->Flush(true), 0u);
    EXPECT_EQ(fFiles.DatabaseBytes(), DatabaseImage({{7, 't', 0, {'y', 'o'}}, {9, 'p', 0, {}}}));
    db.reset();
    db = fFiles.Open(true);
    EXPECT_EQ(ReadRecord(*db, 7), (TRecordValue{{'y', 'o'}, 't', 0}));
    EXPECT_EQ(ReadRecord(*db, 9), (TRecordValue{{}, 'p', 0}));
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
    db.reset();
    db = fFiles.Open(true);
    EXPECT_EQ(ReadRecord(*db, 7), (TRecordValue{kHey, 't', 0x4}));
}

// Record 1 is held when deleted, record 2 only on disk. Deleted and unknown ids (99) have no
// data and no flags, and setting their flags changes nothing, before the flush and after.
TEST_F(WVEKDBTest, PermanentRecordsGoOnlyWhenTheDeletionIsForced) {
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    ASSERT_TRUE(PutBytes(*db, 1, kHi));
    ASSERT_TRUE(PutBytes(*db, 2, kHi));
    db->SetFlags(2, 0x7);
    ASSERT_EQ(db->Flush(true), 0u);
    db->SetFlags(1, 0x4);
    for (uint32_t id : {1u, 2u}) {
        EXPECT_FALSE(db->Delete(id, false)) << id;
        EXPECT_TRUE(db->Exists(id)) << id;
        EXPECT_TRUE(db->Delete(id, true)) << id;
        EXPECT_FALSE(db->Delete(id, true)) << id;
    }
    for (bool flushed : {false, true}) {
        for (uint32_t id : {1u, 2u, 99u}) {
            SCOPED_TRACE(id);
            EXPECT_EQ(db->GetFlags(id), 0u);
            EXPECT_EQ(ReadRecord(*db, id), std::nullopt);
            db->SetFlags(id, 0x7);
            EXPECT_FALSE(db->Exists(id));
        }
        ASSERT_EQ(db->Flush(true), 0u);
        if (!flushed) db.reset(), db = fFiles.Open();
    }
}

TEST_F(WVEKDBTest, SetFlagsOnARecordOnDiskReachesTheFileAtTheNextFlush) {
    fFiles.WriteImage(DatabaseImage({{1, 't', 0x48, kHi}})); // 0x48: unused bits must survive
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    EXPECT_EQ(db->GetFlags(1), 0u);
    db->SetFlags(1, 0x5);
    EXPECT_EQ(db->GetFlags(1), 0x5u);
    EXPECT_EQ(fFiles.DatabaseBytes()[25 + 13], 0x48);
    ASSERT_EQ(db->Flush(true), 0u);
    EXPECT_EQ(fFiles.DatabaseBytes(), DatabaseImage({{1, 't', 0x48 | 0x20 | 0x01, kHi}}));
    db->SetFlags(1, 0x2);
    ASSERT_EQ(db->Flush(true), 0u);
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
}

// An index of version 0 may name dead versions: the database checks the deleted bit before
// it believes an entry, and a put of such an id moves the entry to the new version.
TEST_F(WVEKDBTest, AVersion0IndexIsCheckedAgainstTheFile) {
    fFiles.WriteImage(DatabaseImage({{5, 't', kFlagDeleted, kHi}, {6, 't', 0, kHey}}));
    WriteIndex({{5, 25}, {6, 25 + 28}}, '0');
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    EXPECT_FALSE(db->IsIndexTrusted());
    EXPECT_FALSE(db->Exists(5));
    EXPECT_TRUE(db->Exists(6));
    EXPECT_EQ(ReadRecord(*db, 5), std::nullopt);
    EXPECT_EQ(db->GetFlags(5), 0u);
    EXPECT_TRUE(db->Delete(5, true)); // the entry led to a dead version: it goes
    ASSERT_TRUE(PutBytes(*db, 5, {1, 2, 3}, 'l'));
    ASSERT_EQ(db->Flush(true), 0u);
    db.reset();
    db = fFiles.Open(true);
    EXPECT_FALSE(db->IsIndexTrusted()); // the version read is written back unchanged
    EXPECT_EQ(ReadRecord(*db, 5), (TRecordValue{{1, 2, 3}, 'l', 0}));
}

// An index entry that leads to the header of another record, or to no header, must not answer
// for it.
TEST_F(WVEKDBTest, AnIndexEntryLeadingToAnotherRecordIsDamage) {
    const Bytes image = DatabaseImage({{5, 't', 0, kHi}, {6, 't', 0, kHey}});
    fFiles.WriteImage(image);
    WriteIndex({{5, 25 + 28}, {6, 25 + 28}, {7, 3}}, '1');
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    EXPECT_EQ(ReadRecord(*db, 5), std::nullopt);
    EXPECT_EQ(ReadRecord(*db, 7), std::nullopt);
    EXPECT_EQ(db->GetFlags(5), 0u);
    EXPECT_FALSE(db->Delete(5, true));
    EXPECT_EQ(CodeOf([&] { PutBytes(*db, 5, kHi); }), errAssert);
    EXPECT_EQ(CodeOf([&] { db->SetFlags(7, 1); }), errAssert);
    EXPECT_EQ(ReadRecord(*db, 6), (TRecordValue{kHey, 't', 0}));
    ASSERT_EQ(db->Flush(true), 0u);
    EXPECT_EQ(fFiles.DatabaseBytes(), image);
}

// Puts past the record cache's limit (16 MiB) flush during the puts, but a database closed
// without Flush rolls them back: a command commits as one unit.
TEST_F(WVEKDBTest, ForcedFlushesOfTheCacheLimitAreRolledBackWithoutAFinalFlush) {
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    ASSERT_TRUE(PutBytes(*db, 9, {1}));
    ASSERT_EQ(db->Flush(true), 0u);
    const Bytes committed = fFiles.DatabaseBytes(), index = fFiles.IndexBytes();
    const auto size = [&] { return std::filesystem::file_size(fFiles.Path().GetFullPath()); };
    const Bytes big(6u << 20, 0xAB);
    for (uint32_t id = 1; id <= 2; ++id)
        ASSERT_TRUE(PutBytes(*db, id, big));
    EXPECT_EQ(size(), committed.size()); // 12 MiB: still under the limit
    ASSERT_TRUE(PutBytes(*db, 3, big));
    EXPECT_EQ(size(), committed.size() + 3 * (26 + big.size()));
    EXPECT_TRUE(std::filesystem::exists(fFiles.Name("db.jnl")));
    db.reset();
    EXPECT_EQ(fFiles.DatabaseBytes(), committed);
    EXPECT_EQ(fFiles.IndexBytes(), index);
    EXPECT_EQ(fFiles.Files(), (std::vector<std::string>{"db.adb", "db.ind"}));
}

// ---- The journal ---------------------------------------------------------------------------

// The worked example of docs/JournalFormat.md: removing record 7 saves its live header and
// index node 0 before anything is written. The files as a crash would leave them
// (copied while the journal stands) are restored by the next opening, also with a torn tail
// on the journal; a database closed without its final flush rolls back the same way.
TEST_F(WVEKDBTest, AnUncommittedChangeIsRolledBackFromTheJournal) {
    fFiles.WriteImage(DatabaseImage({{7, 't', kFlagDeleted, kHi}, {7, 't', kFlagPermanent, kHey}}));
    fFiles.Open(true); // builds the index: one leaf, 7 -> 53
    const Bytes database = fFiles.DatabaseBytes(), index = fFiles.IndexBytes();
    std::unique_ptr<TWVEK_DB> db = fFiles.Open();
    ASSERT_TRUE(db->Delete(7, true));
    db->CreateIterator(0); // commits to the files without the final flush
    const Bytes journal = ReadBytes(fFiles.Name("db.jnl"));
    const char* const documented =
        "56454b4a524e4c0001000000530000000601000028b0e26252000000350000001a000000461a06f5"
        "52324432070000000400000074200000000000000000350000005201000010000000f6000000438d";
    Bytes prefix;
    for (const char* at = documented; *at; at += 2)
        prefix.push_back(uint8_t(std::stoi(std::string(at, 2), nullptr, 16)));
    ASSERT_EQ(journal.size(), 328u);
    EXPECT_EQ(Bytes(journal.begin(), journal.begin() + long(prefix.size())), prefix);
    EXPECT_NE(fFiles.DatabaseBytes(), database);

    TDatabaseFiles crashed;
    WriteBytes(crashed.Path().GetFullPath(), fFiles.DatabaseBytes());
    WriteBytes(crashed.IndexPath().GetFullPath(), fFiles.IndexBytes());
    Bytes torn = journal;
    torn.insert(torn.end(), {'R', 0, 0, 0, 25, 0, 0, 0}); // a record the crash cut short
    WriteBytes(crashed.Name("db.jnl"), torn);
    EXPECT_EQ(ReadAll(*crashed.Open(true)).size(), 1u);
    EXPECT_EQ(crashed.DatabaseBytes(), database);
    EXPECT_EQ(crashed.IndexBytes(), index);
    EXPECT_EQ(crashed.Files(), (std::vector<std::string>{"db.adb", "db.ind"}));

    db.reset();
    EXPECT_EQ(fFiles.DatabaseBytes(), database);
    EXPECT_EQ(fFiles.IndexBytes(), index);
    EXPECT_EQ(fFiles.Files(), (std::vector<std::string>{"db.adb", "db.ind"}));
}

// ---- Support files -------------------------------------------------------------------------

// The extension is the file name's own: a dot in a directory name plays no part.
TEST(SupportFiles, NamesReplaceTheExtensionOfTheFileName) {
    const struct {
        const char* path;
        TSupportFile which;
        const char* name;
    } cases[] = {{"/d/x.adb", TSupportFile::kIndex, "/d/x.ind"},
                 {"/d/x.adb", TSupportFile::kAge, "/d/x.age"},
                 {"/d/x.y.adb", TSupportFile::kIndex, "/d/x.y.ind"},
                 {"/d/data", TSupportFile::kIndex, "/d/data.ind"},
                 {"/d.e/data", TSupportFile::kAge, "/d.e/data.age"},
                 {"/d/.db", TSupportFile::kJournal, "/d/.db.jnl"},
                 {"/d/x.ind", TSupportFile::kIndex, "/d/x.ind.ind"}, // never itself
                 // A path that could not be made full names no support file (not "./.ind").
                 {"", TSupportFile::kIndex, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(GetSupportFileName(TFilePath(c.path), c.which).GetFullPath(), c.name) << c.path;
}

// A path too long to be made full names no support files: "./.ind" and "./.age" stay.
TEST(SupportFiles, DeleteDatabaseFilesRemovesTheDatabaseAndBothSupportFiles) {
    TDatabaseFiles files;
    for (const char* name : {"db.adb", "db.ind", "db.age", "db.jnl", "db.txt", ".ind", ".age"})
        WriteBytes(files.Name(name), {1});
    DeleteDatabaseFiles(files.Path());
    EXPECT_EQ(files.Files(), (std::vector<std::string>{".age", ".ind", "db.txt"}));
    TCurrentDirectoryGuard inside(files.Name(""));
    DeleteDatabaseFiles(TFilePath(std::string(5000, 'n')));
    EXPECT_EQ(files.Files(), (std::vector<std::string>{".age", ".ind", "db.txt"}));
}

} // namespace
