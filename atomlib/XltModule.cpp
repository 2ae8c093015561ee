#include "XltModule.h"

#include "Platform.h"
#include "TextHooks.h"

namespace {

void* gModule = nullptr;

} // namespace

namespace XltModule {

void Load() {
    Release();
    gModule = Platform::LoadLibrary("libxlt.so");
    if (!gModule) return;
    ZTextHooks& hooks = TextHooks();
    hooks.hText2CText =
        reinterpret_cast<HText2CTextHook>(Platform::FindSymbol(gModule, "HText2CText"));
    hooks.cText2HText =
        reinterpret_cast<CText2HTextHook>(Platform::FindSymbol(gModule, "CText2HText"));
}

void Release() {
    TextHooks() = ZTextHooks();
    Platform::FreeLibrary(gModule);
    gModule = nullptr;
}

} // namespace XltModule
