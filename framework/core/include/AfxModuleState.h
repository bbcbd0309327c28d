// The module's framework state: its instance handle, its module object and
// the counts of live objects and server locks behind DllCanUnloadNow.
// Every export switches to this state for its duration (AFX_MANAGE_STATE),
// so code running inside the module finds its own instance and resources
// whichever module called in.
#pragma once

#include <windows.h>

class COleControlModule;

struct AFX_MODULE_STATE {
    HINSTANCE m_hCurrentInstanceHandle;
    HINSTANCE m_hCurrentResourceHandle;
    COleControlModule* m_pCurrentWinApp;
    volatile LONG m_nObjectCount;
    volatile LONG m_nLockCount;
};

// The state in force on this thread: the module's own one unless an
// AFX_MANAGE_STATE scope has switched to another.
AFX_MODULE_STATE* AfxGetModuleState();
// This module's own state.
AFX_MODULE_STATE* AfxGetStaticModuleState();

// Switches the thread to a module state and back at the end of the scope.
class AFX_MAINTAIN_STATE2 {
public:
    explicit AFX_MAINTAIN_STATE2(AFX_MODULE_STATE* newState);
    AFX_MAINTAIN_STATE2(const AFX_MAINTAIN_STATE2&) = delete;
    AFX_MAINTAIN_STATE2& operator=(const AFX_MAINTAIN_STATE2&) = delete;
    ~AFX_MAINTAIN_STATE2();

private:
    AFX_MODULE_STATE* m_pPrevState;
};
#define AFX_MANAGE_STATE(p) AFX_MAINTAIN_STATE2 _ctlState(p)

// Called by the module's entry point with the instance the loader gave it.
void AfxSetModuleInstance(HINSTANCE instance);
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
COleControlModule* AfxGetApp();

// Live objects of the module (every COM object counts while it exists).
void AfxOleLockApp();
void AfxOleUnlockApp();
// Server locks (IClassFactory::LockServer).
void AfxOleLockServer(BOOL lock);
LONG AfxOleGetObjectCount();
LONG AfxOleGetLockCount();

// S_OK when no object and no lock remains, S_FALSE otherwise.
HRESULT AfxDllCanUnloadNow();
