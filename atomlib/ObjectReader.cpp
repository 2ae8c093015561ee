#include "ObjectReader.h"

bool ZObjectReader::Take(size_t count, const uint8_t*& bytes) {
    if (failed_ || size_ - position_ < count) {
        failed_ = true;
        return false;
    }
    bytes = data_ + position_;
    position_ += count;
    return true;
}

uint16_t ZObjectReader::ReadWord() {
    const uint8_t* b;
    return Take(2, b) ? uint16_t((b[0] << 8) | b[1]) : 0;
}

uint32_t ZObjectReader::ReadLong() {
    const uint8_t* b;
    if (!Take(4, b)) return 0;
    return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
}

void ZObjectReader::Expect(uint16_t expected) {
    if (ReadWord() != expected) failed_ = true;
}

uint16_t ZObjectReader::ReadTaggedWord() {
    Expect(ObjectTags::kWord);
    return ReadWord();
}

uint32_t ZObjectReader::ReadTaggedLong() {
    Expect(ObjectTags::kLong);
    return ReadLong();
}

ZObjectReader::Reference ZObjectReader::ReadReference(const ZClassInfo& expected) {
    Reference ref;
    if (ReadWord() != ObjectTags::kReference) return ref; // only the tag is consumed
    const ZClassInfo* cls = ZClassRegistry::FindByHash(ReadLong());
    if (failed_ || !cls) return ref;
    if (!cls->IsKindOf(expected)) {
        failed_ = true;
        return ref;
    }
    ref.id = ReadTaggedLong();
    if (!failed_) ref.cls = cls;
    return ref;
}

bool ZObjectReader::RequireClass(const Reference& ref, ZClassId expected) {
    if (ref.cls->id != expected) failed_ = true;
    return !failed_;
}

std::shared_ptr<void> ZObjectReader::Seen(const Reference& ref) {
    auto it = objects_.find(ref.id);
    if (it == objects_.end()) return nullptr;
    if (it->second.cls != ref.cls || !it->second.object) failed_ = true;
    return failed_ ? nullptr : it->second.object;
}

void ZObjectReader::ReadEmbeddedString(ZString& text) {
    const ZClassInfo& stringClass = ZClassRegistry::Get(ZClassId::String);
    Reference ref = ReadReference(stringClass);
    if (ref.cls != &stringClass || objects_.count(ref.id)) failed_ = true;
    if (failed_) return;
    objects_[ref.id] = Known{ref.cls, nullptr};
    Expect(ObjectTags::kVersion); // ZString
    Expect(ObjectTags::kVersion); // its ZBuffer part
    uint16_t length = ReadTaggedWord();
    const uint8_t* bytes;
    if (Take(length, bytes)) text.Assign(bytes, length);
}
