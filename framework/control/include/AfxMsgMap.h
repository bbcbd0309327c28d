// Message tables: each window class lists the messages it handles, chained to
// its base class's table, and CWnd::WindowProc dispatches from the table.
//
//   class CMyWnd : public CWnd {
//       DECLARE_MESSAGE_MAP()
//       void OnSize(UINT type, int cx, int cy);
//       void OnDblClk(NMHDR* header, LRESULT* result);
//   };
//   BEGIN_MESSAGE_MAP(CMyWnd, CWnd)
//       ON_WM_SIZE()
//       ON_NOTIFY(NM_DBLCLK, 207, OnDblClk)
//   END_MESSAGE_MAP()
//
// Each entry's handler is checked against its C++ signature when the table
// is compiled. Reflected entries (ON_NOTIFY_REFLECT, ON_MESSAGE(OCM_COMMAND,
// ...)) are notifications that a child window sent its parent, handed back
// to the child: they travel as OCM__BASE + the message, as ActiveX
// containers that reflect send them.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <olectl.h>

class CWnd;

// Runs a handler for a message that matched its entry; the result goes back
// to whoever sent the message.
using AfxMsgCall = LRESULT (*)(CWnd* target, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage; // 0 ends the table
    UINT nCode;    // notifications: the code
    UINT nID;      // notifications: the sender's control id, unless bAnyId
    bool bAnyId;
    AfxMsgCall pfnCall;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// Messages of reflected notifications.
constexpr UINT AFX_OCM_NOTIFY = OCM__BASE + WM_NOTIFY;
// Entries that are not window messages: an ActiveX control's verbs
// (ON_OLEVERB). The window's message lookup never matches them.
constexpr UINT AFX_MSG_OLEVERB = 0xFFFFFFFFu;

namespace afx {

// The handler signatures the tables accept, one thunk each.
template <class T, void (T::*Pmf)()> LRESULT CallVoid(CWnd* target, WPARAM, LPARAM) {
    (static_cast<T*>(target)->*Pmf)();
    return 0;
}
template <class T, void (T::*Pmf)(UINT, int, int)>
LRESULT CallSize(CWnd* target, WPARAM wParam, LPARAM lParam) {
    (static_cast<T*>(target)->*Pmf)(static_cast<UINT>(wParam), static_cast<short>(LOWORD(lParam)),
                                    static_cast<short>(HIWORD(lParam)));
    return 0;
}
template <class T, void (T::*Pmf)(UINT_PTR)> LRESULT CallTimer(CWnd* target, WPARAM wParam, LPARAM) {
    (static_cast<T*>(target)->*Pmf)(static_cast<UINT_PTR>(wParam));
    return 0;
}
template <class T, LRESULT (T::*Pmf)(WPARAM, LPARAM)>
LRESULT CallMessage(CWnd* target, WPARAM wParam, LPARAM lParam) {
    return (static_cast<T*>(target)->*Pmf)(wParam, lParam);
}
template <class T, void (T::*Pmf)(NMHDR*, LRESULT*)>
LRESULT CallNotify(CWnd* target, WPARAM, LPARAM lParam) {
    LRESULT result = 0;
    (static_cast<T*>(target)->*Pmf)(reinterpret_cast<NMHDR*>(lParam), &result);
    return result;
}

} // namespace afx

#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    static const AFX_MSGMAP* GetThisMessageMap();                                                  \
    const AFX_MSGMAP* GetMessageMap() const override;                                              \
                                                                                                   \
private:

// The entries live in a function of the class, so that ThisClass names the
// class inside them.
#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    const AFX_MSGMAP* theClass::GetMessageMap() const {                                            \
        return GetThisMessageMap();                                                                \
    }                                                                                              \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                              \
        using ThisClass = theClass;                                                                \
        using TheBaseClass = baseClass;                                                            \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                          \
    {0, 0, 0, false, nullptr}                                                                      \
    }                                                                                              \
    ;                                                                                              \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]};  \
    return &messageMap;                                                                            \
    }

#define ON_WM_SIZE() {WM_SIZE, 0, 0, true, &afx::CallSize<ThisClass, &ThisClass::OnSize>},
#define ON_WM_DESTROY() {WM_DESTROY, 0, 0, true, &afx::CallVoid<ThisClass, &ThisClass::OnDestroy>},
#define ON_WM_TIMER() {WM_TIMER, 0, 0, true, &afx::CallTimer<ThisClass, &ThisClass::OnTimer>},
// Any message, handled as LRESULT OnMessage(WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn)                                                             \
    {message, 0, 0, true, &afx::CallMessage<ThisClass, &ThisClass::memberFxn>},
// A notification (WM_NOTIFY) with this code from the child with this id.
#define ON_NOTIFY(code, id, memberFxn)                                                             \
    {WM_NOTIFY, static_cast<UINT>(code), static_cast<UINT>(id), false,                            \
     &afx::CallNotify<ThisClass, &ThisClass::memberFxn>},
// A notification this window sent its parent, handed back to it.
#define ON_NOTIFY_REFLECT(code, memberFxn)                                                         \
    {AFX_OCM_NOTIFY, static_cast<UINT>(code), 0, true,                                             \
     &afx::CallNotify<ThisClass, &ThisClass::memberFxn>},
