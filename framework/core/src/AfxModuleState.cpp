#include "AfxModuleState.h"

namespace {

AFX_MODULE_STATE g_moduleState = {nullptr, nullptr, nullptr, 0, 0};
// Null means the module's own state.
thread_local AFX_MODULE_STATE* t_pCurrentState = nullptr;

// The module that holds this code, for a module whose entry point did not
// set its instance (a program linking the framework directly).
HINSTANCE ModuleOfThisCode() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&g_moduleState), &module);
    return module;
}

} // namespace

AFX_MODULE_STATE* AfxGetStaticModuleState() {
    // Runs once, whichever thread asks first (free-threaded objects may ask
    // from several at once); the others wait until it is done.
    static const bool instanceKnown = [] {
        if (!g_moduleState.m_hCurrentInstanceHandle) AfxSetModuleInstance(ModuleOfThisCode());
        return true;
    }();
    (void)instanceKnown;
    return &g_moduleState;
}

AFX_MODULE_STATE* AfxGetModuleState() {
    return t_pCurrentState ? t_pCurrentState : AfxGetStaticModuleState();
}

AFX_MAINTAIN_STATE2::AFX_MAINTAIN_STATE2(AFX_MODULE_STATE* newState)
    : m_pPrevState(t_pCurrentState) {
    t_pCurrentState = newState;
}

AFX_MAINTAIN_STATE2::~AFX_MAINTAIN_STATE2() {
    t_pCurrentState = m_pPrevState;
}

void AfxSetModuleInstance(HINSTANCE instance) {
    g_moduleState.m_hCurrentInstanceHandle = instance;
    g_moduleState.m_hCurrentResourceHandle = instance;
}

HINSTANCE AfxGetInstanceHandle() {
    return AfxGetModuleState()->m_hCurrentInstanceHandle;
}
HINSTANCE AfxGetResourceHandle() {
    return AfxGetModuleState()->m_hCurrentResourceHandle;
}
COleControlModule* AfxGetApp() {
    return AfxGetModuleState()->m_pCurrentWinApp;
}

// The counts always live in the module's own state: an object is released
// on whatever thread drops its last reference, inside or outside a switch.
void AfxOleLockApp() {
    InterlockedIncrement(&AfxGetStaticModuleState()->m_nObjectCount);
}
void AfxOleUnlockApp() {
    InterlockedDecrement(&AfxGetStaticModuleState()->m_nObjectCount);
}

// An unlock without a matching lock is ignored rather than letting the count
// go negative, which would keep the module loaded for good.
void AfxOleLockServer(BOOL lock) {
    volatile LONG* count = &AfxGetStaticModuleState()->m_nLockCount;
    if (lock) {
        InterlockedIncrement(count);
        return;
    }
    for (LONG seen = *count; seen > 0;) {
        const LONG before = InterlockedCompareExchange(count, seen - 1, seen);
        if (before == seen) return;
        seen = before;
    }
}

LONG AfxOleGetObjectCount() {
    return AfxGetStaticModuleState()->m_nObjectCount;
}
LONG AfxOleGetLockCount() {
    return AfxGetStaticModuleState()->m_nLockCount;
}

HRESULT AfxDllCanUnloadNow() {
    return (AfxOleGetObjectCount() == 0 && AfxOleGetLockCount() == 0) ? S_OK : S_FALSE;
}
