#include "RecordTypes.h"

namespace {

struct TTypeName {
    const char* keyword;
    int code;
};

// In the order RecordTypeCode tests them.
constexpr TTypeName kTypeNames[] = {
    {"picture", 'p'}, {"qdf", 'a'}, {"list", 'l'}, {"text", 't'}, {"binary", 'b'},
};

} // namespace

std::optional<int> RecordTypeCode(const std::string& keyword) {
    for (const TTypeName& type : kTypeNames)
        if (keyword == type.keyword) return type.code;
    return std::nullopt;
}

const char* RecordTypeName(int code) {
    if (code == 0) return "none";
    for (const TTypeName& type : kTypeNames)
        if (code == type.code) return type.keyword;
    return "unknown";
}
