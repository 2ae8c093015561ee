#include "AtomLibrary.h"

#include "Exception.h"
#include "FileServices.h"
#include "kelvane.h"

// The installed table seen from the program directory (bin/ beside share/); the build derives
// it from the install layout.
#ifndef TARNWICK_INSTALLED_TABLE
#define TARNWICK_INSTALLED_TABLE "../share/tarnwick/kel.bin"
#endif

namespace {

constexpr const char* kAtomTableName = "kel.bin";
constexpr const char* kInstalledTable = TARNWICK_INSTALLED_TABLE;
constexpr uint32_t kFirstOutputSize = 4096;
constexpr int kBufferTooSmall = 4;

struct TLibraryState {
    bool attempted = false;
    bool ready = false;
    bool terminated = false;
};

TLibraryState& State() {
    static TLibraryState state;
    return state;
}

// The table beside the program wins (the build tree keeps it there); otherwise the installed
// one under share/. When neither exists the path beside the program is given, and fails.
std::string DefaultTablePath() {
    auto* services = LookupService<TFileServices>(kFileServicesClassId);
    if (services == nullptr) throw TTolvException(errNilPointer);
    const std::string directory = services->GetKindDirectory(0).GetDirectory();
    const TFilePath beside(directory + kAtomTableName);
    if (beside.Exists()) return beside.GetFullPath();
    const TFilePath installed(directory + kInstalledTable);
    return installed.Exists() ? installed.GetFullPath() : beside.GetFullPath();
}

} // namespace

bool InitAtomLibrary(const TFilePath* path) {
    TLibraryState& state = State();
    if (state.attempted) return state.ready;
    std::string tablePath = path ? path->GetFullPath() : DefaultTablePath();
    state.ready = KelInitialize(tablePath.c_str()) == 0;
    state.attempted = true;
    return state.ready;
}

void TerminateAtomLibrary() {
    TLibraryState& state = State();
    if (state.terminated) return;
    KelTerminate();
    state.terminated = true;
    state.ready = false;
}

bool AtomLibraryReady() {
    return State().ready;
}

std::string AtomLibraryVersion() {
    return KelGetVersion();
}

void ResetAtomLibraryState() {
    if (State().ready) TerminateAtomLibrary();
    State() = TLibraryState();
}

bool AssembleAtomStream(TMemBuffer& buffer, int32_t* result) {
    if (result) *result = 0;
    if (buffer.GetLength() == 0) return false;
    try {
        TMemBuffer output(nullptr, kFirstOutputSize);
        uint32_t capacity = kFirstOutputSize;
        const auto* text = reinterpret_cast<const char*>(buffer.Data());
        int code = KelAssembleAtomStream(text, 0, output.LockWrite(0), &capacity);
        while (code == kBufferTooSmall) {
            // The library asked for `capacity` bytes; the output grows by that much.
            output.Append(nullptr, capacity);
            code = KelAssembleAtomStream(text, 0, output.LockWrite(0), &capacity);
        }
        if (code != 0) {
            if (result) *result = code;
            return false;
        }
        buffer.Clear();
        buffer.Append(output.Data(), capacity);
        buffer.SetPosition(0);
        return true;
    } catch (...) {
        return false;
    }
}

bool DisassembleAtomStream(const uint8_t* data, uint32_t length, TMemBuffer& text) {
    try {
        text.Clear();
        text.Append(nullptr, kFirstOutputSize);
        uint32_t capacity = kFirstOutputSize;
        // The cursor stays at 0, so LockWrite gives the start of the block.
        int code = KelDisassembleAtomStream(data, length, 0,
                                            reinterpret_cast<char*>(text.LockWrite(0)), &capacity);
        while (code == kBufferTooSmall) {
            text.Append(nullptr, capacity);
            code = KelDisassembleAtomStream(data, length, 0,
                                            reinterpret_cast<char*>(text.LockWrite(0)), &capacity);
        }
        if (code != 0 || capacity > text.GetLength()) return false;
        text.SetPosition(capacity);
        text.Delete(text.GetLength() - capacity);
        text.SetPosition(0);
        return true;
    } catch (...) {
        return false;
    }
}

std::string AtomLibraryErrorText(int32_t result) {
    return KelGetErrorText(result & 0xFFFF);
}
