// CCmdTarget: the root of every COM object of the framework. It owns the
// object's reference count, answers QueryInterface from the class's
// interface table, counts itself among the module's live objects, and runs
// IDispatch from the class's dispatch table.
#pragma once

#include "AfxDispatchException.h"
#include "AfxDispatchMap.h"
#include "AfxInterfaceMap.h"

#include <windows.h>
#include <ole2.h>
#include <oaidl.h>

class CCmdTarget {
public:
    CCmdTarget();
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget();

    // IUnknown, once for the whole object.
    ULONG InternalAddRef();
    ULONG InternalRelease();
    // Adds a reference unless the object is being built (no reference yet)
    // or torn down; answers whether it did.
    bool InternalAddRefIfAlive();
    HRESULT InternalQueryInterface(REFIID iid, void** ppv);
    // The object's identity: the first interface of its table.
    IUnknown* GetControllingUnknown();

    // The class identifier, for classes made by a factory.
    virtual HRESULT GetClassID(LPCLSID pClassID);

    // Markers for read-only and write-only properties in a dispatch table;
    // called directly they fail the call with the matching error.
    void SetNotSupported();
    void GetNotSupported();

protected:
    // Runs when the last reference goes.
    virtual void OnFinalRelease();
    // Interfaces answered besides the table (e.g. a dispinterface's IID).
    virtual void* GetInterfaceHook(REFIID iid);

    virtual const AFX_INTERFACEMAP* GetInterfaceMap() const;
    virtual const AFX_DISPMAP* GetDispatchMap() const;
    static const AFX_INTERFACEMAP interfaceMap;
    static const AFX_DISPMAP dispatchMap;

    // The dispatch interface's IID (FALSE when the class names none).
    virtual BOOL GetDispatchIID(IID* piid);
    // Type information of the dispatch interface, for classes that have a
    // type library; the default has none, and IDispatch answers 0 for it.
    virtual bool HasDispatchTypeInfo();
    virtual HRESULT GetDispatchTypeInfo(LCID lcid, ITypeInfo** ppTypeInfo);

    // IDispatch driven by the dispatch table.
    HRESULT DispatchGetTypeInfoCount(UINT* pctinfo);
    HRESULT DispatchGetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo);
    HRESULT DispatchGetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                  DISPID* rgDispId);
    HRESULT DispatchInvoke(DISPID dispid, REFIID riid, LCID lcid, WORD wFlags,
                           DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                           UINT* puArgErr);

    // Looks a member up without allocating; null when there is none.
    const AFX_DISPMAP_ENTRY* FindDispEntry(DISPID dispid) const;
    const AFX_DISPMAP_ENTRY* FindDispEntry(const OLECHAR* name) const;

    volatile LONG m_dwRef = 0;
    // The count from the last Release on: at or above it the object is
    // being destroyed.
    static constexpr LONG kDestroyingRefCount = 0x40000000;
};

// Keeps an object alive for one scope, for code that calls out to handlers
// that may release the object's last reference. Its release at the end of
// the scope may delete the object: nothing may use the object after it.
class CKeepAlive {
public:
    explicit CKeepAlive(CCmdTarget& target)
        : m_pTarget(target.InternalAddRefIfAlive() ? &target : nullptr) {}
    CKeepAlive(const CKeepAlive&) = delete;
    CKeepAlive& operator=(const CKeepAlive&) = delete;
    ~CKeepAlive() {
        if (m_pTarget) m_pTarget->InternalRelease();
    }
    // False when the object was already being torn down.
    explicit operator bool() const { return m_pTarget != nullptr; }

private:
    CCmdTarget* m_pTarget;
};

// IDispatch for a class that derives from IDispatch (or a dual interface).
#define AFX_DECLARE_IDISPATCH()                                                                    \
    STDMETHOD(GetTypeInfoCount)(UINT * pctinfo) override {                                         \
        return DispatchGetTypeInfoCount(pctinfo);                                                  \
    }                                                                                              \
    STDMETHOD(GetTypeInfo)(UINT iTInfo, LCID lcid, ITypeInfo * *ppTInfo) override {                \
        return DispatchGetTypeInfo(iTInfo, lcid, ppTInfo);                                         \
    }                                                                                              \
    STDMETHOD(GetIDsOfNames)                                                                       \
    (REFIID riid, LPOLESTR * rgszNames, UINT cNames, LCID lcid, DISPID * rgDispId) override {      \
        return DispatchGetIDsOfNames(riid, rgszNames, cNames, lcid, rgDispId);                     \
    }                                                                                              \
    STDMETHOD(Invoke)                                                                              \
    (DISPID dispid, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS * pDispParams,                 \
     VARIANT * pVarResult, EXCEPINFO * pExcepInfo, UINT * puArgErr) override {                     \
        return DispatchInvoke(dispid, riid, lcid, wFlags, pDispParams, pVarResult, pExcepInfo,     \
                              puArgErr);                                                           \
    }

namespace afx {
// The creation function a factory calls: a new object with no reference yet.
template <class T> CCmdTarget* CreateObject() {
    return new T;
}
} // namespace afx
