#include "Factory.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr TClassId kTestId = {0x10203040, 0x5060, 0x7080, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr TClassId kLastByteId = {0x10203040, 0x5060, 0x7080, {1, 2, 3, 4, 5, 6, 7, 9}};
constexpr TClassId kOtherId = {0x10203040, 0x5060, 0x7080, {0xEE, 2, 3, 4, 5, 6, 7, 8}};

class TPlainService : public TFactory {};

} // namespace

// Ids order as four unsigned 32-bit groups: data1; data2 high and data3 low; bytes 0-3 and
// 4-7 big-endian.
TEST(ClassId, OrdersByGroupsOfThirtyTwoUnsignedBits) {
    const TClassId ordered[][2] = {
        {{1, 0, 0, {}}, {0x80000000, 0, 0, {}}},
        {{1, 0x5060, 0xFFFF, {}}, {1, 0x5061, 0, {}}},
        {{1, 0, 0, {0, 0, 0, 0xFF}}, {1, 0, 0, {2}}},
        {{1, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0xFF}}, {1, 0, 0, {0, 0, 0, 5}}},
        {{1, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0xFF}}, {1, 0, 0, {0, 0, 0, 0, 6}}}};
    for (size_t i = 0; i < std::size(ordered); ++i) {
        EXPECT_TRUE(ordered[i][0] < ordered[i][1]) << i;
        EXPECT_FALSE(ordered[i][1] < ordered[i][0] || ordered[i][0] < ordered[i][0]) << i;
        EXPECT_FALSE(ordered[i][0] == ordered[i][1]) << i;
    }
}

// Objects are found under their first registered id while they live; a later registration
// under the same id replaces an earlier one and outlives it.
TEST(Factory, LookupFindsLiveRegisteredObjectsUnderTheirFirstId) {
    {
        TPlainService service, other;
        EXPECT_EQ(TFactory::Lookup(kTestId), nullptr);
        service.Register(kTestId);
        service.Register(kOtherId);
        other.Register(kLastByteId);
        EXPECT_TRUE(service.ClassId() == kTestId);
        EXPECT_EQ(TFactory::Lookup(kOtherId), nullptr);
        EXPECT_EQ(TFactory::Lookup(kLastByteId), &other);
        EXPECT_EQ(LookupService<TPlainService>(kTestId), &service);
    }
    EXPECT_EQ(TFactory::Lookup(kTestId), nullptr);
    EXPECT_EQ(TFactory::Lookup(kLastByteId), nullptr);
    auto first = std::make_unique<TPlainService>();
    TPlainService second;
    first->Register(kTestId);
    second.Register(kTestId);
    first.reset();
    EXPECT_EQ(TFactory::Lookup(kTestId), &second);
}
