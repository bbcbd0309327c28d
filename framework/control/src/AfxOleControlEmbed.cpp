// The control in its container: IOleObject (client site, verbs, extent,
// advise, close, type and status), IOleControl, IQuickActivate, and the
// ambient properties read through the site.
#include "AfxOleControl.h"

#include "AfxEnum.h"
#include "AfxModuleState.h"
#include "AfxOleSize.h"
#include "AfxVariantConvert.h"
#include "hx/result_macros.h"
#include "hx/variant.h"

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// The framework's own verb names, for modules without those strings.
const wchar_t* FrameworkVerbName(UINT ids) {
    if (ids == AFX_IDS_VERB_EDIT) return L"&Edit";
    if (ids == AFX_IDS_VERB_PROPERTIES) return L"&Properties...";
    return L"";
}

std::wstring LoadVerbName(UINT ids) {
    const wchar_t* text = nullptr;
    const int length = LoadStringW(AfxGetResourceHandle(), ids, reinterpret_cast<LPWSTR>(&text), 0);
    if (length > 0 && text) return std::wstring(text, static_cast<size_t>(length));
    return FrameworkVerbName(ids);
}

LPOLESTR CoTaskCopy(const wchar_t* text) {
    const size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (copy) std::memcpy(copy, text, bytes);
    return copy;
}

// OLEVERBs whose names are the enumerator's own (and, handed out, the
// caller's) task memory.
struct CopyOleVerb {
    static void Copy(OLEVERB& to, const OLEVERB& from) {
        to = from;
        to.lpszVerbName = from.lpszVerbName ? CoTaskCopy(from.lpszVerbName) : nullptr;
    }
    static void Destroy(OLEVERB& item) { CoTaskMemFree(item.lpszVerbName); }
};
using CEnumOleVerbs = CAfxEnum<IEnumOLEVERB, &IID_IEnumOLEVERB, OLEVERB, CopyOleVerb>;

} // namespace

// ---- Client site and ambient properties ----

HRESULT COleControl::SetClientSite(IOleClientSite* pClientSite) {
    if (pClientSite == m_pClientSite.get()) return S_OK;
    // Leaving a site: the window and the in-place site go with it.
    if (m_bInPlaceActive) InPlaceDeactivate();
    m_pControlSite.reset();
    m_pClientSite = hx::com_ptr<IOleClientSite>(pClientSite);
    if (m_pClientSite) m_pControlSite = m_pClientSite.query<IOleControlSite>(IID_IOleControlSite);
    return S_OK;
}

HRESULT COleControl::GetClientSite(IOleClientSite** ppClientSite) {
    return m_pClientSite.copy_to(ppClientSite);
}

BOOL COleControl::GetAmbientProperty(DISPID dispid, VARTYPE vtProp, VARIANT* pvarProp) {
    if (!pvarProp) return FALSE;
    const auto ambients = m_pClientSite.query<IDispatch>(IID_IDispatch);
    if (!ambients) return FALSE;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    hx::unique_variant value;
    if (FAILED(ambients->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                value.put(), nullptr, nullptr)))
        return FALSE;
    // A value of another type counts when it converts (a VT_I4 0 for a
    // BOOL), and is no answer when it does not.
    hx::unique_variant converted;
    if (FAILED(AfxConvertVariant(converted.put(), value.get(), 0, vtProp))) return FALSE;
    VariantClear(pvarProp);
    *pvarProp = converted.release();
    return TRUE;
}

BOOL COleControl::AmbientUserMode() {
    hx::unique_variant value;
    if (!GetAmbientProperty(DISPID_AMBIENT_USERMODE, VT_BOOL, value.addressof())) return TRUE;
    return value.get().boolVal != VARIANT_FALSE;
}

BOOL COleControl::AmbientMessageReflect() {
    hx::unique_variant value;
    if (!GetAmbientProperty(DISPID_AMBIENT_MESSAGEREFLECT, VT_BOOL, value.addressof()))
        return FALSE;
    return value.get().boolVal != VARIANT_FALSE;
}

HRESULT COleControl::SetHostNames(LPCOLESTR, LPCOLESTR) {
    return S_OK;
}

// ---- Close, monikers, data ----

HRESULT COleControl::Close(DWORD dwSaveOption) {
    if (m_bInPlaceActive) InPlaceDeactivate();
    if (m_bModified && m_pClientSite &&
        (dwSaveOption == OLECLOSE_SAVEIFDIRTY || dwSaveOption == OLECLOSE_PROMPTSAVE))
        m_pClientSite->SaveObject();
    if (m_pOleAdviseHolder) m_pOleAdviseHolder->SendOnClose();
    return S_OK;
}

HRESULT COleControl::SetMoniker(DWORD, IMoniker*) {
    return E_NOTIMPL;
}

HRESULT COleControl::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
    if (ppmk) *ppmk = nullptr;
    return E_NOTIMPL;
}

