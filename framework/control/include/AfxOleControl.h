// COleControl: the base of an ActiveX control. It gives the control its
// automation interface (from the control's dispatch table), its events
// (one connection point for the event interface, fired to every sink) and
// its class information.
//
// A control declares:
//   class CMyCtrl : public COleControl {
//       DECLARE_OLECREATE_EX(CMyCtrl)   // factory, `guid`, GetClassID
//       DECLARE_OLETYPELIB(CMyCtrl)     // the type library describing it
//       DECLARE_DISPATCH_MAP()          // its members
//   public:
//       CMyCtrl() { InitializeIIDs(&DIID_DMy, &DIID_DMyEvents); }
//       void FireChanged(long value) { FireEvent(1, VTS_I4, value); }
//   };
//
// Embedding (IOleObject, in-place activation, IViewObject2, persistence,
// property pages and the control's window) builds on this class: those
// interfaces join the interface table here, and the window sets m_hWnd.
#pragma once

#include "AfxCmdTarget.h"
#include "AfxConnectionPoint.h"
#include "AfxDispatchMap.h"
#include "AfxTypeLibCache.h"

#include <ocidl.h>
#include <olectl.h>

#include <type_traits>

// One argument of an event as the C++ caller gives it; the event's VTS_
// string says how it travels.
struct AfxEventArg {
    enum class Kind { Integer, Real, Text, BoolRef };

    template <class T>
    requires(std::is_integral_v<T> || std::is_enum_v<T>) AfxEventArg(T value)
        : kind(Kind::Integer), integer(static_cast<long long>(value)) {}
    AfxEventArg(double value) : kind(Kind::Real), real(value) {}
    AfxEventArg(const char* value) : kind(Kind::Text), text(value) {}
    AfxEventArg(BOOL* value) : kind(Kind::BoolRef), boolRef(value) {}

    Kind kind;
    union {
        long long integer;
        double real;
        const char* text;
        BOOL* boolRef;
    };
};

class COleControl : public CCmdTarget,
                    public IDispatch,
                    public IConnectionPointContainer,
                    public IProvideClassInfo2 {
public:
    COleControl();
    ~COleControl() override;

    AFX_DECLARE_IUNKNOWN()
    AFX_DECLARE_IDISPATCH()

    // IConnectionPointContainer
    STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints** ppEnum) override;
    STDMETHOD(FindConnectionPoint)(REFIID riid, IConnectionPoint** ppCP) override;
    // IProvideClassInfo2
    STDMETHOD(GetClassInfo)(ITypeInfo** ppTI) override;
    STDMETHOD(GetGUID)(DWORD dwGuidKind, GUID* pGUID) override;

    // The control's dispatch interface and event interface.
    void InitializeIIDs(const IID* piidPrimary, const IID* piidEvents);

    void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified; }
    BOOL IsModified() const { return m_bModified; }

    // The control's window; null while it has none.
    HWND GetSafeHwnd() const { return m_hWnd; }

    // Fires an event to every connected sink, on the calling thread. One
    // argument per byte of vtsParams; a VTS_PBOOL argument (a BOOL*) goes out
    // by reference and holds what the sinks left in it afterwards.
    template <class... Args> void FireEvent(DISPID dispid, const char* vtsParams, Args... args) {
        const AfxEventArg list[sizeof...(Args) + 1] = {AfxEventArg(args)..., AfxEventArg(0)};
        FireEventV(dispid, vtsParams, list, static_cast<unsigned>(sizeof...(Args)));
    }
    void FireEventV(DISPID dispid, const char* vtsParams, const AfxEventArg* args, unsigned count);

    // Fails the automation call in progress with this code.
    [[noreturn]] void ThrowError(SCODE sc, const char* description = nullptr);

    DECLARE_INTERFACE_MAP()

protected:
    BOOL GetDispatchIID(IID* piid) override;
    void* GetInterfaceHook(REFIID iid) override;
    // The type library that describes the control (DECLARE_OLETYPELIB).
    virtual CTypeLibCache* GetTypeLibCache();
    bool HasDispatchTypeInfo() override;
    HRESULT GetDispatchTypeInfo(LCID lcid, ITypeInfo** ppTypeInfo) override;
    HRESULT GetTypeInfoOfGuid(LCID lcid, REFGUID guid, ITypeInfo** ppTypeInfo);

    HWND m_hWnd = nullptr;
    const IID* m_piidPrimary = nullptr;
    const IID* m_piidEvents = nullptr;
    BOOL m_bModified = FALSE;
    CConnectionPoint m_xEventConnPt;

    // Adds a reference unless the object is being built or torn down.
    bool AddRefIfAlive();

private:

    // Locked at the first use for the object's life, so that the library
    // stays loaded while the object may ask again.
    CTypeLibCache* m_pLockedTypeLibCache = nullptr;
};
