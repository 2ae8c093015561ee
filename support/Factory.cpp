#include "Factory.h"

#include <cstring>
#include <map>
#include <tuple>

namespace {

uint32_t BigEndianWord(const uint8_t* bytes) {
    return (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) |
           uint32_t(bytes[3]);
}

// The four 32-bit groups that decide the order, most significant first.
std::tuple<uint32_t, uint32_t, uint32_t, uint32_t> OrderKey(const TClassId& id) {
    return {id.data1, (uint32_t(id.data2) << 16) | id.data3, BigEndianWord(id.data4),
            BigEndianWord(id.data4 + 4)};
}

using TRegistry = std::map<TClassId, TFactory*>;

// Created on first use and never destroyed, so that objects still registered when static
// destructors run (they are not destroyed by the registry) can leave it safely.
TRegistry& Registry() {
    static TRegistry* registry = new TRegistry;
    return *registry;
}

} // namespace

bool operator==(const TClassId& a, const TClassId& b) {
    return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 &&
           std::memcmp(a.data4, b.data4, sizeof a.data4) == 0;
}

bool operator<(const TClassId& a, const TClassId& b) {
    return OrderKey(a) < OrderKey(b);
}

const TClassId kAppStatusClassId = {
    0x4C7A9E10, 0x2B3D, 0x11D2, {0x8E, 0x51, 0x00, 0x60, 0x97, 0x3A, 0x1C, 0x44}};
const TClassId kFileServicesClassId = {
    0x4C7A9E11, 0x2B3D, 0x11D2, {0x8E, 0x51, 0x00, 0x60, 0x97, 0x3A, 0x1C, 0x44}};
const TClassId kDBObjectClassId = {
    0x91E05D27, 0x6F02, 0x11D3, {0xA4, 0x17, 0x00, 0x80, 0x5F, 0xC2, 0x39, 0x0B}};

TFactory::~TFactory() {
    if (!registered_) return;
    // Only this object's own entry goes: an object that replaced it under the same id stays.
    auto entry = Registry().find(classId_);
    if (entry != Registry().end() && entry->second == this) Registry().erase(entry);
}

void TFactory::Register(const TClassId& id) {
    if (registered_) return;
    Registry()[id] = this;
    classId_ = id;
    registered_ = true;
}

TFactory* TFactory::Lookup(const TClassId& id) {
    auto entry = Registry().find(id);
    return entry == Registry().end() ? nullptr : entry->second;
}
