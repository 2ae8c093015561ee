#pragma once
// The outside text-conversion library Xlt (libxlt.so): loaded by name through the system's
// library search, its two exports installed as the text hooks (TextHooks.h).

namespace XltModule {

// Loads libxlt.so afresh (a module held from an earlier call is released first) and sets
// the hooks to its HText2CText and CText2HText, null where an export is missing. Without
// the library both hooks are null.
void Load();
// Releases the module and clears both hooks.
void Release();

} // namespace XltModule
