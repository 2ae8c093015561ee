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

    // Every answer about an original id is the original record or none.
    void ExpectNoWrongRecord(TWVEK_DB& db, const std::string& what) {
        for (const auto& [id, value] : fOriginal) {
            std::optional<TRecordValue> read = ReadRecord(db, id);
            if (read) {
                EXPECT_EQ(*read, value) << what << ", id " << id;
            }
        }
    }

    // Opens read-only and asks everything; then writable, changes and compacts.
    void Exercise(const std::string& what, bool checkAnswers) {
        Survive(what + " read-only", [&] {
            std::unique_ptr<TWVEK_DB> db = fFiles.Open(true);
            if (checkAnswers) ExpectNoWrongRecord(*db, what);
            for (const auto& entry : fOriginal)
                Survive(what + " exists", [&] { db->Exists(entry.first); });
            ReadAll(*db);
        });
        Survive(what + " writable", [&] {
            std::unique_ptr<TWVEK_DB> db = fFiles.Open(false);
            Survive(what + " put", [&] { PutBytes(*db, 4, {7, 7}); });
            Survive(what + " put", [&] { PutBytes(*db, 1, {7}); });
            Survive(what + " flags", [&] { db->SetFlags(2, 0x1); });
            db->Delete(2, true);
            db->Flush(true);
            db->Compact();
            Survive(what + " walk", [&] { ReadAll(*db); });
        });
    }

    TDatabaseFiles fFiles;
    TRecords fOriginal;
    Bytes fImage, fIndex;
};

TEST_F(DatabaseDamageTest, TheDatabaseFileCutAtEveryLength) {
    for (size_t length = 0; length < fImage.size(); ++length) {
        fFiles.WriteImage(Bytes(fImage.begin(), fImage.begin() + std::ptrdiff_t(length)));
        Survive("cut", [&] {
            // A file cut at a record boundary opens; it then holds a part of the records.
            std::unique_ptr<TWVEK_DB> db = fFiles.Open(true);
            for (const auto& [id, value] : ReadAll(*db))
                EXPECT_EQ(value, fOriginal.at(id)) << "cut at " << length;
        });
        Exercise("cut at " + std::to_string(length), false);
    }
}

// Flips in the magic, id and position fields of record headers must never make a record
// answer for another; type, flags, length and data bytes carry no check in the format.
TEST_F(DatabaseDamageTest, EveryByteOfTheDatabaseFileFlipped) {
    std::vector<bool> checked(fImage.size(), false);
    for (size_t at = kFileHeaderSize; at < fImage.size();) {
        for (size_t i = 0; i < 8; ++i)
            checked[at + i] = true; // magic and id
        for (size_t i = kRecordPositionOffset; i < kRecordHeaderSize; ++i)
            checked[at + i] = true;
        at += kRecordHeaderSize + (fImage[at + 8] | fImage[at + 9] << 8);
    }
    for (size_t at = 0; at < fImage.size(); ++at) {
        for (uint8_t mask : {0xFF, 0x01}) {
            Bytes damaged = fImage;
            damaged[at] ^= mask;
            WriteBytes(fFiles.Path().GetFullPath(), damaged);
            WriteBytes(fFiles.IndexPath().GetFullPath(), fIndex);
            Exercise("flip at " + std::to_string(at), checked[at]);
        }
    }
}

TEST_F(DatabaseDamageTest, EveryByteOfTheIndexFileFlipped) {
    for (size_t at = 0; at < fIndex.size(); ++at) {
        for (uint8_t mask : {0xFF, 0x01}) {
            Bytes damaged = fIndex;
            damaged[at] ^= mask;
            WriteBytes(fFiles.Path().GetFullPath(), fImage);
            WriteBytes(fFiles.IndexPath().GetFullPath(), damaged);
            Exercise("index flip at " + std::to_string(at), true);
        }
    }
}

TEST_F(DatabaseDamageTest, TheIndexFileCutAtEveryLength) {
    for (size_t length = 1; length < fIndex.size(); ++length) {
        WriteBytes(fFiles.Path().GetFullPath(), fImage);
        WriteBytes(fFiles.IndexPath().GetFullPath(),
                   Bytes(fIndex.begin(), fIndex.begin() + std::ptrdiff_t(length)));
        Exercise("index cut at " + std::to_string(length), true);
    }
}

} // namespace
