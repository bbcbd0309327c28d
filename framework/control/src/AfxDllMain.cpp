// The entry point of a control module built on the framework (linked into
// the module as an object of its own, so it always replaces the runtime's
// default one). Static objects, the module object among them, are built
// before it runs and destroyed after the detach.
#include "AfxOleControlModule.h"
#include "hx/module_runtime.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID lpReserved) {
    if (dwReason == DLL_PROCESS_ATTACH) {
        AfxSetModuleInstance(hInstance);
        COleControlModule* module = AfxGetApp();
        if (!module) return TRUE;
        module->m_hInstance = hInstance;
        return module->InitInstance();
    }
    if (dwReason == DLL_PROCESS_DETACH) {
        if (COleControlModule* module = AfxGetApp()) module->ExitInstance();
        hx::release_runtime_on_unload(lpReserved);
    }
    return TRUE;
}
