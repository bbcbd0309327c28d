#include "FormSite.h"

#include <olectl.h>

FormSite::FormSite(HWND form, const RECT& placement) : m_form(form), m_placement(placement) {}

FormSite::~FormSite() = default;

void FormSite::SetUserMode(bool userMode) {
    m_userMode = userMode;
}

bool FormSite::UserMode() const {
    return m_userMode;
}

// ---- IUnknown ---------------------------------------------------------------

STDMETHODIMP FormSite::QueryInterface(REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite))
        *ppv = static_cast<IOleClientSite*>(this);
    else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite))
        *ppv = static_cast<IOleInPlaceSite*>(this);
    else if (IsEqualIID(iid, IID_IOleInPlaceFrame) || IsEqualIID(iid, IID_IOleInPlaceUIWindow))
        *ppv = static_cast<IOleInPlaceFrame*>(this);
    else if (IsEqualIID(iid, IID_IOleControlSite))
        *ppv = static_cast<IOleControlSite*>(this);
    else if (IsEqualIID(iid, IID_IDispatch))
        *ppv = static_cast<IDispatch*>(this);
    if (!*ppv) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) FormSite::AddRef() {
    return static_cast<ULONG>(++m_references);
}

STDMETHODIMP_(ULONG) FormSite::Release() {
    const LONG left = --m_references;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

// ---- IOleClientSite: a form keeps no documents or monikers --------------------

STDMETHODIMP FormSite::SaveObject() {
    return S_OK;
}

STDMETHODIMP FormSite::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
    if (ppmk) *ppmk = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP FormSite::GetContainer(IOleContainer** ppContainer) {
    if (ppContainer) *ppContainer = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP FormSite::ShowObject() {
    return S_OK;
}

STDMETHODIMP FormSite::OnShowWindow(BOOL) {
    return S_OK;
}

STDMETHODIMP FormSite::RequestNewObjectLayout() {
    return E_NOTIMPL;
}

// ---- IOleWindow ---------------------------------------------------------------

// The control's window becomes a child of this one.
STDMETHODIMP FormSite::GetWindow(HWND* phwnd) {
    if (!phwnd) return E_POINTER;
    *phwnd = m_form;
    return S_OK;
}

STDMETHODIMP FormSite::ContextSensitiveHelp(BOOL) {
    return E_NOTIMPL;
}

// ---- IOleInPlaceSite ------------------------------------------------------------

STDMETHODIMP FormSite::CanInPlaceActivate() {
    return S_OK;
}

STDMETHODIMP FormSite::OnInPlaceActivate() {
    return S_OK;
}

STDMETHODIMP FormSite::OnUIActivate() {
    return S_OK;
}

// Where the control goes (its rectangle in the form's client coordinates),
// and the frame it runs in: this site again, with no menus or accelerators.
STDMETHODIMP FormSite::GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc,
                                        LPRECT lprcPosRect, LPRECT lprcClipRect,
                                        LPOLEINPLACEFRAMEINFO lpFrameInfo) {
    if (!ppFrame || !ppDoc || !lprcPosRect || !lprcClipRect || !lpFrameInfo) return E_POINTER;
    AddRef();
    *ppFrame = this;
    *ppDoc = nullptr; // no document window between the frame and the form
    *lprcPosRect = m_placement;
    *lprcClipRect = m_placement;
    lpFrameInfo->fMDIApp = FALSE;
    lpFrameInfo->hwndFrame = m_form;
    lpFrameInfo->haccel = nullptr;
    lpFrameInfo->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP FormSite::Scroll(SIZE) {
    return E_NOTIMPL;
}

STDMETHODIMP FormSite::OnUIDeactivate(BOOL) {
    return S_OK;
}

STDMETHODIMP FormSite::OnInPlaceDeactivate() {
    return S_OK;
}

STDMETHODIMP FormSite::DiscardUndoState() {
    return S_OK;
}

STDMETHODIMP FormSite::DeactivateAndUndo() {
    return S_OK;
}

// The control wants another size (HXDigIO keeps itself at 32 x 32 pixels):
// the form agrees and tells the control its new rectangle.
STDMETHODIMP FormSite::OnPosRectChange(LPCRECT rect) {
    if (!rect) return E_POINTER;
    m_placement = *rect;
    return m_inPlace ? m_inPlace->SetObjectRects(&m_placement, &m_placement) : S_OK;
}

// ---- IOleInPlaceUIWindow, IOleInPlaceFrame: no toolbars, menus or status bar ----

STDMETHODIMP FormSite::GetBorder(LPRECT) {
    return INPLACE_E_NOTOOLSPACE;
}

STDMETHODIMP FormSite::RequestBorderSpace(LPCBORDERWIDTHS) {
    return INPLACE_E_NOTOOLSPACE;
}

STDMETHODIMP FormSite::SetBorderSpace(LPCBORDERWIDTHS) {
    return S_OK;
}

STDMETHODIMP FormSite::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) {
    return S_OK;
}

STDMETHODIMP FormSite::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) {
    return E_NOTIMPL;
}

