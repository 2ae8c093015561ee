#include "Strings.h"

#include "Exception.h"
#include "NumberReader.h"
#include "ProgramStrings.h"

#include <cstdio>

void ToUpper(std::string& text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
}

void ToLower(std::string& text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
}

std::string FormatNumber(int32_t value) {
    return std::to_string(value);
}

int32_t ParseNumber(const std::string& text) {
    return Numbers::ReadSigned(text.c_str(), 10);
}

std::string FormatStringV(const char* format, va_list arguments) {
    va_list measure;
    va_copy(measure, arguments);
    int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) return std::string();
    std::string text(size_t(length), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, arguments);
    return text;
}

std::string FormatString(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::string text = FormatStringV(format, arguments);
    va_end(arguments);
    return text;
}

std::string LoadResourceString(uint32_t id, TResourceModule module) {
    if (module == nullptr) {
        if (TAppStatus* status = LookupService<TAppStatus>(kAppStatusClassId))
            module = status->GetResourceModule(5);
    }
    const char* text = module ? module(id) : FindProgramString(id);
    if (text == nullptr) return std::string();
    std::string result(text);
    if (result.size() > kMaxResourceString) result.resize(kMaxResourceString);
    return result;
}

namespace {

constexpr uint32_t kStringTableRecordBase = 0x16010000;

// Releases a handed-out record object on every way out of the scope.
struct TReleaseOnExit {
    TDBObject* object;
    ~TReleaseOnExit() { object->Release(); }
};

} // namespace

std::string LoadRecordString(uint32_t index) {
    TDBObjectClass* records = LookupService<TDBObjectClass>(kDBObjectClassId);
    ThrowUnless(records != nullptr, errNilPointer);
    TDBObject* object = records->GetObject(kStringTableRecordBase + index, 0);
    if (object == nullptr) return std::string();
    TReleaseOnExit release{object};
    const void* data = object->GetDataPointer();
    uint32_t size = object->GetDataSize();
    if (data == nullptr || size == 0) return std::string();
    return std::string(static_cast<const char*>(data), size);
}
