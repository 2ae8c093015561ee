#include "ClassRegistry.h"

#include <array>
#include <cstring>

namespace {

constexpr uint32_t kHashModulus = 1073741827; // 0x40000003

struct Registry {
    std::array<ZClassInfo, 15> classes;

    Registry() {
        const char* names[] = {
            "ZAtomTable",      "ZClass",          "ZProtocol",          "ZAtom",
            "ZMulti",          "ZEnum",           "ZEnumItem",          "ZString",
            "ZBuffer",         "ZActionTable",    "ZActionDescription", "ZActionCode",
            "ZActionFragment", "ZActionArgument", "ZActionCondition"};
        for (size_t i = 0; i < classes.size(); ++i)
            classes[i] = ZClassInfo{ZClassId(i), names[i], ZClassNameHash(names[i]), nullptr};
        classes[size_t(ZClassId::String)].parent = &classes[size_t(ZClassId::Buffer)];
    }
};

const Registry& TheRegistry() {
    static const Registry registry;
    return registry;
}

} // namespace

bool ZClassInfo::IsKindOf(const ZClassInfo& other) const {
    for (const ZClassInfo* c = this; c; c = c->parent)
        if (c == &other) return true;
    return false;
}

uint32_t ZClassNameHash(const char* name) {
    uint32_t h = uint32_t(std::strlen(name));
    for (const char* p = name; *p; ++p)
        h = h * 613u + uint32_t(int32_t(int8_t(*p)));
    if (int32_t(h) < 0) h = 0u - h; // |h|; 0x80000000 stays as it is
    return h % kHashModulus;
}

namespace ZClassRegistry {

const ZClassInfo& Get(ZClassId id) {
    return TheRegistry().classes[size_t(id)];
}

const ZClassInfo* FindByHash(uint32_t hash) {
    if (hash == 0) return nullptr;
    for (const ZClassInfo& info : TheRegistry().classes)
        if (info.hash == hash) return &info;
    return nullptr;
}

} // namespace ZClassRegistry
