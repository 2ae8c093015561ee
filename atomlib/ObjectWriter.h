#pragma once
// ZObjectWriter: writes the library's object files (see docs/atom-table-format.md). Object
// ids are handed out in write order from 1, so writing one tree twice gives the same bytes;
// an object met again (same address) is written as a repeated reference without its body.

#include "ClassRegistry.h"
#include "ZString.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class ZObjectWriter {
public:
    ZObjectWriter();

    void WriteWord(uint16_t value);
    void WriteLong(uint32_t value);
    void WriteTaggedWord(uint16_t value); // 0xFFED and the word
    void WriteTaggedLong(uint32_t value); // 0xFFEB and the long
    void WriteNull();                     // the null reference FF EA 00 00 00 00

    // Writes the reference to `object` of class `id`. True when this is the object's first
    // appearance: its version word has been written and its body must follow.
    bool BeginObject(ZClassId id, const void* object);
    // Writes `items` as a list (references closed by a null one), each new member's body by
    // `body`.
    template <class T, class Body>
    void WriteList(ZClassId id, const std::vector<std::shared_ptr<T>>& items, Body body) {
        for (const auto& item : items)
            if (BeginObject(id, item.get())) body(*item);
        WriteNull();
    }
    // An embedded string: a reference with a new id and the ZString body. The length must
    // fit in 16 bits (callers check).
    void WriteEmbeddedString(const ZString& text);

    // The file written so far (it starts with the header word).
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    void WriteReference(ZClassId id);

    std::vector<uint8_t> bytes_;
    uint32_t nextId_ = 1;
    std::unordered_map<const void*, uint32_t> ids_;
};
