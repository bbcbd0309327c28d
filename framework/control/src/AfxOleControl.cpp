// The control's identity, automation, events and class information. Its
// embedding lives beside this file: AfxOleControlEmbed.cpp (IOleObject,
// IOleControl, IQuickActivate, ambients, verbs), AfxOleControlInPlace.cpp
// (activation and the window), AfxOleControlView.cpp (drawing),
// AfxOleControlPersist.cpp (persistence) and AfxOleControlPages.cpp
// (property pages).
#include "AfxOleControl.h"

#include "hx/bstr.h"
#include "hx/variant.h"
#include "AfxEnum.h"

#include <olectl.h>

#include <vector>

BEGIN_INTERFACE_MAP(COleControl, CCmdTarget)
INTERFACE_PART(COleControl, IID_IDispatch, IDispatch)
INTERFACE_PART(COleControl, IID_IConnectionPointContainer, IConnectionPointContainer)
INTERFACE_PART(COleControl, IID_IProvideClassInfo, IProvideClassInfo2)
INTERFACE_PART(COleControl, IID_IProvideClassInfo2, IProvideClassInfo2)
INTERFACE_PART(COleControl, IID_IOleObject, IOleObject)
INTERFACE_PART(COleControl, IID_IOleWindow, IOleInPlaceObject)
INTERFACE_PART(COleControl, IID_IOleInPlaceObject, IOleInPlaceObject)
INTERFACE_PART(COleControl, IID_IOleInPlaceActiveObject, IOleInPlaceActiveObject)
INTERFACE_PART(COleControl, IID_IOleControl, IOleControl)
INTERFACE_PART(COleControl, IID_IViewObject, IViewObjectEx)
INTERFACE_PART(COleControl, IID_IViewObject2, IViewObjectEx)
INTERFACE_PART(COleControl, IID_IViewObjectEx, IViewObjectEx)
INTERFACE_PART(COleControl, IID_IPersist, IPersistStreamInit)
// IPersistStream's methods are IPersistStreamInit's first ones.
INTERFACE_PART(COleControl, IID_IPersistStream, IPersistStreamInit)
INTERFACE_PART(COleControl, IID_IPersistStreamInit, IPersistStreamInit)
INTERFACE_PART(COleControl, IID_IPersistPropertyBag, IPersistPropertyBag)
INTERFACE_PART(COleControl, IID_IPersistStorage, IPersistStorage)
INTERFACE_PART(COleControl, IID_ISpecifyPropertyPages, ISpecifyPropertyPages)
INTERFACE_PART(COleControl, IID_IQuickActivate, IQuickActivate)
END_INTERFACE_MAP()

COleControl::COleControl()
    : m_xEventConnPt(*this, *static_cast<IConnectionPointContainer*>(this)),
      m_xPropConnPt(*this, *static_cast<IConnectionPointContainer*>(this)) {
    m_xPropConnPt.SetIID(&IID_IPropertyNotifySink, false);
    SetInitialSize(100, 50);
}

COleControl::~COleControl() {
    DestroyControlWindow();
    if (m_pLockedTypeLibCache) m_pLockedTypeLibCache->Unlock();
}

// Posted to the control's window by a last release on another thread.
UINT COleControl::FinalReleaseMessage() {
    static const UINT message = RegisterWindowMessageA("HxFrameworkFinalRelease");
    return message;
}

void COleControl::OnFinalRelease() {
    // Only the window's own thread can take the window down (and talk to the
    // site that made it): a last release on another thread (say, at the end
    // of an event fired on a worker's thread) hands the rest to it.
    const HWND window = m_hWnd;
    if (window && GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId() &&
        PostMessageA(window, FinalReleaseMessage(), 0, 0))
        return;
    FinishFinalRelease();
}

void COleControl::FinishFinalRelease() {
    // The window goes while the whole control is still there to see its
    // last messages; a container that let go without closing the control
    // leaves nothing behind.
    if (m_bInPlaceActive) InPlaceDeactivate();
    DestroyControlWindow();
    m_pClientSite.reset();
    m_pControlSite.reset();
    m_pViewAdviseSink.reset();
    m_pOleAdviseHolder.reset();
    CCmdTarget::OnFinalRelease();
}

HRESULT COleControl::GetClassID(LPCLSID pClassID) {
    return CCmdTarget::GetClassID(pClassID);
}

CTypeLibCache* COleControl::GetTypeLibCache() {
    return nullptr;
}

bool COleControl::HasDispatchTypeInfo() {
    return m_piidPrimary && GetTypeLibCache();
}

HRESULT COleControl::GetDispatchTypeInfo(LCID lcid, ITypeInfo** ppTypeInfo) {
    IID iid;
    if (!GetDispatchIID(&iid)) return DISP_E_BADINDEX;
    return GetTypeInfoOfGuid(lcid, iid, ppTypeInfo);
}

HRESULT COleControl::GetTypeInfoOfGuid(LCID lcid, REFGUID guid, ITypeInfo** ppTypeInfo) {
    if (!ppTypeInfo) return E_POINTER;
    *ppTypeInfo = nullptr;
    CTypeLibCache* cache = GetTypeLibCache();
    if (!cache) return TYPE_E_CANTLOADLIBRARY;
    if (InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(&m_pLockedTypeLibCache),
                                          cache, nullptr) == nullptr)
        cache->Lock();
    return cache->GetTypeInfo(lcid, guid, ppTypeInfo);
}

void COleControl::InitializeIIDs(const IID* piidPrimary, const IID* piidEvents) {
    m_piidPrimary = piidPrimary;
    m_piidEvents = piidEvents;
    m_xEventConnPt.SetIID(piidEvents, true);
}

