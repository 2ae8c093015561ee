#pragma once
// ZObjectReader: reads the library's object files (see docs/atom-table-format.md) from
// memory: big-endian words, tagged values and object references with their ids.
//
// The error is sticky: after the first failure (end of data, wrong tag, wrong version, wrong
// class, bad id) every read fails and returns 0 or null, so callers may read on and check
// Failed() once. Memory use is bounded by the input: every object costs input bytes.

#include "ClassRegistry.h"
#include "ZString.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>

namespace ObjectTags {
constexpr uint16_t kHeader = 0x0001;
constexpr uint16_t kVersion = 0x0001;
constexpr uint16_t kReference = 0xFFEA;
constexpr uint16_t kLong = 0xFFEB;
constexpr uint16_t kSignedWord = 0xFFEC;
constexpr uint16_t kWord = 0xFFED;
} // namespace ObjectTags

class ZObjectReader {
public:
    // `data` must outlive the reader.
    ZObjectReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Failed() const { return failed_; }
    void Fail() { failed_ = true; }

    uint16_t ReadWord();
    uint32_t ReadLong();
    // Reads a word and fails unless it is `expected`.
    void Expect(uint16_t expected);
    uint16_t ReadTaggedWord(); // 0xFFED and a word
    uint32_t ReadTaggedLong(); // 0xFFEB and a long

    // Reads an object reference to a kind of `expected`. Null when the reference is null
    // (any tag but 0xFFEA, hash 0, an unknown hash) or on failure. An id met before stands for
    // the object read then; a new id creates a T and reads its version word and `body`.
    template <class T, class Body> std::shared_ptr<T> ReadObject(ZClassId expected, Body body) {
        Reference ref = ReadReference(ZClassRegistry::Get(expected));
        if (!ref.cls || !RequireClass(ref, expected)) return nullptr;
        if (std::shared_ptr<void> seen = Seen(ref)) return std::static_pointer_cast<T>(seen);
        if (failed_) return nullptr;
        auto object = std::make_shared<T>();
        objects_[ref.id] = Known{ref.cls, object};
        Expect(ObjectTags::kVersion);
        body(*object);
        return failed_ ? nullptr : object;
    }

    // Reads an embedded string: a reference of class ZString exactly, with a new id, and its
    // body; anything else fails.
    void ReadEmbeddedString(ZString& text);

private:
    struct Reference {
        const ZClassInfo* cls = nullptr;
        uint32_t id = 0;
    };
    struct Known {
        const ZClassInfo* cls;
        std::shared_ptr<void> object; // null for embedded strings, which cannot be repeated
    };

    bool Take(size_t count, const uint8_t*& bytes);
    Reference ReadReference(const ZClassInfo& expected);
    // The records' classes have no subclasses, so a reference must name the class itself.
    bool RequireClass(const Reference& ref, ZClassId expected);
    // The object already read under ref.id (null when the id is new); fails when the id was
    // read with another class or belongs to an embedded string.
    std::shared_ptr<void> Seen(const Reference& ref);

    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
    bool failed_ = false;
    std::unordered_map<uint32_t, Known> objects_;
};
