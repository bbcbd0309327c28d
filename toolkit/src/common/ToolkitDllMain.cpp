// The entry point of the toolkit DLLs that need nothing at load; with it,
// the linked-in C++ runtime gives everything back when the DLL is unloaded.
#include "hx/module_runtime.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH) hx::release_runtime_on_unload(reserved);
    return TRUE;
}
