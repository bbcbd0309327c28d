// COleObjectFactory: the class factory of one class. Every factory is a
// static object of its module and joins the module's list of factories when
// the module loads; DllGetClassObject and self-registration walk that list.
#pragma once

#include "AfxCmdTarget.h"

#include <windows.h>
#include <ole2.h>
#include <unknwn.h>

using AFX_PFN_CREATEOBJECT = CCmdTarget* (*)();

class COleObjectFactory : public IClassFactory {
public:
    COleObjectFactory(REFCLSID clsid, AFX_PFN_CREATEOBJECT pfnCreateObject, BOOL bMultiInstance,
                      LPCSTR lpszProgID);
    COleObjectFactory(const COleObjectFactory&) = delete;
    COleObjectFactory& operator=(const COleObjectFactory&) = delete;
    virtual ~COleObjectFactory();

    REFCLSID GetClassID() const { return m_clsid; }
    LPCSTR GetProgID() const { return m_lpszProgID; }

    // Writes (TRUE) or removes (FALSE) the class's registry entries.
    virtual BOOL UpdateRegistry(BOOL bRegister) = 0;
    // Every factory of the module, in the order they joined; stops at the
    // first failure.
    static BOOL PASCAL UpdateRegistryAll(BOOL bRegister);
    static COleObjectFactory* PASCAL FindFactory(REFCLSID clsid);

    // IUnknown
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    // IClassFactory
    STDMETHOD(CreateInstance)(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
    STDMETHOD(LockServer)(BOOL fLock) override;

protected:
    // A new object with no reference yet.
    virtual CCmdTarget* OnCreateObject();

    const CLSID m_clsid;
    const AFX_PFN_CREATEOBJECT m_pfnCreateObject;
    const BOOL m_bMultiInstance;
    const LPCSTR m_lpszProgID;

private:
    static COleObjectFactory* s_pFirstFactory; // zero before any constructor runs
    COleObjectFactory* m_pNextFactory = nullptr;
    volatile LONG m_cRef = 0;
};

// DllGetClassObject of a module of this framework.
HRESULT AfxDllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);

// Declares the nested factory `<class>Factory`, its static instance `factory`
// and the class identifier `guid` in a class made by a factory.
#define DECLARE_OLECREATE_EX(class_name)                                                           \
public:                                                                                            \
    class class_name##Factory : public COleObjectFactory {                                         \
    public:                                                                                        \
        class_name##Factory(REFCLSID clsid, AFX_PFN_CREATEOBJECT pfnCreateObject,                  \
                            BOOL bMultiInstance, LPCSTR lpszProgID)                                \
            : COleObjectFactory(clsid, pfnCreateObject, bMultiInstance, lpszProgID) {}             \
        BOOL UpdateRegistry(BOOL bRegister) override;                                              \
    };                                                                                             \
    static class_name##Factory factory;                                                            \
    static const GUID& guid;                                                                       \
    HRESULT GetClassID(LPCLSID pClassID) override;                                                 \
                                                                                                   \
private:

#define IMPLEMENT_OLECREATE_EX(class_name, external_name, clsid)                                   \
    const GUID& class_name::guid = clsid;                                                          \
    class_name::class_name##Factory class_name::factory(clsid, &afx::CreateObject<class_name>,     \
                                                        FALSE, external_name);                     \
    HRESULT class_name::GetClassID(LPCLSID pClassID) {                                             \
        if (!pClassID) return E_POINTER;                                                           \
        *pClassID = guid;                                                                          \
        return S_OK;                                                                               \
    }