STDMETHODIMP FormSite::SetMenu(HMENU, HOLEMENU, HWND) {
    return S_OK;
}

STDMETHODIMP FormSite::RemoveMenus(HMENU) {
    return S_OK;
}

STDMETHODIMP FormSite::SetStatusText(LPCOLESTR) {
    return S_OK;
}

STDMETHODIMP FormSite::EnableModeless(BOOL) {
    return S_OK;
}

STDMETHODIMP FormSite::TranslateAccelerator(LPMSG, WORD) {
    return S_FALSE; // not ours: the control may have it
}

// ---- IOleControlSite ------------------------------------------------------------

STDMETHODIMP FormSite::OnControlInfoChanged() {
    return S_OK;
}

STDMETHODIMP FormSite::LockInPlaceActive(BOOL) {
    return S_OK;
}

STDMETHODIMP FormSite::GetExtendedControl(IDispatch** ppDisp) {
    if (ppDisp) *ppDisp = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP FormSite::TransformCoords(POINTL*, POINTF*, DWORD) {
    return E_NOTIMPL;
}

STDMETHODIMP FormSite::TranslateAccelerator(MSG*, DWORD) {
    return S_FALSE;
}

STDMETHODIMP FormSite::OnFocus(BOOL) {
    return S_OK;
}

// A form designer with a property browser of its own would show it here.
// This form has none: the control then shows its pages in the system's
// property frame itself (its Properties verb).
STDMETHODIMP FormSite::ShowPropertyFrame() {
    return E_NOTIMPL;
}

// ---- IDispatch: the ambient properties ------------------------------------------------

STDMETHODIMP FormSite::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

STDMETHODIMP FormSite::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return E_NOTIMPL;
}

STDMETHODIMP FormSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

// What a control learns about the form. A property the form does not know
// answers DISP_E_MEMBERNOTFOUND, and the control takes its own default.
STDMETHODIMP FormSite::Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result,
                              EXCEPINFO*, UINT*) {
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (!result) return E_POINTER;
    VariantInit(result);
    switch (dispid) {
    case DISPID_AMBIENT_USERMODE:
        result->vt = VT_BOOL;
        result->boolVal = m_userMode ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    case DISPID_AMBIENT_UIDEAD: // the form takes input
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_SHOWHATCHING:
        // This form does not hand WM_COMMAND and its kin back to the control
        // as OCM_ messages, so the control makes a reflector window of its own.
    case DISPID_AMBIENT_MESSAGEREFLECT:
        result->vt = VT_BOOL;
        result->boolVal = VARIANT_FALSE;
        return S_OK;
    case DISPID_AMBIENT_BACKCOLOR:
    case DISPID_AMBIENT_FORECOLOR:
        result->vt = VT_I4; // an OLE_COLOR naming a system colour
        result->lVal = static_cast<LONG>(
            0x80000000u | (dispid == DISPID_AMBIENT_BACKCOLOR ? COLOR_BTNFACE : COLOR_BTNTEXT));
        return S_OK;
    case DISPID_AMBIENT_DISPLAYNAME:
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocString(L"DigIO1");
        return result->bstrVal ? S_OK : E_OUTOFMEMORY;
    case DISPID_AMBIENT_LOCALEID:
        result->vt = VT_I4;
        result->lVal = static_cast<LONG>(GetUserDefaultLCID());
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}
