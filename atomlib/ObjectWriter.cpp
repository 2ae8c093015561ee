#include "ObjectWriter.h"

#include "ObjectReader.h"

ZObjectWriter::ZObjectWriter() {
    WriteWord(ObjectTags::kHeader);
}

void ZObjectWriter::WriteWord(uint16_t value) {
    bytes_.push_back(uint8_t(value >> 8));
    bytes_.push_back(uint8_t(value));
}

void ZObjectWriter::WriteLong(uint32_t value) {
    WriteWord(uint16_t(value >> 16));
    WriteWord(uint16_t(value));
}

void ZObjectWriter::WriteTaggedWord(uint16_t value) {
    WriteWord(ObjectTags::kWord);
    WriteWord(value);
}

void ZObjectWriter::WriteTaggedLong(uint32_t value) {
    WriteWord(ObjectTags::kLong);
    WriteLong(value);
}

void ZObjectWriter::WriteNull() {
    WriteWord(ObjectTags::kReference);
    WriteLong(0);
}

void ZObjectWriter::WriteReference(ZClassId id) {
    WriteWord(ObjectTags::kReference);
    WriteLong(ZClassRegistry::Get(id).hash);
}

bool ZObjectWriter::BeginObject(ZClassId id, const void* object) {
    WriteReference(id);
    auto [it, isNew] = ids_.try_emplace(object, nextId_);
    WriteTaggedLong(it->second);
    if (!isNew) return false;
    ++nextId_;
    WriteWord(ObjectTags::kVersion);
    return true;
}

void ZObjectWriter::WriteEmbeddedString(const ZString& text) {
    WriteReference(ZClassId::String);
    WriteTaggedLong(nextId_++);
    WriteWord(ObjectTags::kVersion); // ZString
    WriteWord(ObjectTags::kVersion); // its ZBuffer part
    WriteTaggedWord(uint16_t(text.Length()));
    bytes_.insert(bytes_.end(), text.Data(), text.Data() + text.Length());
}
