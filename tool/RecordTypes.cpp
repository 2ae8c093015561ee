#include "RecordTypes.h"

#include "DatabaseFile.h"

namespace {

struct TTypeName {
    const char* keyword;
    int code;
};

// In the order RecordTypeCode tests them.
constexpr TTypeName kTypeNames[] = {
    {"picture", WVEK::kTypePicture}, {"qdf", WVEK::kTypeQdf},       {"list", WVEK::kTypeList},
    {"text", WVEK::kTypeText},       {"binary", WVEK::kTypeBinary},
};

} // namespace

std::optional<int> RecordTypeCode(const std::string& keyword) {
    for (const TTypeName& type : kTypeNames)
        if (keyword == type.keyword) return type.code;
    return std::nullopt;
}

const char* RecordTypeName(int code) {
    if (code == WVEK::kTypeNone) return "none";
    for (const TTypeName& type : kTypeNames)
        if (code == type.code) return type.keyword;
    return "unknown";
}
