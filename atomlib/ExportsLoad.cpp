// The exports that start and end the library's use, and its texts.
#include "ExportGuard.h"
#include "KelvaneStrings.h"
#include "LibraryState.h"
#include "TableState.h"
#include "XltModule.h"
#include "kelvane.h"

#include <cstdint>
#include <cstring>

namespace {

// The text of every code lives under string resource code + 100; 50 answers unknown codes.
constexpr int64_t kErrorTextBase = 100;
constexpr int32_t kInvalidErrorNumber = 50;
constexpr size_t kErrorTextSize = 256;

char gErrorText[kErrorTextSize];

const char* ErrorTextResource(int code) {
    int64_t id = kErrorTextBase + code;
    const char* text = nullptr;
    if (id >= INT32_MIN && id <= INT32_MAX) text = FindKelvaneString(int32_t(id));
    if (!text) text = FindKelvaneString(kInvalidErrorNumber);
    return text ? text : "Missing Resources!";
}

} // namespace

extern "C" {

KEL_API int KelInitialize(const char* tablePath) {
    return GuardedCall([tablePath]() -> int32_t {
        XltModule::Load();
        return KelLibrary::LoadTable(tablePath);
    });
}

KEL_API int KelTerminate(void) {
    XltModule::Release();
    ZTableState::Release();
    return 0;
}

KEL_API const char* KelGetVersion(void) {
    return "KEL Build 8";
}

KEL_API const char* KelGetErrorText(int code) {
    std::strncpy(gErrorText, ErrorTextResource(code), kErrorTextSize - 1);
    gErrorText[kErrorTextSize - 1] = 0;
    return gErrorText;
}

} // extern "C"
