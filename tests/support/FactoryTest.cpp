#include "Factory.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr TClassId kTestId = {0x10203040, 0x5060, 0x7080, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr TClassId kLastByteId = {0x10203040, 0x5060, 0x7080, {1, 2, 3, 4, 5, 6, 7, 9}};
constexpr TClassId kOtherId = {0x10203040, 0x5060, 0x7080, {0xEE, 2, 3, 4, 5, 6, 7, 8}};

class TPlainService : public TFactory {};

} // namespace

// Objects are found under their first registered id while they live (ids that differ in any
// byte are apart); a later registration under the same id replaces an earlier one and
// outlives it.
TEST(Factory, LookupFindsLiveRegisteredObjectsUnderTheirFirstId) {
    {
        TPlainService service, other;
        EXPECT_EQ(TFactory::Lookup(kTestId), nullptr);
        service.Register(kTestId);
        service.Register(kOtherId);
        other.Register(kLastByteId);
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
