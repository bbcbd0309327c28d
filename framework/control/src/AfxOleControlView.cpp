// The control's picture: drawn into its own window (WM_PAINT) and into any
// device context a container hands it (IViewObject, IViewObject2,
// IViewObjectEx), and the container's view advise sink.
#include "AfxOleControl.h"

void COleControl::OnDraw(HDC, const RECT&, const RECT&) {}

LRESULT COleControl::OnPaintMessage(WPARAM, LPARAM) {
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    PAINTSTRUCT paint = {};
    const HWND window = m_hWnd; // OnDraw may hide or move it, not destroy it
    if (HDC dc = BeginPaint(window, &paint)) {
        OnDraw(dc, client, paint.rcPaint);
        EndPaint(window, &paint);
    }
    return 0;
}

void COleControl::InvalidateControl() {
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, TRUE);
    if (m_pViewAdviseSink && (m_dwViewAdviseAspects & DVASPECT_CONTENT))
        m_pViewAdviseSink->OnViewChange(DVASPECT_CONTENT, -1);
}

HRESULT COleControl::Draw(DWORD dwDrawAspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC hdcDraw,
                          LPCRECTL lprcBounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                          ULONG_PTR) {
    if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!hdcDraw || !lprcBounds) return E_INVALIDARG;
    const RECT bounds = {lprcBounds->left, lprcBounds->top, lprcBounds->right, lprcBounds->bottom};
    if (IsRectEmpty(&bounds)) return E_INVALIDARG;
    // The container's device context is handed back as it came.
    const int saved = SaveDC(hdcDraw);
    OnDraw(hdcDraw, bounds, bounds);
    if (saved) RestoreDC(hdcDraw, saved);
    return S_OK;
}

HRESULT COleControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                 LOGPALETTE** ppColorSet) {
    if (ppColorSet) *ppColorSet = nullptr;
    return S_FALSE; // no palette of its own
}

HRESULT COleControl::Freeze(DWORD, LONG, void*, DWORD* pdwFreeze) {
    if (pdwFreeze) *pdwFreeze = 0;
    return E_NOTIMPL;
}

HRESULT COleControl::Unfreeze(DWORD) {
    return E_NOTIMPL;
}

HRESULT COleControl::SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* pAdvSink) {
    m_pViewAdviseSink = hx::com_ptr<IAdviseSink>(pAdvSink);
    m_dwViewAdviseAspects = pAdvSink ? aspects : 0;
    m_dwViewAdviseFlags = pAdvSink ? advf : 0;
    return S_OK;
}

HRESULT COleControl::GetAdvise(DWORD* pAspects, DWORD* pAdvf, IAdviseSink** ppAdvSink) {
    if (pAspects) *pAspects = m_dwViewAdviseAspects;
    if (pAdvf) *pAdvf = m_dwViewAdviseFlags;
    if (ppAdvSink) m_pViewAdviseSink.copy_to(ppAdvSink);
    return S_OK;
}

HRESULT COleControl::GetExtent(DWORD dwDrawAspect, LONG, DVTARGETDEVICE*, LPSIZEL lpsizel) {
    return GetExtent(dwDrawAspect, lpsizel);
}

HRESULT COleControl::GetRect(DWORD dwAspect, LPRECTL pRect) {
    if (!pRect) return E_POINTER;
    if (dwAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *pRect = {0, 0, m_sizeExtent.cx, m_sizeExtent.cy};
    return S_OK;
}

HRESULT COleControl::GetViewStatus(DWORD* pdwStatus) {
    if (!pdwStatus) return E_POINTER;
    *pdwStatus = 0; // not opaque: the container draws what lies behind
    return S_OK;
}

HRESULT COleControl::QueryHitPoint(DWORD dwAspect, LPCRECT pRectBounds, POINT ptlLoc, LONG,
                                   DWORD* pHitResult) {
    if (!pRectBounds || !pHitResult) return E_POINTER;
    if (dwAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *pHitResult = PtInRect(pRectBounds, ptlLoc) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

HRESULT COleControl::QueryHitRect(DWORD dwAspect, LPCRECT pRectBounds, LPCRECT pRectLoc, LONG,
                                  DWORD* pHitResult) {
    if (!pRectBounds || !pRectLoc || !pHitResult) return E_POINTER;
    if (dwAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    RECT overlap = {};
    *pHitResult =
        IntersectRect(&overlap, pRectBounds, pRectLoc) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

HRESULT COleControl::GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*, LPSIZEL) {
    return E_NOTIMPL;
}
