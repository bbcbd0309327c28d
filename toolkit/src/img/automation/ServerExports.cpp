// HXKImg.dll's COM server entry points: it serves "HXKSim.Simulator".
#include "ClassFactory.h"
#include "HXKSimAutomation.h"
#include "Registration.h"
#include "ServerModule.h"
#include "SimRegistry.h"

#include <windows.h>

#include <olectl.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) hxk::server::setInstance(instance);
    return TRUE;
}

// Registration builds key paths as strings: out of memory, it fails.
extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    try {
        return hxk::registerSimulator();
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    try {
        return hxk::unregisterSimulator();
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    static const CLSID simulatorClass = HXKSIM_CLSID_INITIALIZER;
    if (!IsEqualCLSID(clsid, simulatorClass)) return CLASS_E_CLASSNOTAVAILABLE;
    return hxk::simulatorFactory().QueryInterface(riid, object);
}

// The images a client made outlive its simulator objects.
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    const bool unused = hxk::server::canUnload() && hxk::SimRegistry::instance().liveCount() == 0;
    return unused ? S_OK : S_FALSE;
}
