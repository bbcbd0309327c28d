// HXKImg.dll's COM server entry points: it serves "HXKSim.Simulator" through
// the framework's core (its factory list, registrar and module lock).
#include "AfxModuleState.h"
#include "AfxOleFactory.h"
#include "SimRegistry.h"
#include "hx/module_runtime.h"

#include <windows.h>

#include <olectl.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) AfxSetModuleInstance(instance);
    if (reason == DLL_PROCESS_DETACH) hx::release_runtime_on_unload(reserved);
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    return COleObjectFactory::UpdateRegistryAll(TRUE) ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return COleObjectFactory::UpdateRegistryAll(FALSE) ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    return AfxDllGetClassObject(clsid, riid, object);
}

// The images a client made outlive its simulator objects.
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    if (hxk::SimRegistry::instance().liveCount() != 0) return S_FALSE;
    return AfxDllCanUnloadNow();
}
