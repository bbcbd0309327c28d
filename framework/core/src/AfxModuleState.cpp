#include "AfxModuleState.h"

#include <atomic>

namespace {

AFX_MODULE_STATE g_moduleState = {nullptr, nullptr, nullptr, 0, 0};

// The state a scope switched this thread to (null: the module's own), in a
// Win32 TLS slot rather than a thread_local: the runtime's emulated TLS ties
// bookkeeping of its own to every thread that touches one, including the
// container's threads, and cannot give it back when the module is unloaded.
// The slot is taken on first use and given back with the module.
class CurrentStateSlot {
public:
    constexpr CurrentStateSlot() = default;
    CurrentStateSlot(const CurrentStateSlot&) = delete;
    CurrentStateSlot& operator=(const CurrentStateSlot&) = delete;
    ~CurrentStateSlot() {
        const DWORD index = m_index.exchange(kReleased);
        if (index < kReleased) TlsFree(index);
    }

    AFX_MODULE_STATE* Get() const {
        const DWORD index = m_index.load(std::memory_order_acquire);
        return index < kReleased ? static_cast<AFX_MODULE_STATE*>(TlsGetValue(index)) : nullptr;
    }
    void Set(AFX_MODULE_STATE* state) {
        const DWORD index = Index();
        if (index < kReleased) TlsSetValue(index, state);
    }

private:
    static constexpr DWORD kUnallocated = TLS_OUT_OF_INDEXES;
    static constexpr DWORD kReleased = TLS_OUT_OF_INDEXES - 1;

    // The first thread to need the slot takes it; a thread that loses the
    // race gives its own back.
    DWORD Index() {
        DWORD index = m_index.load(std::memory_order_acquire);
        if (index != kUnallocated) return index;
        const DWORD mine = TlsAlloc();
        if (mine == TLS_OUT_OF_INDEXES) return kUnallocated;
        if (m_index.compare_exchange_strong(index, mine, std::memory_order_acq_rel)) return mine;
        TlsFree(mine);
        return index;
    }

    std::atomic<DWORD> m_index{kUnallocated};
};
constinit CurrentStateSlot g_currentState;

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
    AFX_MODULE_STATE* const current = g_currentState.Get();
    return current ? current : AfxGetStaticModuleState();
}

AFX_MAINTAIN_STATE2::AFX_MAINTAIN_STATE2(AFX_MODULE_STATE* newState)
    : m_pPrevState(g_currentState.Get()) {
    g_currentState.Set(newState);
}

AFX_MAINTAIN_STATE2::~AFX_MAINTAIN_STATE2() {
    g_currentState.Set(m_pPrevState);
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
