#include "AfxWnd.h"

#include <utility>

namespace {

// The window property that names a window's CWnd.
constexpr char kObjectProperty[] = "HxFrameworkWnd";

} // namespace

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY noEntries[] = {{0, 0, 0, false, nullptr}};
    static const AFX_MSGMAP rootMap = {nullptr, &noEntries[0]};
    return &rootMap;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const {
    return GetThisMessageMap();
}

CWnd::~CWnd() {
    if (!m_hWnd) return;
    if (m_bCreated)
        ::DestroyWindow(m_hWnd); // WM_NCDESTROY detaches, PostNcDestroy of this class runs
    else
        UnsubclassWindow();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    return hWnd ? static_cast<CWnd*>(GetPropA(hWnd, kObjectProperty)) : nullptr;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCTA&) {
    return TRUE;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, HWND hWndParent, UINT nID) {
    if (m_hWnd) return FALSE;
    CREATESTRUCTA cs = {};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = dwStyle;
    cs.x = rect.left;
    cs.y = rect.top;
    cs.cx = rect.right - rect.left;
    cs.cy = rect.bottom - rect.top;
    cs.hwndParent = hWndParent;
    cs.hMenu = (dwStyle & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)) : nullptr;
    cs.hInstance = GetModuleHandleA(nullptr);
    if (!PreCreateWindow(cs)) return FALSE;
    const HWND hWnd = CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x,
                                      cs.y, cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance,
                                      cs.lpCreateParams);
    if (!hWnd) return FALSE;
    // Messages sent during creation went to the class's own procedure alone.
    if (!Attach(hWnd)) {
        ::DestroyWindow(hWnd);
        return FALSE;
    }
    m_bCreated = true;
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (m_hWnd || !IsWindow(hWnd) || FromHandlePermanent(hWnd)) return FALSE;
    return Attach(hWnd) ? TRUE : FALSE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    if (!pParent || !pParent->m_hWnd) return FALSE;
    return SubclassWindow(GetDlgItem(pParent->m_hWnd, static_cast<int>(nID)));
}

HWND CWnd::UnsubclassWindow() {
    const HWND hWnd = m_hWnd;
    if (!hWnd) return nullptr;
    SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    Detach();
    return hWnd;
}

bool CWnd::Attach(HWND hWnd) {
    if (!SetPropA(hWnd, kObjectProperty, this)) return false;
    m_hWnd = hWnd;
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    return true;
}

void CWnd::Detach() {
    RemovePropA(m_hWnd, kObjectProperty);
    m_hWnd = nullptr;
    m_bCreated = false;
}

LRESULT CALLBACK CWnd::AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* const self = FromHandlePermanent(hWnd);
    if (!self) return ::DefWindowProcA(hWnd, message, wParam, lParam);
    const MSG current = {hWnd, message, wParam, lParam, 0, {0, 0}};
    const MSG* const outer = std::exchange(self->m_pCurrentMsg, &current);
    if (message == WM_NCDESTROY) {
        // The window's last message: the base procedure sees it, then the
        // object lets go of the window.
        const LRESULT result = self->WindowProc(message, wParam, lParam);
        const WNDPROC super = self->m_pfnSuper;
        SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
        self->m_pCurrentMsg = outer;
        self->Detach();
        self->PostNcDestroy(); // may delete the object
        return result;
    }
    const LRESULT result = self->WindowProc(message, wParam, lParam);
    // A handler may have deleted the object with its window.
    if (FromHandlePermanent(hWnd) == self) self->m_pCurrentMsg = outer;
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (ReflectToChild(message, wParam, lParam, &result)) return result;
    if (OnWndMsg(message, wParam, lParam, &result)) return result;
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::Default() {
    if (!m_pCurrentMsg) return 0;
    const MSG& current = *m_pCurrentMsg;
    return DefWindowProc(current.message, current.wParam, current.lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper) return CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

bool CWnd::ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    HWND child = nullptr;
    if (message == WM_NOTIFY && lParam)
        child = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    else if (message == WM_COMMAND && lParam)
        child = reinterpret_cast<HWND>(lParam);
    CWnd* const target = FromHandlePermanent(child);
    return target && target != this && target->OnChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    return OnWndMsg(OCM__BASE + message, wParam, lParam, pResult);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == AFX_MSG_OLEVERB) return FALSE; // verb entries take no window message
    UINT code = 0;
    UINT id = 0;
    const bool notify = message == WM_NOTIFY || message == OCM__BASE + WM_NOTIFY;
    if (notify) {
        if (!lParam) return FALSE;
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        code = header->code;
        id = static_cast<UINT>(header->idFrom);
    }
    for (const AFX_MSGMAP* map = GetMessageMap(); map;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->nMessage; ++entry) {
            if (entry->nMessage != message) continue;
            if (notify && (entry->nCode != code || (!entry->bAnyId && entry->nID != id))) continue;
            const LRESULT result = entry->pfnCall(this, wParam, lParam);
            if (pResult) *pResult = result;
            return TRUE;
        }
    }
    return FALSE;
}

void CWnd::PostNcDestroy() {}
