// Console output and shared-library loading.
#include "Platform.h"

#include <cerrno>
#include <dlfcn.h>
#include <time.h>
#include <unistd.h>

namespace Platform {

void WriteStandardError(const char* text, size_t length) {
    while (length > 0) {
        ssize_t put = write(STDERR_FILENO, text, length);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return;
        text += put;
        length -= size_t(put);
    }
}

void SleepMilliseconds(uint32_t milliseconds) {
    struct timespec rest = {time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000L};
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}

void* LoadLibrary(const char* name) {
    return dlopen(name, RTLD_NOW | RTLD_LOCAL);
}

void* FindSymbol(void* library, const char* name) {
    return library ? dlsym(library, name) : nullptr;
}

void FreeLibrary(void* library) {
    if (library) dlclose(library);
}

} // namespace Platform
