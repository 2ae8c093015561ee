#include "Factory.h"

#include <gtest/gtest.h>

namespace {

constexpr TClassId kTestId = {0x10203040, 0x5060, 0x7080, {1, 2, 3, 4, 5, 6, 7, 8}};

TClassId WithByte(TClassId id, int index, uint8_t value) {
    id.data4[index] = value;
    return id;
}

class TPlainService : public TFactory {};

TEST(ClassId, OrdersByGroupsOfThirtyTwoBits) {
    TClassId base = kTestId;
    TClassId higherFirst = base;
    higherFirst.data1 = 0x10203041;
    EXPECT_LT(base, higherFirst);
    EXPECT_FALSE(higherFirst < base);

    // data2 is the high half of the second group and decides before data3.
    TClassId a = base, b = base;
    a.data2 = 0x5061;
    a.data3 = 0x0000;
    b.data3 = 0xFFFF;
    EXPECT_LT(b, a);

    // Bytes 8-11 and 12-15 compare as big-endian numbers: byte 8 outweighs byte 11.
    EXPECT_LT(WithByte(base, 3, 0xFF), WithByte(base, 0, 2));
    EXPECT_LT(WithByte(base, 7, 0xFF), WithByte(base, 4, 6));
    EXPECT_LT(WithByte(base, 7, 0xFF), WithByte(base, 3, 5));
    // Unsigned comparison throughout.
    TClassId negative = base;
    negative.data1 = 0x80000000;
    EXPECT_LT(base, negative);
    EXPECT_FALSE(base < base);
}

TEST(ClassId, KnownIdsAreDistinctAndOrdered) {
    EXPECT_FALSE(kAppStatusClassId == kFileServicesClassId);
    EXPECT_FALSE(kAppStatusClassId == kDBObjectClassId);
    EXPECT_FALSE(kFileServicesClassId == kDBObjectClassId);
    EXPECT_LT(kAppStatusClassId, kFileServicesClassId);
    TClassId statusWithFileServicesData1 = kAppStatusClassId;
    statusWithFileServicesData1.data1 = kFileServicesClassId.data1;
    EXPECT_TRUE(statusWithFileServicesData1 == kFileServicesClassId);
}

TEST(Factory, LookupFindsOnlyLiveRegisteredObjects) {
    EXPECT_EQ(TFactory::Lookup(kTestId), nullptr);
    {
        TPlainService service;
        EXPECT_FALSE(service.IsRegistered());
        EXPECT_EQ(TFactory::Lookup(kTestId), nullptr);
        service.Register(kTestId);
        EXPECT_TRUE(service.IsRegistered());
        EXPECT_TRUE(service.ClassId() == kTestId);
        EXPECT_EQ(TFactory::Lookup(kTestId), &service);
    }
    EXPECT_EQ(TFactory::Lookup(kTestId), nullptr);
}

TEST(Factory, IdsDifferingInTheLastByteAreDistinctEntries) {
    TPlainService first, second;
    TClassId otherId = WithByte(kTestId, 7, 9);
    first.Register(kTestId);
    second.Register(otherId);
    EXPECT_EQ(TFactory::Lookup(kTestId), &first);
    EXPECT_EQ(TFactory::Lookup(otherId), &second);
}

TEST(Factory, RegisterTwiceKeepsTheFirstId) {
    TPlainService service;
    TClassId otherId = WithByte(kTestId, 0, 0xEE);
    service.Register(kTestId);
    service.Register(otherId);
    EXPECT_TRUE(service.ClassId() == kTestId);
    EXPECT_EQ(TFactory::Lookup(kTestId), &service);
    EXPECT_EQ(TFactory::Lookup(otherId), nullptr);
}

TEST(Factory, ALaterRegistrationReplacesAndSurvivesTheEarlierObject) {
    auto first = std::make_unique<TPlainService>();
    TPlainService second;
    first->Register(kTestId);
    second.Register(kTestId);
    EXPECT_EQ(TFactory::Lookup(kTestId), &second);
    first.reset();
    EXPECT_EQ(TFactory::Lookup(kTestId), &second);
}

TEST(Factory, LookupServiceChecksTheClass) {
    class TOtherInterface : public TFactory {
    public:
        virtual int Answer() = 0;
    };
    TPlainService plain;
    plain.Register(kTestId);
    EXPECT_EQ(LookupService<TOtherInterface>(kTestId), nullptr);
    EXPECT_EQ(LookupService<TPlainService>(kTestId), &plain);
    EXPECT_EQ(LookupService<TPlainService>(kDBObjectClassId), nullptr);
}

} // namespace
