#include "KelvaneStrings.h"

namespace {

struct StringResource {
    int32_t id;
    const char* text;
};

// Error code c has its text under id c + 100; id 50 is the text for unknown codes.
constexpr StringResource kKelvaneStrings[] = {
    {50, "Invalid Error Number"},
    {98, "Failed to disassemble QDF: "},
    {99, "Failed to assemble QDF.  Line "},
    {100, "Peachy!"},
    {101, "Table File Open Fail"},
    {102, "Table File Bad Format"},
    {103, "Not Implemented"},
    {104, "Buffer Too Small"},
    {105, "Out of Memory"},
    {106, "Missing Quote"},
    {107, "Missing Open Bracket"},
    {108, "Missing Close Bracket"},
    {109, "Missing Comma"},
    {110, "Unrecognized Atom"},
    {111, "Bad Format"},
    {112, "Bad Boolean Format"},
    {113, "Bad Orientation Format"},
    {114, "Bad Object Name Format"},
    {115, "Bad Alert Name Format"},
    {116, "Bad Number Format"},
    {117, "Bad Letter Format"},
    {118, "Bad Token Format"},
    {119, "Bad String Format"},
    {120, "Bad Global ID Format"},
    {121, "Bad Byte Format"},
    {122, "Bad Hex Format"},
    {123, "Unrecognized Enum"},
    {124, "Value Too Large"},
    {125, "Callback Canceled"},
    {126, "Bad Escape Sequence"},
    {127, "The stream is too large to disassemble."},
    {128, "Mismatched text type"},
};

} // namespace

const char* FindKelvaneString(int32_t id) {
    for (const StringResource& entry : kKelvaneStrings)
        if (entry.id == id) return entry.text;
    return nullptr;
}
