#include "AfxTypeLibCache.h"

#include "AfxModuleState.h"
#include "hx/typelib_owners.h"

namespace {

constexpr int kMaxTypeLibs = 8;

} // namespace

CTypeLibCache* AfxGetTypeLibCache(const GUID* pTypeLibID, WORD wVerMajor, WORD wVerMinor) {
    if (!pTypeLibID) return nullptr;
    static hx::critical_section tableLock;
    static CTypeLibCache caches[kMaxTypeLibs];
    static int used = 0;
    const auto lock = tableLock.lock();
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
    const auto lock = m_lock.lock();
    ++m_cLocks;
}

void CTypeLibCache::Unlock() {
    hx::com_ptr<ITypeLib> released;
    {
        const auto lock = m_lock.lock();
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
    hx::com_ptr<ITypeLib> embedded;
    HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, embedded.put());
    if (FAILED(hr)) return hr;
    hx::unique_tlibattr attr;
    hr = embedded->GetLibAttr(attr.put(embedded.get()));
    if (FAILED(hr)) return hr;
    if (!IsEqualGUID(attr->guid, m_tlid)) return TYPE_E_CANTLOADLIBRARY;
    *ppTypeLib = embedded.detach();
    return S_OK;
}

HRESULT CTypeLibCache::GetTypeLib(LCID lcid, ITypeLib** ppTypeLib) {
    if (!ppTypeLib) return E_POINTER;
    *ppTypeLib = nullptr;
    const auto lock = m_lock.lock();
    if (!m_pTypeLib || m_lcid != lcid) {
        hx::com_ptr<ITypeLib> loaded;
        const HRESULT hr = Load(lcid, loaded.put());
        if (FAILED(hr)) return hr;
        if (m_cLocks == 0) {
            // Nobody holds the cache: hand the library out without keeping it.
            *ppTypeLib = loaded.detach();
            return S_OK;
        }
        m_pTypeLib = std::move(loaded);
        m_lcid = lcid;
    }
    return m_pTypeLib.copy_to(ppTypeLib);
}

HRESULT CTypeLibCache::GetTypeInfo(LCID lcid, REFGUID guid, ITypeInfo** ppTypeInfo) {
    if (!ppTypeInfo) return E_POINTER;
    *ppTypeInfo = nullptr;
    hx::com_ptr<ITypeLib> typeLib;
    const HRESULT hr = GetTypeLib(lcid, typeLib.put());
    if (FAILED(hr)) return hr;
    return typeLib->GetTypeInfoOfGuid(guid, ppTypeInfo);
}
