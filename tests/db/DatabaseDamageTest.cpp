// Damaged database and index files: every cut and every flipped byte ends in a TTolvException
// or in answers that are right; never a crash or a record handed out for another id.

#include "DatabaseTestUtil.h"
#include "Exception.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace WVEK;

namespace {

using TRecords = std::map<uint32_t, TRecordValue>;

// Runs `step`; a TTolvException ends it quietly, anything else fails the test.
void Survive(const std::string& what, const std::function<void()>& step) {
    try {
        step();
    } catch (const TTolvException&) {
    } catch (...) {
        ADD_FAILURE() << what << ": an exception other than TTolvException";
    }
}

class DatabaseDamageTest : public ::testing::Test {
protected:
    // Records 1 to 4 (one of them empty, one permanent) with dead versions in between.
    void SetUp() override {
        std::unique_ptr<TWVEK_DB> db = fFiles.Open();
        ASSERT_TRUE(PutBytes(*db, 1, {'a', 'b'}, 't'));
        ASSERT_TRUE(PutBytes(*db, 2, {1, 2, 3, 4, 5}, 'p'));
        ASSERT_TRUE(PutBytes(*db, 0x80000003, {}, 'a'));
        ASSERT_EQ(db->Flush(true), 0u);
        ASSERT_TRUE(PutBytes(*db, 1, {'a', 'b', 'c'}));
        ASSERT_TRUE(PutBytes(*db, 4, {9}, 'l'));
        db->SetFlags(2, 0x4);
        ASSERT_EQ(db->Flush(true), 0u);
        fOriginal = ReadAll(*db);
        ASSERT_EQ(fOriginal.size(), 4u);
        db.reset();
        fImage = fFiles.DatabaseBytes();
        fIndex = fFiles.IndexBytes();
    }

    // Writes both files (no index: it is rebuilt), opens them read-only and asks everything,
    // then writable, changes and compacts. `checkAnswers`: every record read for an original id
    // is the original or none; `whole`: every record the iterator finds is an original.
    void Exercise(const std::string& what, const Bytes& image, const std::optional<Bytes>& index,
                  bool checkAnswers, bool whole = false) {
        WriteBytes(fFiles.Path().GetFullPath(), image);
        fFiles.IndexPath().Delete();
        if (index) WriteBytes(fFiles.IndexPath().GetFullPath(), *index);
        Survive(what + " read-only", [&] {
            std::unique_ptr<TWVEK_DB> db = fFiles.Open(true);
            for (const auto& [id, value] : fOriginal) {
                Survive(what + " exists", [&, id = id] { db->Exists(id); });
                const std::optional<TRecordValue> read = ReadRecord(*db, id);
                EXPECT_TRUE(!checkAnswers || !read || *read == value) << what << ", id " << id;
            }
            const TRecords all = ReadAll(*db);
            for (const auto& [id, value] : all)
                EXPECT_TRUE(!whole || value == fOriginal.at(id)) << what << ", id " << id;
        });
        Survive(what + " writable", [&] {
            std::unique_ptr<TWVEK_DB> db = fFiles.Open(false);
            const std::function<void()> steps[] = {[&] {
                                                       PutBytes(*db, 4, {7, 7});
                                                   },
                                                   [&] { PutBytes(*db, 1, {7}); },
                                                   [&] { db->SetFlags(2, 0x1); },
                                                   [&] { db->Delete(2, true); },
                                                   [&] { db->Flush(true); },
                                                   [&] { db->Compact(); },
                                                   [&] { ReadAll(*db); }};
            for (const auto& step : steps)
                Survive(what, step);
        });
    }

    TDatabaseFiles fFiles;
    TRecords fOriginal;
    Bytes fImage, fIndex;
};

// A file cut at a record boundary opens and holds a part of the records.
TEST_F(DatabaseDamageTest, TheDatabaseFileCutAtEveryLength) {
    for (size_t length = 0; length < fImage.size(); ++length)
        Exercise("cut at " + std::to_string(length),
                 Bytes(fImage.begin(), fImage.begin() + long(length)), std::nullopt, true, true);
}

// Flips in the magic, id and position fields of record headers must never make a record
// answer for another; type, flags, length and data bytes carry no check in the format.
TEST_F(DatabaseDamageTest, EveryByteOfTheDatabaseFileFlipped) {
    std::vector<bool> checked(fImage.size(), false);
    for (size_t at = kFileHeaderSize; at < fImage.size();) {
        for (size_t i = 0; i < kRecordHeaderSize; ++i)
            checked[at + i] = i < 8 || i >= kRecordPositionOffset;
        at += kRecordHeaderSize + (fImage[at + 8] | fImage[at + 9] << 8);
    }
    for (size_t at = 0; at < fImage.size(); ++at) {
        for (uint8_t mask : {0xFF, 0x01}) {
            Bytes damaged = fImage;
            damaged[at] ^= mask;
            Exercise("flip at " + std::to_string(at), damaged, fIndex, checked[at]);
        }
    }
}

TEST_F(DatabaseDamageTest, TheIndexFileCutOrFlipped) {
    for (size_t length = 1; length < fIndex.size(); ++length)
        Exercise("index cut at " + std::to_string(length), fImage,
                 Bytes(fIndex.begin(), fIndex.begin() + long(length)), true);
    for (size_t at = 0; at < fIndex.size(); ++at) {
        for (uint8_t mask : {0xFF, 0x01}) {
            Bytes damaged = fIndex;
            damaged[at] ^= mask;
            Exercise("index flip at " + std::to_string(at), fImage, damaged, true);
        }
    }
}

} // namespace
