// A randomized run of puts, replaces, flag changes, deletes, flushes, reopenings and
// compactions against a std::map of the records expected; every record's bytes, type and flags
// are checked along the way.

#include "DatabaseTestUtil.h"

#include <gtest/gtest.h>

#include <random>

using namespace WVEK;

namespace {

class TModelRun {
public:
    explicit TModelRun(uint32_t seed) : fRandom(seed), fDb(fFiles.Open()) {}

    // One random operation on a random id, then that id checked.
    void Step() {
        const uint32_t id = RandomId(), op = Below(100);
        auto it = fModel.find(id);
        const bool present = it != fModel.end();
        if (op < 45) {
            static const uint8_t kTypes[] = {0, 'a', 'b', 'l', 'p', 't', 200};
            const Bytes data = RandomData();
            const uint8_t type = kTypes[Below(std::size(kTypes))];
            ASSERT_TRUE(PutBytes(*fDb, id, data, type));
            if (present)
                it->second.data = data; // type and flags stay
            else
                fModel[id] = TRecordValue{data, int(int8_t(type)), 0};
        } else if (op < 62) {
            const bool force = Below(2) == 0;
            const bool deleted = present && (force || (it->second.flags & 0x4) == 0);
            EXPECT_EQ(fDb->Delete(id, force), deleted) << id;
            if (deleted) fModel.erase(it);
        } else if (op < 77) {
            const uint32_t flags = Below(16); // 0x8 is no public flag and must not stick
            fDb->SetFlags(id, flags);
            if (present) it->second.flags = flags & 0x7;
        } else if (op < 87) {
            ASSERT_EQ(fDb->Flush(Below(2) == 0), 0u);
        } else if (op < 92) {
            ASSERT_EQ(fDb->Flush(true), 0u);
            fDb.reset();
            if (Below(2) == 0) {
                fDb.reset();
                fDb = fFiles.Open(true);
                CheckAll();
            }
            fDb.reset();
            fDb = fFiles.Open();
        } else if (op < 94) {
            ASSERT_EQ(fDb->Compact(), 0u);
            size_t size = kFileHeaderSize;
            for (const auto& entry : fModel)
                size += kRecordHeaderSize + entry.second.data.size();
            EXPECT_EQ(fFiles.DatabaseBytes().size(), size);
            EXPECT_EQ(fFiles.Files(), (std::vector<std::string>{"db.adb", "db.ind"}));
        } else {
            CheckOne(RandomId());
        }
        CheckOne(id);
    }

    // Every record through the iterator and through Get, and absent ids absent.
    void CheckAll() {
        int duplicates = 0;
        EXPECT_EQ(ReadAll(*fDb, &duplicates), fModel);
        EXPECT_EQ(duplicates, 0); // one live version per id
        for (uint32_t n = 0; n < kIds; ++n) {
            const uint32_t id = IdOf(n);
            EXPECT_EQ(fDb->Exists(id), fModel.count(id) != 0) << id;
        }
    }

private:
    static constexpr uint32_t kIds = 48;

    uint32_t Below(uint32_t n) {
        return std::uniform_int_distribution<uint32_t>(0, n - 1)(fRandom);
    }
    // Ids spread over the signed order of the index: some have the top bit set.
    static uint32_t IdOf(uint32_t n) { return n % 3 == 0 ? 0x80000000u + n : n * 977; }
    uint32_t RandomId() { return IdOf(Below(kIds)); }

    Bytes RandomData() {
        const uint32_t size = Below(100) < 4   ? 20000 + Below(20000)
                              : Below(10) == 0 ? 0
                                               : Below(600);
        Bytes data(size);
        for (uint8_t& byte : data)
            byte = uint8_t(fRandom());
        return data;
    }

    void CheckOne(uint32_t id) {
        auto it = fModel.find(id);
        EXPECT_EQ(ReadRecord(*fDb, id),
                  it == fModel.end() ? std::nullopt : std::optional<TRecordValue>(it->second))
            << id;
    }

    std::mt19937 fRandom;
    TDatabaseFiles fFiles;
    std::unique_ptr<TWVEK_DB> fDb;
    std::map<uint32_t, TRecordValue> fModel;
};

TEST(WVEKDBModel, RandomOperationsAgreeWithTheModel) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        TModelRun run(seed);
        for (int step = 0; step < 1500 && !::testing::Test::HasFatalFailure(); ++step) {
            run.Step();
            if (step % 50 == 49) run.CheckAll();
        }
        run.CheckAll();
    }
}

} // namespace
