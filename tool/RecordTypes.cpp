#include "RecordTypes.h"

#include "DatabaseFile.h"

namespace {

constexpr struct {
    int code;
    const char* name;
} kTypeNames[] = {
    {WVEK::kTypeNone, "none"}, {WVEK::kTypeQdf, "qdf"},         {WVEK::kTypeBinary, "binary"},
    {WVEK::kTypeList, "list"}, {WVEK::kTypePicture, "picture"}, {WVEK::kTypeText, "text"},
};

} // namespace

std::string RecordTypeName(int code) {
    for (const auto& type : kTypeNames)
        if (type.code == code) return type.name;
    return "unknown";
}
