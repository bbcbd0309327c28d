#include "AfxCmdTarget.h"

#include "AfxModuleState.h"

#include <olectl.h>

const AFX_INTERFACEMAP CCmdTarget::interfaceMap = {nullptr, nullptr};
const AFX_DISPMAP CCmdTarget::dispatchMap = {nullptr, nullptr};

void AfxThrowOleDispatchException(SCODE scError, const char* description) {
    throw COleDispatchException(scError, description);
}

CCmdTarget::CCmdTarget() {
    AfxOleLockApp();
}

CCmdTarget::~CCmdTarget() {
    AfxOleUnlockApp();
}

ULONG CCmdTarget::InternalAddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_dwRef));
}

bool CCmdTarget::InternalAddRefIfAlive() {
    for (LONG seen = m_dwRef; seen > 0 && seen < kDestroyingRefCount;) {
        const LONG before = InterlockedCompareExchange(&m_dwRef, seen + 1, seen);
        if (before == seen) return true;
        seen = before;
    }
    return false;
}

ULONG CCmdTarget::InternalRelease() {
    const LONG count = InterlockedDecrement(&m_dwRef);
    if (count == 0) {
        // Parked far from zero while the object is torn down: a reference
        // taken and dropped then (a sink's destructor calling back into the
        // object) must not bring the count to zero a second time.
        m_dwRef = kDestroyingRefCount;
        OnFinalRelease();
    }
    return static_cast<ULONG>(count);
}

void CCmdTarget::OnFinalRelease() {
    delete this;
}

void* CCmdTarget::GetInterfaceHook(REFIID) {
    return nullptr;
}

const AFX_INTERFACEMAP* CCmdTarget::GetInterfaceMap() const {
    return &interfaceMap;
}
const AFX_DISPMAP* CCmdTarget::GetDispatchMap() const {
    return &dispatchMap;
}

IUnknown* CCmdTarget::GetControllingUnknown() {
    for (const AFX_INTERFACEMAP* map = GetInterfaceMap(); map; map = map->pBaseMap) {
        if (map->pEntry && map->pEntry->piid)
            return static_cast<IUnknown*>(map->pEntry->pfnCast(this));
    }
    return nullptr;
}

HRESULT CCmdTarget::InternalQueryInterface(REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    void* found = nullptr;
    if (IsEqualIID(iid, IID_IUnknown)) {
        found = GetControllingUnknown();
    } else {
        for (const AFX_INTERFACEMAP* map = GetInterfaceMap(); map && !found; map = map->pBaseMap) {
            for (const AFX_INTERFACEMAP_ENTRY* entry = map->pEntry; entry && entry->piid; ++entry) {
                if (IsEqualIID(iid, *entry->piid)) {
                    found = entry->pfnCast(this);
                    break;
                }
            }
        }
        if (!found) found = GetInterfaceHook(iid);
    }
    if (!found) return E_NOINTERFACE;
    InternalAddRef();
    *ppv = found;
    return S_OK;
}

HRESULT CCmdTarget::GetClassID(LPCLSID pClassID) {
    if (pClassID) *pClassID = CLSID_NULL;
    return E_NOTIMPL;
}

void CCmdTarget::SetNotSupported() {
    AfxThrowOleDispatchException(CTL_E_SETNOTSUPPORTED);
}
void CCmdTarget::GetNotSupported() {
    AfxThrowOleDispatchException(CTL_E_GETNOTSUPPORTED);
}

BOOL CCmdTarget::GetDispatchIID(IID* piid) {
    if (piid) *piid = GUID_NULL;
    return FALSE;
}

bool CCmdTarget::HasDispatchTypeInfo() {
    return false;
}

HRESULT CCmdTarget::GetDispatchTypeInfo(LCID, ITypeInfo** ppTypeInfo) {
    if (ppTypeInfo) *ppTypeInfo = nullptr;
    return DISP_E_BADINDEX;
}

const AFX_DISPMAP_ENTRY* CCmdTarget::FindDispEntry(DISPID dispid) const {
    for (const AFX_DISPMAP* map = GetDispatchMap(); map; map = map->pBaseMap) {
        for (const AFX_DISPMAP_ENTRY* entry = map->lpEntries; entry && entry->lpszName; ++entry) {
            if (entry->lDispID == dispid) return entry;
        }
    }
    return nullptr;
}

namespace {

// Member names are ASCII; compared without regard to case, without copying.
bool NameEquals(const OLECHAR* wide, const char* narrow) {
    for (;; ++wide, ++narrow) {
        OLECHAR w = *wide;
        char n = *narrow;
        if (w >= L'A' && w <= L'Z') w = static_cast<OLECHAR>(w - L'A' + L'a');
        if (n >= 'A' && n <= 'Z') n = static_cast<char>(n - 'A' + 'a');
        if (w != static_cast<OLECHAR>(static_cast<unsigned char>(n))) return false;
        if (n == '\0') return true;
    }
}

} // namespace

const AFX_DISPMAP_ENTRY* CCmdTarget::FindDispEntry(const OLECHAR* name) const {
    if (!name) return nullptr;
    for (const AFX_DISPMAP* map = GetDispatchMap(); map; map = map->pBaseMap) {
        for (const AFX_DISPMAP_ENTRY* entry = map->lpEntries; entry && entry->lpszName; ++entry) {
            if (NameEquals(name, entry->lpszName)) return entry;
        }
    }
    return nullptr;
}
