// The control on a form: its window (a button that keeps itself 32 x 32
// pixels), its drawing and its persistence.
#include "HXdigIOCtrl.h"

#include "WorkerReport.h"
#include "resource.h"

namespace {

// The control's one size, in pixels.
constexpr int kSide = 32;
// The persistence version, 1.0.
constexpr DWORD kPersistenceVersion = MAKELONG(0, 1);

} // namespace

BEGIN_MESSAGE_MAP(CHXdigIOCtrl, COleControl)
ON_WM_SIZE()
ON_MESSAGE(OCM_COMMAND, OnOcmCommand)
ON_OLEVERB(AFX_IDS_VERB_EDIT, OnEdit)
ON_OLEVERB(AFX_IDS_VERB_PROPERTIES, OnProperties)
END_MESSAGE_MAP()

BOOL CHXdigIOCtrl::PreCreateWindow(CREATESTRUCTA& cs) {
    cs.lpszClass = "BUTTON";
    return COleControl::PreCreateWindow(cs);
}

LRESULT CHXdigIOCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // From here on workers report through the window, and once it is gone
    // their reports are dropped.
    if (message == WM_CLOSE || message == WM_DESTROY) m_bFireDirect = FALSE;
    if (message < WM_LISTENER_REPORT || message > WM_WORKER_REAP)
        return COleControl::WindowProc(message, wParam, lParam);
    // The workers' reports and deferred stops, which like every other message
    // go on to the base procedure too. A handler may release the container's
    // last reference: the control stays until the message is through.
    const CKeepAlive alive(*this);
    if (alive) OnWorkerMessage(message, wParam, lParam);
    return COleControl::WindowProc(message, wParam, lParam);
}

void CHXdigIOCtrl::OnSize(UINT type, int cx, int cy) {
    COleControl::OnSize(type, cx, cy);
    SetControlSize(kSide, kSide);
}

// The button's own notifications, reflected back to it: nothing to do.
LRESULT CHXdigIOCtrl::OnOcmCommand(WPARAM, LPARAM) {
    return 0;
}

void CHXdigIOCtrl::OnDraw(HDC hdc, const RECT& rcBounds, const RECT&) {
    if (!hdc) return;
    if (const HWND window = GetSafeHwnd())
        ShowWindow(window, AmbientUserMode() ? SW_HIDE : SW_SHOW);
    int cx = 0, cy = 0;
    GetControlSize(&cx, &cy);
    if (cx != kSide || cy != kSide) SetControlSize(kSide, kSide);
    CPictureHolder picture;
    if (picture.CreateFromIcon(IDI_ABOUTDLL)) picture.Render(hdc, {0, 0, kSide, kSide}, rcBounds);
}

void CHXdigIOCtrl::DoPropExchange(CPropExchange* pPX) {
    // No property of the control's own is kept: a loaded control has no
    // image bound.
    ExchangeVersion(pPX, kPersistenceVersion);
    COleControl::DoPropExchange(pPX);
}
