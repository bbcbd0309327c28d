#include "AfxConnectionPoint.h"

#include "AfxEnum.h"

#include <olectl.h>

#include <new>

void CConnectionPoint::CSinkSnapshot::Add(IDispatch* sink) {
    if (m_count >= kInline)
        m_overflow.push_back(sink); // may throw: nothing taken yet
    else
        m_inline[m_count] = sink;
    sink->AddRef();
    ++m_count;
}

void CConnectionPoint::CSinkSnapshot::Clear() {
    for (size_t i = 0; i < m_count; ++i)
        GetAt(i)->Release();
    m_overflow.clear();
    m_count = 0;
}

CConnectionPoint::CConnectionPoint(CCmdTarget& owner, IConnectionPointContainer& container)
    : m_owner(owner), m_container(container) {}

CConnectionPoint::~CConnectionPoint() {
    std::vector<Connection> remaining;
    {
        CAfxLock lock(m_lock);
        remaining.swap(m_connections);
    }
    for (const Connection& connection : remaining)
        connection.sink->Release();
}

size_t CConnectionPoint::GetConnectionCount() {
    CAfxLock lock(m_lock);
    return m_connections.size();
}

void CConnectionPoint::GetSinks(CSinkSnapshot& snapshot) {
    snapshot.Clear();
    CAfxLock lock(m_lock);
    for (const Connection& connection : m_connections)
        snapshot.Add(connection.sink);
}

HRESULT CConnectionPoint::QueryInterface(REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IConnectionPoint))
        return E_NOINTERFACE;
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

ULONG CConnectionPoint::AddRef() {
    return m_owner.InternalAddRef();
}
ULONG CConnectionPoint::Release() {
    return m_owner.InternalRelease();
}

HRESULT CConnectionPoint::GetConnectionInterface(IID* pIID) {
    if (!pIID) return E_POINTER;
    if (!m_piid) {
        *pIID = GUID_NULL;
        return E_UNEXPECTED;
    }
    *pIID = *m_piid;
    return S_OK;
}

HRESULT CConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) {
    if (!ppCPC) return E_POINTER;
    m_container.AddRef();
    *ppCPC = &m_container;
    return S_OK;
}

HRESULT CConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) {
    if (!pdwCookie) return E_POINTER;
    *pdwCookie = 0;
    if (!pUnkSink) return E_POINTER;
    // Events are fired through IDispatch; a sink must offer the event
    // interface itself or at least IDispatch.
    IDispatch* sink = nullptr;
    if (!m_piid || FAILED(pUnkSink->QueryInterface(*m_piid, reinterpret_cast<void**>(&sink))) ||
        !sink) {
        sink = nullptr;
        if (FAILED(pUnkSink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink))) ||
            !sink)
            return CONNECT_E_CANNOTCONNECT;
    }
    try {
        CAfxLock lock(m_lock);
        DWORD cookie = m_nextCookie++;
        if (cookie == 0) cookie = m_nextCookie++; // 0 never names a connection
        m_connections.push_back({cookie, sink});
        *pdwCookie = cookie;
    } catch (const std::bad_alloc&) {
        sink->Release();
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT CConnectionPoint::Unadvise(DWORD dwCookie) {
    IDispatch* sink = nullptr;
    {
        CAfxLock lock(m_lock);
        for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
            if (it->cookie == dwCookie) {
                sink = it->sink;
                m_connections.erase(it);
                break;
            }
        }
    }
    if (!sink) return CONNECT_E_NOCONNECTION;
    sink->Release(); // outside the lock: the sink may call back in
    return S_OK;
}

HRESULT CConnectionPoint::EnumConnections(IEnumConnections** ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    try {
        std::vector<CONNECTDATA> items;
        CAfxLock lock(m_lock);
        items.reserve(m_connections.size());
        for (const Connection& connection : m_connections)
            items.push_back({static_cast<IUnknown*>(connection.sink), connection.cookie});
        return CAfxEnumConnections::Create(items, 0, ppEnum);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
