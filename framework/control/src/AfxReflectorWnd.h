// The window a control's window sits in when its container does not
// reflect notifications: it takes the control's place in the site's window
// and hands the WM_COMMAND and WM_NOTIFY that the control's window sends its
// parent back to the control's window as OCM_COMMAND and OCM_NOTIFY, as a
// reflecting container would.
#pragma once

#include "AfxWnd.h"

class CReflectorWnd : public CWnd {
public:
    BOOL Create(const RECT& rect, HWND hWndParent);

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};
