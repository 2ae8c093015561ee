#pragma once
// The registry of serialisable classes: each class's name, the hash that introduces its
// objects in an object file, and its parent. See docs/atom-table-format.md.

#include <cstdint>

// The classes an object file may name. The six Action classes are registered so that their
// hashes are known, but no atom table record accepts them.
enum class ZClassId {
    AtomTable,
    Class,
    Protocol,
    Atom,
    Multi,
    Enum,
    EnumItem,
    String,
    Buffer,
    ActionTable,
    ActionDescription,
    ActionCode,
    ActionFragment,
    ActionArgument,
    ActionCondition,
};

struct ZClassInfo {
    ZClassId id;
    const char* name;
    uint32_t hash;
    const ZClassInfo* parent; // null for a root class; only ZString has a parent (ZBuffer)

    // True when this class is `other` or derives from it.
    bool IsKindOf(const ZClassInfo& other) const;
};

// The hash of a class name: h = length; h = h * 613 + c for each (signed) byte in 32-bit
// two's complement; then |h| modulo 1073741827.
uint32_t ZClassNameHash(const char* name);

namespace ZClassRegistry {

// The record of a registered class; every ZClassId has one.
const ZClassInfo& Get(ZClassId id);
// The class whose name hashes to `hash`, or null when none does (hash 0 included).
const ZClassInfo* FindByHash(uint32_t hash);

} // namespace ZClassRegistry
