// Self-registration: the registry entries of a control class, a property
// page class, a plain server class and a type library, and their removal.
// The classes' entries are one table of the registrar (AfxRegistrar.h); a
// failed registration leaves none of them behind.
#pragma once

#include <windows.h>

enum AFX_REG_FLAGS {
    afxRegDefault = 0x0000,
    afxRegInsertable = 0x0001,
    afxRegApartmentThreading = 0x0002,
    afxRegFreeThreading = 0x0004,
};

// Writes under HKEY_CLASSES_ROOT: CLSID\{clsid} (type name) with
// InprocServer32 (module path, ThreadingModel), ProgID, Control,
// Insertable, ToolboxBitmap32 ("<path>, <id>"), MiscStatus ("0", with
// subkey 1 = the status), TypeLib and Version; and the ProgID's own key
// (type name, CLSID, Insertable). Insertable only with afxRegInsertable.
BOOL AfxOleRegisterControlClass(HINSTANCE hInstance, REFCLSID clsid, LPCSTR pszProgID,
                                UINT idTypeName, UINT idBitmap, int nRegFlags, DWORD dwMiscStatus,
                                REFGUID tlid, WORD wVerMajor, WORD wVerMinor);
// Writes CLSID\{clsid} (type name) with InprocServer32 (module path and,
// when asked for, ThreadingModel).
BOOL AfxOleRegisterPropertyPageClass(HINSTANCE hInstance, REFCLSID clsid, UINT idTypeName,
                                     int nRegFlags = afxRegDefault);
// Writes CLSID\{clsid} (type name) with InprocServer32 (module path and, when
// asked for, ThreadingModel) and ProgID; and the ProgID's own key (type name,
// CLSID).
BOOL AfxOleRegisterServerClass(HINSTANCE hInstance, REFCLSID clsid, LPCSTR pszProgID,
                               LPCSTR pszTypeName, int nRegFlags = afxRegDefault);
// Removes CLSID\{clsid} and, when given, the ProgID's key, each with all
// that lies below it. Keys that are already gone count as removed.
BOOL AfxOleUnregisterClass(REFCLSID clsid, LPCSTR pszProgID);

// Registers the type library inside the module (or in the named file in the
// module's folder) after checking that it is the library `tlid`.
BOOL AfxOleRegisterTypeLib(HINSTANCE hInstance, REFGUID tlid, LPCSTR pszFileName = nullptr,
                           LPCSTR pszHelpDir = nullptr);
// Unregisters a version of the library (0.0: the highest one registered).
BOOL AfxOleUnregisterTypeLib(REFGUID tlid, WORD wVerMajor = 0, WORD wVerMinor = 0, LCID lcid = 0);
