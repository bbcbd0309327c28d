// The control active in its container: in-place and UI activation, the
// control's window (and the reflector in front of it), its position and
// size, IOleInPlaceObject and IOleInPlaceActiveObject.
#include "AfxOleControl.h"

#include "AfxModuleState.h"
#include "AfxOleSize.h"
#include "AfxReflectorWnd.h"
#include "AfxWndClass.h"
#include "hx/result_macros.h"

BEGIN_MESSAGE_MAP(COleControl, CWnd)
ON_MESSAGE(WM_PAINT, OnPaintMessage)
END_MESSAGE_MAP()

namespace {

SIZE SizeOf(const RECT& rect) {
    return {rect.right - rect.left, rect.bottom - rect.top};
}

} // namespace

// ---- Activation ----

HRESULT COleControl::OnActivateInPlace(BOOL bUIActivate, LPMSG) {
    if (!m_pClientSite) return E_UNEXPECTED;
    if (!m_bInPlaceActive) {
        const auto site = m_pClientSite.query<IOleInPlaceSite>(IID_IOleInPlaceSite);
        if (!site) return E_NOINTERFACE;
        if (site->CanInPlaceActivate() != S_OK) return E_FAIL;
        RETURN_IF_FAILED(site->OnInPlaceActivate());
        HWND parent = nullptr;
        hx::com_ptr<IOleInPlaceFrame> frame;
        hx::com_ptr<IOleInPlaceUIWindow> doc;
        RECT pos = {}, clip = {};
        OLEINPLACEFRAMEINFO frameInfo = {};
        frameInfo.cb = sizeof frameInfo;
        const bool placed =
            SUCCEEDED(site->GetWindow(&parent)) && IsWindow(parent) &&
            SUCCEEDED(site->GetWindowContext(frame.put(), doc.put(), &pos, &clip, &frameInfo));
        m_pInPlaceSite = site;
        m_pInPlaceFrame = frame;
        m_pInPlaceDoc = doc;
        m_rcPos = pos;
        m_bInPlaceActive = true;
        if (!placed || !CreateControlWindow(parent, pos)) {
            InPlaceDeactivate();
            return E_FAIL;
        }
    } else if (HWND outer = GetOuterWindow()) {
        ShowWindow(outer, SW_SHOW); // back after OLEIVERB_HIDE
    }
    if (bUIActivate && !m_bUIActive && m_pInPlaceSite) {
        m_bUIActive = true;
        m_pInPlaceSite->OnUIActivate();
        if (m_hWnd) SetFocus(m_hWnd);
        IOleInPlaceActiveObject* active = this;
        if (m_pInPlaceFrame) {
            m_pInPlaceFrame->SetActiveObject(active, nullptr);
            m_pInPlaceFrame->SetBorderSpace(nullptr);
        }
        if (m_pInPlaceDoc) {
            m_pInPlaceDoc->SetActiveObject(active, nullptr);
            m_pInPlaceDoc->SetBorderSpace(nullptr);
        }
    }
    return S_OK;
}

HRESULT COleControl::OnHide() {
    UIDeactivate();
    if (HWND outer = GetOuterWindow()) ShowWindow(outer, SW_HIDE);
    return S_OK;
}

HRESULT COleControl::UIDeactivate() {
    if (!m_bUIActive) return S_OK;
    m_bUIActive = false;
    if (m_pInPlaceFrame) m_pInPlaceFrame->SetActiveObject(nullptr, nullptr);
    if (m_pInPlaceDoc) m_pInPlaceDoc->SetActiveObject(nullptr, nullptr);
    if (m_pInPlaceSite) m_pInPlaceSite->OnUIDeactivate(FALSE);
    return S_OK;
}

HRESULT COleControl::InPlaceDeactivate() {
    if (!m_bInPlaceActive) return S_OK;
    UIDeactivate();
    m_bInPlaceActive = false;
    DestroyControlWindow();
    // The site may call back into the control: it is let go of first.
    const hx::com_ptr<IOleInPlaceSite> site = std::move(m_pInPlaceSite);
    m_pInPlaceFrame.reset();
    m_pInPlaceDoc.reset();
    if (site) site->OnInPlaceDeactivate();
    return S_OK;
}

HRESULT COleControl::ReactivateAndUndo() {
    return INPLACE_E_NOTUNDOABLE;
}

// ---- IOleWindow ----

HRESULT COleControl::GetWindow(HWND* phwnd) {
    if (!phwnd) return E_POINTER;
    *phwnd = GetOuterWindow();
    return *phwnd ? S_OK : E_FAIL;
}

HRESULT COleControl::ContextSensitiveHelp(BOOL) {
    return E_NOTIMPL;
}

// ---- IOleInPlaceActiveObject ----

HRESULT COleControl::TranslateAccelerator(LPMSG) {
    return S_FALSE; // no accelerators of its own
}

HRESULT COleControl::OnFrameWindowActivate(BOOL) {
    return S_OK;
}