BOOL COleControl::GetDispatchIID(IID* piid) {
    if (!m_piidPrimary) return CCmdTarget::GetDispatchIID(piid);
    if (piid) *piid = *m_piidPrimary;
    return TRUE;
}

void* COleControl::GetInterfaceHook(REFIID iid) {
    // The dispinterface's own IID reaches the same IDispatch.
    if (m_piidPrimary && IsEqualIID(iid, *m_piidPrimary)) return static_cast<IDispatch*>(this);
    return nullptr;
}

void COleControl::ThrowError(SCODE sc, const char* description) {
    AfxThrowOleDispatchException(sc, description);
}

HRESULT COleControl::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    try {
        const std::vector<IConnectionPoint*> points = {&m_xEventConnPt, &m_xPropConnPt};
        return CAfxEnumConnectionPoints::Create(points, 0, ppEnum);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT COleControl::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
    if (!ppCP) return E_POINTER;
    *ppCP = nullptr;
    CConnectionPoint* point = nullptr;
    if (m_piidEvents && IsEqualIID(riid, *m_piidEvents))
        point = &m_xEventConnPt;
    else if (IsEqualIID(riid, IID_IPropertyNotifySink))
        point = &m_xPropConnPt;
    if (!point) return CONNECT_E_NOCONNECTION;
    point->AddRef();
    *ppCP = point;
    return S_OK;
}

HRESULT COleControl::GetClassInfo(ITypeInfo** ppTI) {
    if (!ppTI) return E_POINTER;
    *ppTI = nullptr;
    CLSID clsid;
    const HRESULT hr = GetClassID(&clsid);
    if (FAILED(hr)) return hr;
    return GetTypeInfoOfGuid(GetUserDefaultLCID(), clsid, ppTI);
}

HRESULT COleControl::GetGUID(DWORD dwGuidKind, GUID* pGUID) {
    if (!pGUID) return E_POINTER;
    *pGUID = GUID_NULL;
    if (dwGuidKind != GUIDKIND_DEFAULT_SOURCE_DISP_IID || !m_piidEvents) return E_INVALIDARG;
    *pGUID = *m_piidEvents;
    return S_OK;
}


void COleControl::FireEventV(DISPID dispid, const char* vtsParams, const AfxEventArg* args,
                             unsigned count) {
    if (m_nFreezeEvents > 0) return; // the container takes no events now
    if (!vtsParams || afx::VtsLength(vtsParams) != count || count > AFX_MAX_DISP_PARAMS) return;

    VARIANT values[AFX_MAX_DISP_PARAMS];
    VARIANT_BOOL flags[AFX_MAX_DISP_PARAMS] = {};
    hx::unique_bstr texts[AFX_MAX_DISP_PARAMS];
    for (unsigned i = 0; i < count; ++i) {
        const unsigned char code = static_cast<unsigned char>(vtsParams[i]);
        const VARTYPE vt = code & ~AFX_VTS_BYREF;
        const AfxEventArg& arg = args[i];
        // The sinks get the arguments last first.
        VARIANT& v = values[count - 1 - i];
        VariantInit(&v);
        if (code & AFX_VTS_BYREF) {
            if (vt != VT_BOOL || arg.kind != AfxEventArg::Kind::BoolRef) return;
            flags[i] = (arg.boolRef && *arg.boolRef) ? VARIANT_TRUE : VARIANT_FALSE;
            v.vt = VT_BOOL | VT_BYREF;
            v.pboolVal = &flags[i];
            continue;
        }
        const bool integer = arg.kind == AfxEventArg::Kind::Integer;
        switch (vt) {
        case VT_I2:
            if (!integer) return;
            v.iVal = static_cast<SHORT>(arg.integer);
            break;
        case VT_I4:
            if (!integer) return;
            v.lVal = static_cast<LONG>(arg.integer);
            break;
        case VT_I8:
            if (!integer) return;
            v.llVal = arg.integer;
            break;
        case VT_BOOL:
            if (!integer) return;
            v.boolVal = arg.integer ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case VT_R8:
            if (!integer && arg.kind != AfxEventArg::Kind::Real) return;
            v.dblVal = integer ? static_cast<double>(arg.integer) : arg.real;
            break;
        case VT_BSTR:
            if (arg.kind != AfxEventArg::Kind::Text) return;
            texts[i] = hx::unique_bstr::from_ansi(arg.text ? arg.text : "");
            v.bstrVal = texts[i].get();
            break;
        default:
            return;
        }
        v.vt = vt;
    }

    // A handler may release the container's last reference to the control.
    const CKeepAlive alive(*this);
    CConnectionPoint::CSinkSnapshot sinks;
    try {
        m_xEventConnPt.GetSinks(sinks);
    } catch (...) {
        return;
    }
    DISPPARAMS params = {values, nullptr, count, 0};
    for (size_t i = 0; i < sinks.GetCount(); ++i) {
        hx::unique_variant result;
        sinks.GetAt<IDispatch>(i)->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                          &params, result.put(), nullptr, nullptr);
    }
    for (unsigned i = 0; i < count; ++i) {
        if (args[i].kind == AfxEventArg::Kind::BoolRef && args[i].boolRef)
            *args[i].boolRef = flags[i] != VARIANT_FALSE;
    }
    // The sinks go before the control may: nothing may follow.
}

void COleControl::BoundPropertyChanged(DISPID dispid) {
    const CKeepAlive alive(*this);
    CConnectionPoint::CSinkSnapshot sinks;
    try {
        m_xPropConnPt.GetSinks(sinks);
    } catch (...) {
        return;
    }
    for (size_t i = 0; i < sinks.GetCount(); ++i)
        sinks.GetAt<IPropertyNotifySink>(i)->OnChanged(dispid);
    // The sinks go before the control may: nothing may follow.
}
