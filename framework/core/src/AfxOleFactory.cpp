#include "AfxOleFactory.h"

#include "AfxModuleState.h"
#include "hx/com_ptr.h"

#include <new>

COleObjectFactory* COleObjectFactory::s_pFirstFactory = nullptr;

COleObjectFactory::COleObjectFactory(REFCLSID clsid, AFX_PFN_CREATEOBJECT pfnCreateObject,
                                     BOOL bMultiInstance, LPCSTR lpszProgID)
    : m_clsid(clsid), m_pfnCreateObject(pfnCreateObject), m_bMultiInstance(bMultiInstance),
      m_lpszProgID(lpszProgID) {
    // Static construction runs on the loader's one thread: no lock needed.
    COleObjectFactory** tail = &s_pFirstFactory;
    while (*tail)
        tail = &(*tail)->m_pNextFactory;
    *tail = this;
}

COleObjectFactory::~COleObjectFactory() {
    for (COleObjectFactory** link = &s_pFirstFactory; *link; link = &(*link)->m_pNextFactory) {
        if (*link == this) {
            *link = m_pNextFactory;
            break;
        }
    }
}

// Registration spells out keys as strings: out of memory, it fails (the
// exports that call this are called from C).
BOOL PASCAL COleObjectFactory::UpdateRegistryAll(BOOL bRegister) {
    try {
        for (COleObjectFactory* factory = s_pFirstFactory; factory;
             factory = factory->m_pNextFactory) {
            if (!factory->UpdateRegistry(bRegister)) return FALSE;
        }
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    return TRUE;
}

COleObjectFactory* PASCAL COleObjectFactory::FindFactory(REFCLSID clsid) {
    for (COleObjectFactory* factory = s_pFirstFactory; factory; factory = factory->m_pNextFactory) {
        if (IsEqualCLSID(factory->m_clsid, clsid)) return factory;
    }
    return nullptr;
}

HRESULT COleObjectFactory::QueryInterface(REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

// The factory itself is static; while a client holds it, it counts as one of
// the module's objects, so that the module is not unloaded under the client.
ULONG COleObjectFactory::AddRef() {
    const LONG count = InterlockedIncrement(&m_cRef);
    if (count == 1) AfxOleLockApp();
    return static_cast<ULONG>(count);
}

ULONG COleObjectFactory::Release() {
    LONG seen = m_cRef;
    while (seen > 0) {
        const LONG before = InterlockedCompareExchange(&m_cRef, seen - 1, seen);
        if (before == seen) {
            if (seen == 1) AfxOleUnlockApp();
            return static_cast<ULONG>(seen - 1);
        }
        seen = before;
    }
    return 0; // an extra Release of a static object changes nothing
}

CCmdTarget* COleObjectFactory::OnCreateObject() {
    return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

HRESULT COleObjectFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    CCmdTarget* object = nullptr;
    try {
        object = OnCreateObject();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
    if (!object) return E_OUTOFMEMORY;
    // The temporary reference makes a failed QueryInterface free the object.
    const hx::com_ptr<IUnknown> creation(object->GetControllingUnknown());
    return creation->QueryInterface(riid, ppvObject);
}

HRESULT COleObjectFactory::LockServer(BOOL fLock) {
    AfxOleLockServer(fLock);
    return S_OK;
}

HRESULT AfxDllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    COleObjectFactory* factory = COleObjectFactory::FindFactory(rclsid);
    if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
    return factory->QueryInterface(riid, ppv);
}