HRESULT COleControl::InitFromData(IDataObject*, BOOL, DWORD) {
    return E_NOTIMPL;
}

HRESULT COleControl::GetClipboardData(DWORD, IDataObject** ppDataObject) {
    if (ppDataObject) *ppDataObject = nullptr;
    return E_NOTIMPL;
}

HRESULT COleControl::Update() {
    return S_OK;
}

HRESULT COleControl::IsUpToDate() {
    return S_OK;
}

// ---- Verbs ----

const AFX_MSGMAP_ENTRY* COleControl::FindVerb(LONG iVerb) const {
    LONG number = 0;
    for (const AFX_MSGMAP* map = GetMessageMap(); map;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->nMessage; ++entry) {
            if (entry->nMessage == AFX_MSG_OLEVERB && number++ == iVerb) return entry;
        }
    }
    return nullptr;
}

HRESULT COleControl::DoVerb(LONG iVerb, LPMSG lpmsg, IOleClientSite*, LONG, HWND hwndParent,
                            LPCRECT lprcPosRect) {
    switch (iVerb) {
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
        return OnActivateInPlace(FALSE, lpmsg);
    case OLEIVERB_UIACTIVATE:
        return OnActivateInPlace(TRUE, lpmsg);
    case OLEIVERB_HIDE:
        return OnHide();
    case OLEIVERB_PROPERTIES:
        return OnProperties(lpmsg, hwndParent, lprcPosRect);
    default:
        break;
    }
    if (iVerb < 0) return E_NOTIMPL; // OLEIVERB_OPEN and others: no separate window
    AFX_OLEVERB_PARAMS params = {lpmsg, hwndParent, lprcPosRect};
    const AFX_MSGMAP_ENTRY* entry = FindVerb(iVerb);
    if (entry) {
        return static_cast<HRESULT>(entry->pfnCall(this, 0, reinterpret_cast<LPARAM>(&params)));
    }
    // A verb the control does not know is carried out as the primary one.
    const AFX_MSGMAP_ENTRY* primary = FindVerb(0);
    const HRESULT hr =
        primary ? static_cast<HRESULT>(primary->pfnCall(this, 0, reinterpret_cast<LPARAM>(&params)))
                : OnActivateInPlace(TRUE, lpmsg);
    return SUCCEEDED(hr) ? OLEOBJ_S_INVALIDVERB : hr;
}

HRESULT COleControl::EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) {
    if (!ppEnumOleVerb) return E_POINTER;
    *ppEnumOleVerb = nullptr;
    try {
        std::vector<std::wstring> names;
        std::vector<OLEVERB> verbs;
        for (LONG number = 0; const AFX_MSGMAP_ENTRY* entry = FindVerb(number); ++number)
            names.push_back(LoadVerbName(entry->nCode));
        for (size_t i = 0; i < names.size(); ++i) {
            verbs.push_back({static_cast<LONG>(i), names[i].data(), MF_STRING | MF_ENABLED,
                             OLEVERBATTRIB_ONCONTAINERMENU});
        }
        return CEnumOleVerbs::Create(verbs, 0, ppEnumOleVerb);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT COleControl::OnEdit(LPMSG lpMsg, HWND, LPCRECT) {
    return OnActivateInPlace(TRUE, lpMsg);
}

// ---- Type, class, status ----

HRESULT COleControl::GetUserClassID(CLSID* pClsid) {
    if (!pClsid) return E_POINTER;
    return GetClassID(pClsid);
}

HRESULT COleControl::GetUserType(DWORD, LPOLESTR* pszUserType) {
    if (!pszUserType) return E_POINTER;
    *pszUserType = nullptr;
    const UINT ids = GetUserTypeNameID();
    const wchar_t* text = nullptr;
    const int length =
        ids ? LoadStringW(AfxGetResourceHandle(), ids, reinterpret_cast<LPWSTR>(&text), 0) : 0;
    // Without a name of its own, the caller looks in the registry.
    if (length <= 0 || !text) return OLE_S_USEREG;
    const std::wstring name(text, static_cast<size_t>(length));
    *pszUserType = CoTaskCopy(name.c_str());
    return *pszUserType ? S_OK : E_OUTOFMEMORY;
}

UINT COleControl::GetUserTypeNameID() {
    return 0;
}

DWORD COleControl::GetMiscStatus() {
    return 0;
}

HRESULT COleControl::GetMiscStatus(DWORD dwAspect, DWORD* pdwStatus) {
    if (!pdwStatus) return E_POINTER;
    *pdwStatus = dwAspect == DVASPECT_CONTENT ? GetMiscStatus() : 0;
    return S_OK;
}

HRESULT COleControl::SetColorScheme(LOGPALETTE*) {
    return E_NOTIMPL;
}

// ---- Extent ----

void COleControl::SetInitialSize(int cx, int cy) {
    m_sizeExtentDefault = afx::PixelsToHimetric({cx, cy});
    m_sizeExtent = m_sizeExtentDefault;
}

HRESULT COleControl::SetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
    if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!psizel) return E_POINTER;
    if (psizel->cx <= 0 || psizel->cy <= 0) return E_INVALIDARG;
    if (psizel->cx != m_sizeExtent.cx || psizel->cy != m_sizeExtent.cy) {
        m_sizeExtent = *psizel;
        SetModifiedFlag();
    }
    return S_OK;
}

