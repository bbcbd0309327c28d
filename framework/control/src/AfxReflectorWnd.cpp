#include "AfxReflectorWnd.h"

#include "AfxModuleState.h"
#include "AfxWndClass.h"

#include <olectl.h>

BOOL CReflectorWnd::Create(const RECT& rect, HWND hWndParent) {
    return CreateEx(0, nullptr, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, rect,
                    hWndParent, 0);
}

BOOL CReflectorWnd::PreCreateWindow(CREATESTRUCTA& cs) {
    cs.lpszClass = AfxRegisterFrameworkClass("HxOleControlReflector");
    cs.hInstance = AfxGetInstanceHandle();
    return cs.lpszClass != nullptr;
}

LRESULT CReflectorWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND from = nullptr;
    if (message == WM_COMMAND)
        from = reinterpret_cast<HWND>(lParam);
    else if (message == WM_NOTIFY && lParam)
        from = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    // Only the reflector's own children: anything else is not the control's.
    if (from && GetParent(from) == m_hWnd)
        return ::SendMessageA(from, OCM__BASE + message, wParam, lParam);
    return CWnd::WindowProc(message, wParam, lParam);
}
