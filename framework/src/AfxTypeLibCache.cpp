#include "AfxTypeLibCache.h"

#include "AfxModuleState.h"

namespace {

constexpr int kMaxTypeLibs = 8;

} // namespace

CTypeLibCache* AfxGetTypeLibCache(const GUID* pTypeLibID, WORD wVerMajor, WORD wVerMinor) {
    if (!pTypeLibID) return nullptr;
    static CAfxCriticalSection tableLock;
    static CTypeLibCache caches[kMaxTypeLibs];
    static int used = 0;
    CAfxLock lock(tableLock);
    for (int i = 0; i < used; ++i) {
        if (IsEqualGUID(caches[i].m_tlid, *pTypeLibID)) return &caches[i];
    }
    if (used == kMaxTypeLibs) return nullptr;
    CTypeLibCache& cache = caches[used++];
    cache.m_tlid = *pTypeLibID;
    cache.m_wVerMajor = wVerMajor;
    cache.m_wVerMinor = wVerMinor;
    return &cache;
}

void CTypeLibCache::Lock() {
    CAfxLock lock(m_lock);
    ++m_cLocks;
}

void CTypeLibCache::Unlock() {
    CAfxComPtr<ITypeLib> released;
    {
        CAfxLock lock(m_lock);
        if (m_cLocks > 0 && --m_cLocks == 0) released = std::move(m_pTypeLib);
    }
    // `released` lets the library go outside the lock.
}

HRESULT CTypeLibCache::Load(LCID lcid, ITypeLib** ppTypeLib) const {
    if (SUCCEEDED(LoadRegTypeLib(m_tlid, m_wVerMajor, m_wVerMinor, lcid, ppTypeLib))) return S_OK;
    // Not registered (or not in a usable form): the copy inside the module.
    WCHAR path[MAX_PATH];
    const DWORD length =
        GetModuleFileNameW(AfxGetStaticModuleState()->m_hCurrentInstanceHandle, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TYPE_E_CANTLOADLIBRARY;
    CAfxComPtr<ITypeLib> embedded;
    HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, embedded.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    TLIBATTR* attr = nullptr;
    hr = embedded->GetLibAttr(&attr);
    if (FAILED(hr)) return hr;
    const bool matches = IsEqualGUID(attr->guid, m_tlid) != 0;
    embedded->ReleaseTLibAttr(attr);
    if (!matches) return TYPE_E_CANTLOADLIBRARY;
    *ppTypeLib = embedded.Detach();
    return S_OK;
}

HRESULT CTypeLibCache::GetTypeLib(LCID lcid, ITypeLib** ppTypeLib) {
    if (!ppTypeLib) return E_POINTER;
    *ppTypeLib = nullptr;
    CAfxLock lock(m_lock);
    if (!m_pTypeLib || m_lcid != lcid) {
        CAfxComPtr<ITypeLib> loaded;
        const HRESULT hr = Load(lcid, loaded.ReleaseAndGetAddressOf());
        if (FAILED(hr)) return hr;
        if (m_cLocks == 0) {
            // Nobody holds the cache: hand the library out without keeping it.
            *ppTypeLib = loaded.Detach();
            return S_OK;
        }
        m_pTypeLib = std::move(loaded);
        m_lcid = lcid;
    }
    m_pTypeLib->AddRef();
    *ppTypeLib = m_pTypeLib.Get();
    return S_OK;
}

HRESULT CTypeLibCache::GetTypeInfo(LCID lcid, REFGUID guid, ITypeInfo** ppTypeInfo) {
    if (!ppTypeInfo) return E_POINTER;
    *ppTypeInfo = nullptr;
    CAfxComPtr<ITypeLib> typeLib;
    const HRESULT hr = GetTypeLib(lcid, typeLib.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    return typeLib->GetTypeInfoOfGuid(guid, ppTypeInfo);
}
