#include "AfxConnectionPoint.h"

#include "AfxEnum.h"

#include <olectl.h>

#include <new>

void CConnectionPoint::CSinkSnapshot::Add(const hx::com_ptr<IUnknown>& sink) {
    if (m_count >= kInline)
        m_overflow.push_back(sink);
    else
        m_inline[m_count] = sink;
    ++m_count;
}

void CConnectionPoint::CSinkSnapshot::Clear() {
    for (size_t i = 0; i < m_count && i < kInline; ++i)
        m_inline[i].reset();
    m_overflow.clear();
    m_count = 0;
}

CConnectionPoint::CConnectionPoint(CCmdTarget& owner, IConnectionPointContainer& container)
    : m_owner(owner), m_container(container) {}

size_t CConnectionPoint::GetConnectionCount() {
    const auto lock = m_lock.lock();
    return m_connections.size();
}

void CConnectionPoint::GetSinks(CSinkSnapshot& snapshot) {
    snapshot.Clear();
    const auto lock = m_lock.lock();
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
    // The sink is called through the point's interface; events of a
    // dispinterface go through IDispatch, which the sink may offer instead.
    hx::com_ptr<IUnknown> sink;
    if (m_piid) pUnkSink->QueryInterface(*m_piid, sink.put_void());
    if (!sink && m_bDispatch) pUnkSink->QueryInterface(IID_IDispatch, sink.put_void());
    if (!sink) return CONNECT_E_CANNOTCONNECT;
    try {
        const auto lock = m_lock.lock();
        DWORD cookie = m_nextCookie++;
        if (cookie == 0) cookie = m_nextCookie++; // 0 never names a connection
        m_connections.push_back({cookie, std::move(sink)});
        *pdwCookie = cookie;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT CConnectionPoint::Unadvise(DWORD dwCookie) {
    // Released outside the lock: the sink's last release may call back in.
    hx::com_ptr<IUnknown> sink;
    {
        const auto lock = m_lock.lock();
        for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
            if (it->cookie == dwCookie) {
                sink = std::move(it->sink);
                m_connections.erase(it);
                break;
            }
        }
    }
    return sink ? S_OK : CONNECT_E_NOCONNECTION;
}

HRESULT CConnectionPoint::EnumConnections(IEnumConnections** ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    try {
        std::vector<CONNECTDATA> items;
        const auto lock = m_lock.lock();
        items.reserve(m_connections.size());
        for (const Connection& connection : m_connections)
            items.push_back({connection.sink.get(), connection.cookie});
        return CAfxEnumConnections::Create(items, 0, ppEnum);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