HRESULT COleControl::OnDocWindowActivate(BOOL) {
    return S_OK;
}

HRESULT COleControl::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) {
    return S_OK;
}

HRESULT COleControl::EnableModeless(BOOL) {
    return S_OK;
}

// ---- The window ----

BOOL COleControl::PreCreateWindow(CREATESTRUCTA& cs) {
    if (!cs.lpszClass) {
        cs.lpszClass = AfxRegisterFrameworkClass("HxOleControl");
        if (!cs.lpszClass) return FALSE;
    }
    cs.hInstance = AfxGetInstanceHandle();
    return TRUE;
}

bool COleControl::CreateControlWindow(HWND hWndParent, const RECT& rcPos) {
    HWND parent = hWndParent;
    RECT rect = rcPos;
    // A container that does not reflect notifications gets a reflector to
    // do it in its place.
    if (!AmbientMessageReflect()) {
        auto reflector = std::make_unique<CReflectorWnd>();
        if (!reflector->Create(rcPos, hWndParent)) return false;
        parent = reflector->m_hWnd;
        rect = {0, 0, rcPos.right - rcPos.left, rcPos.bottom - rcPos.top};
        m_pReflect = std::move(reflector);
    }
    if (!CreateEx(0, nullptr, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, rect,
                  parent, 0)) {
        m_pReflect.reset();
        return false;
    }
    return true;
}

void COleControl::DestroyControlWindow() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
    m_pReflect.reset(); // destroys the reflector's window with it
}

HWND COleControl::GetOuterWindow() const {
    return m_pReflect && m_pReflect->m_hWnd ? m_pReflect->m_hWnd : m_hWnd;
}

LRESULT COleControl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == FinalReleaseMessage() && m_dwRef == kDestroyingRefCount) {
        FinishFinalRelease(); // deletes the control: nothing may follow
        return 0;
    }
    const LRESULT result = CWnd::WindowProc(message, wParam, lParam);
    // The reflector is seen and hidden with the control's window, so that
    // it never shows an empty patch in the container. ShowWindow tells of
    // it with WM_SHOWWINDOW (lParam 0; also while the reflector is hidden),
    // SetWindowPos with WM_WINDOWPOSCHANGED.
    const HWND reflector = m_pReflect ? m_pReflect->m_hWnd : nullptr;
    int show = -1;
    if (message == WM_SHOWWINDOW && lParam == 0) {
        show = wParam ? SW_SHOWNA : SW_HIDE;
    } else if (message == WM_WINDOWPOSCHANGED && lParam) {
        const UINT flags = reinterpret_cast<const WINDOWPOS*>(lParam)->flags;
        if (flags & SWP_SHOWWINDOW) show = SW_SHOWNA;
        if (flags & SWP_HIDEWINDOW) show = SW_HIDE;
    }
    if (reflector && show >= 0) ShowWindow(reflector, show);
    return result;
}

// ---- Position and size ----

HRESULT COleControl::SetObjectRects(LPCRECT lprcPosRect, LPCRECT lprcClipRect) {
    if (!lprcPosRect || !lprcClipRect) return E_INVALIDARG;
    m_rcPos = *lprcPosRect;
    MoveControlWindow(m_rcPos);
    return S_OK;
}

void COleControl::MoveControlWindow(const RECT& rcPos) {
    const SIZE size = SizeOf(rcPos);
    constexpr UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (m_pReflect && m_pReflect->m_hWnd) {
        SetWindowPos(m_pReflect->m_hWnd, nullptr, rcPos.left, rcPos.top, size.cx, size.cy, flags);
        if (m_hWnd) SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy, flags);
    } else if (m_hWnd) {
        SetWindowPos(m_hWnd, nullptr, rcPos.left, rcPos.top, size.cx, size.cy, flags);
    }
}

BOOL COleControl::SetControlSize(int cx, int cy) {
    if (cx <= 0 || cy <= 0) return FALSE;
    SIZEL extent = afx::PixelsToHimetric({cx, cy});
    if (FAILED(SetExtent(DVASPECT_CONTENT, &extent))) return FALSE;
    const SIZE now = SizeOf(m_rcPos);
    if (!m_bInPlaceActive || (now.cx == cx && now.cy == cy)) return TRUE;
    // The site places the control: it is asked to, and answers with
    // SetObjectRects. A site that does not leaves the control to move its
    // window itself, where it is.
    RECT wanted = {m_rcPos.left, m_rcPos.top, m_rcPos.left + cx, m_rcPos.top + cy};
    if (m_pInPlaceSite) m_pInPlaceSite->OnPosRectChange(&wanted);
    const SIZE placed = SizeOf(m_rcPos);
    if (m_bInPlaceActive && (placed.cx != cx || placed.cy != cy)) {
        wanted = {m_rcPos.left, m_rcPos.top, m_rcPos.left + cx, m_rcPos.top + cy};
        m_rcPos = wanted;
        MoveControlWindow(m_rcPos);
    }
    return TRUE;
}
