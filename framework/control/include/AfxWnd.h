// CWnd: a C++ object attached to one window. The window's messages go
// through the object's message table (AfxMsgMap.h) and, unhandled, on to the
// window's own class procedure (the base procedure), so a CWnd can sit on a
// window that something else made: a list view from a dialog template
// (SubclassDlgItem), a BUTTON it created itself (CreateEx).
//
// A parent CWnd hands the notifications it gets from a child CWnd back to
// that child first (reflection): WM_COMMAND and WM_NOTIFY arrive at the
// child's table as OCM_COMMAND and OCM_NOTIFY, and what the child handles
// goes no further.
//
// The window and the object end separately: when the window is destroyed the
// object lets go of it (m_hWnd null, PostNcDestroy called); when the object
// is deleted first it destroys a window it created and only detaches from a
// window it subclassed.
#pragma once

#include "AfxMsgMap.h"

#include <windows.h>

class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    HWND GetSafeHwnd() const { return m_hWnd; }
    // The object attached to a window, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Creates a window (PreCreateWindow may change the class, styles and
    // position first) and attaches to it; FALSE when it cannot be made.
    BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                  const RECT& rect, HWND hWndParent, UINT nID);
    virtual BOOL PreCreateWindow(CREATESTRUCTA& cs);
    BOOL DestroyWindow();

    // Attaches to an existing window; FALSE when this object or the window
    // is already attached.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    // Gives the window its base procedure back; the window lives on.
    HWND UnsubclassWindow();

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }

    HWND m_hWnd = nullptr;

protected:
    // Every message of the window: the message table first, then Default.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The base procedure with the message being handled.
    LRESULT Default();
    // The base procedure with any message.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // A notification this window sent its parent (WM_COMMAND, WM_NOTIFY),
    // offered back to it; TRUE with *pResult when its table handled it.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // After the window's last message (WM_NCDESTROY), once the object has let
    // go of it.
    virtual void PostNcDestroy();

    // Looks the message up in the table chain; TRUE with *pResult if a
    // handler ran.
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual const AFX_MSGMAP* GetMessageMap() const;
    static const AFX_MSGMAP* GetThisMessageMap();

    // The base handling of the messages the tables name, for handlers that
    // add to it.
    void OnSize(UINT, int, int) { Default(); }
    void OnDestroy() { Default(); }
    void OnTimer(UINT_PTR) { Default(); }

private:
    static LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool Attach(HWND hWnd);
    void Detach();
    // Reflection: a child CWnd's notification handed to the child first.
    bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    WNDPROC m_pfnSuper = nullptr;
    bool m_bCreated = false;          // made by CreateEx: deleting the object destroys it
    const MSG* m_pCurrentMsg = nullptr; // for Default
};
