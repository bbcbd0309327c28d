// The module HXDigIO.ocx: its module object and the four COM server exports.
#include "HXDigIO.h"

#include "HXDigIOIds.h"
#include "HXDigIO_h.h"

#include <commctrl.h>
#include <olectl.h>

CHXdigIOApp theApp;

BOOL CHXdigIOApp::InitInstance() {
    // The property page's port lists are list views.
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    return COleControlModule::InitInstance();
}

int CHXdigIOApp::ExitInstance() {
    return COleControlModule::ExitInstance();
}

STDAPI DllRegisterServer() {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (!AfxOleRegisterTypeLib(AfxGetInstanceHandle(), LIBID_HXDIGIOLib)) return SELFREG_E_TYPELIB;
    if (!COleObjectFactory::UpdateRegistryAll(TRUE)) return SELFREG_E_CLASS;
    return S_OK;
}

STDAPI DllUnregisterServer() {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (!AfxOleUnregisterTypeLib(LIBID_HXDIGIOLib, kHXDigIOLibVersionMajor, kHXDigIOLibVersionMinor,
                                 0))
        return SELFREG_E_TYPELIB;
    if (!COleObjectFactory::UpdateRegistryAll(FALSE)) return SELFREG_E_CLASS;
    return S_OK;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return AfxDllGetClassObject(rclsid, riid, ppv);
}

STDAPI DllCanUnloadNow() {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return AfxDllCanUnloadNow();
}