HRESULT COleControl::GetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
    if (!psizel) return E_POINTER;
    if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *psizel = m_sizeExtent;
    return S_OK;
}

void COleControl::GetControlSize(int* pcx, int* pcy) const {
    const SIZE pixels = afx::HimetricToPixels(m_sizeExtent);
    if (pcx) *pcx = pixels.cx;
    if (pcy) *pcy = pixels.cy;
}

// ---- Advise ----

HRESULT COleControl::Advise(IAdviseSink* pAdvSink, DWORD* pdwConnection) {
    if (!pdwConnection) return E_POINTER;
    *pdwConnection = 0;
    if (!pAdvSink) return E_INVALIDARG;
    if (!m_pOleAdviseHolder) RETURN_IF_FAILED(CreateOleAdviseHolder(m_pOleAdviseHolder.put()));
    return m_pOleAdviseHolder->Advise(pAdvSink, pdwConnection);
}

HRESULT COleControl::Unadvise(DWORD dwConnection) {
    if (!m_pOleAdviseHolder) return OLE_E_NOCONNECTION;
    return m_pOleAdviseHolder->Unadvise(dwConnection);
}

HRESULT COleControl::EnumAdvise(IEnumSTATDATA** ppenumAdvise) {
    if (!ppenumAdvise) return E_POINTER;
    *ppenumAdvise = nullptr;
    if (!m_pOleAdviseHolder) return S_OK; // no connection: no enumerator
    return m_pOleAdviseHolder->EnumAdvise(ppenumAdvise);
}

// ---- IOleControl ----

HRESULT COleControl::GetControlInfo(CONTROLINFO* pCI) {
    if (!pCI) return E_POINTER;
    // No mnemonics: the container routes no keys to the control.
    pCI->hAccel = nullptr;
    pCI->cAccel = 0;
    pCI->dwFlags = 0;
    return S_OK;
}

HRESULT COleControl::OnMnemonic(MSG*) {
    return S_OK;
}

HRESULT COleControl::OnAmbientPropertyChange(DISPID dispID) {
    // UserMode decides what the control shows; anything may depend on an
    // unnamed change.
    if (dispID == DISPID_AMBIENT_USERMODE || dispID == DISPID_UNKNOWN) InvalidateControl();
    return S_OK;
}

HRESULT COleControl::FreezeEvents(BOOL bFreeze) {
    if (bFreeze) {
        InterlockedIncrement(&m_nFreezeEvents);
        return S_OK;
    }
    // An unfreeze without a freeze is ignored rather than letting the count
    // go negative.
    for (LONG seen = m_nFreezeEvents; seen > 0;) {
        const LONG before = InterlockedCompareExchange(&m_nFreezeEvents, seen - 1, seen);
        if (before == seen) break;
        seen = before;
    }
    return S_OK;
}

// ---- IQuickActivate ----

HRESULT COleControl::QuickActivate(QACONTAINER* pQaContainer, QACONTROL* pQaControl) {
    if (!pQaContainer || !pQaControl) return E_POINTER;
    // Containers of older versions hand smaller structures; what every
    // version has must be there.
    if (pQaContainer->cbSize < offsetof(QACONTAINER, pBindHost) ||
        pQaControl->cbSize < sizeof(QACONTROL))
        return E_INVALIDARG;
    RETURN_IF_FAILED(SetClientSite(pQaContainer->pClientSite));
    if (pQaContainer->pAdviseSink) SetAdvise(DVASPECT_CONTENT, 0, pQaContainer->pAdviseSink);

    QACONTROL result = {};
    result.cbSize = pQaControl->cbSize;
    GetMiscStatus(DVASPECT_CONTENT, &result.dwMiscStatus);
    GetViewStatus(&result.dwViewStatus);
    if (pQaContainer->pUnkEventSink)
        m_xEventConnPt.Advise(pQaContainer->pUnkEventSink, &result.dwEventCookie);
    if (pQaContainer->pPropertyNotifySink)
        m_xPropConnPt.Advise(pQaContainer->pPropertyNotifySink, &result.dwPropNotifyCookie);
    *pQaControl = result;
    return S_OK;
}

HRESULT COleControl::SetContentExtent(LPSIZEL pSizel) {
    return SetExtent(DVASPECT_CONTENT, pSizel);
}

HRESULT COleControl::GetContentExtent(LPSIZEL pSizel) {
    return GetExtent(DVASPECT_CONTENT, pSizel);
}
