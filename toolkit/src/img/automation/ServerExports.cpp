// HXKImg.dll's COM server entry points: it serves "HXKSim.Simulator".
#include "ClassFactory.h"
#include "HXKSimAutomation.h"
#include "Registration.h"
#include "ServerModule.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) hxk::server::setInstance(instance);
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    return hxk::registerSimulator();
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return hxk::unregisterSimulator();
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    static const CLSID simulatorClass = HXKSIM_CLSID_INITIALIZER;
    if (!IsEqualCLSID(clsid, simulatorClass)) return CLASS_E_CLASSNOTAVAILABLE;
    return hxk::simulatorFactory().QueryInterface(riid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return hxk::server::canUnload() ? S_OK : S_FALSE;
}
