#include "ClassRegistry.h"

#include <gtest/gtest.h>

namespace {

TEST(ClassRegistry, HashesMatchTheFileFormat) {
    EXPECT_EQ(ZClassNameHash("ZAtomTable"), 52044730u);
    EXPECT_EQ(ZClassNameHash("ZClass"), 939673202u);
    EXPECT_EQ(ZClassNameHash("ZProtocol"), 400042522u);
    EXPECT_EQ(ZClassNameHash("ZAtom"), 35487628u);
    EXPECT_EQ(ZClassNameHash("ZMulti"), 922356236u);
    EXPECT_EQ(ZClassNameHash("ZEnum"), 954622280u);
    EXPECT_EQ(ZClassNameHash("ZEnumItem"), 61330235u);
    EXPECT_EQ(ZClassNameHash("ZString"), 418742016u);
    EXPECT_EQ(ZClassNameHash("ZBuffer"), 339455197u);
}

TEST(ClassRegistry, FindsEveryClassByHashAndNothingForZero) {
    for (int i = 0; i <= int(ZClassId::ActionCondition); ++i) {
        const ZClassInfo& info = ZClassRegistry::Get(ZClassId(i));
        EXPECT_EQ(ZClassRegistry::FindByHash(info.hash), &info) << info.name;
        EXPECT_EQ(info.hash, ZClassNameHash(info.name));
    }
    EXPECT_EQ(ZClassRegistry::FindByHash(0), nullptr);
    EXPECT_EQ(ZClassRegistry::FindByHash(12345), nullptr);
}

TEST(ClassRegistry, StringIsAKindOfBufferOnly) {
    const ZClassInfo& str = ZClassRegistry::Get(ZClassId::String);
    const ZClassInfo& buf = ZClassRegistry::Get(ZClassId::Buffer);
    const ZClassInfo& atom = ZClassRegistry::Get(ZClassId::Atom);
    EXPECT_TRUE(str.IsKindOf(buf));
    EXPECT_TRUE(str.IsKindOf(str));
    EXPECT_FALSE(buf.IsKindOf(str));
    EXPECT_FALSE(atom.IsKindOf(buf));
}

} // namespace
