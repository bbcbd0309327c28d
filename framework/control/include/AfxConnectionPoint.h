// A connection point of an object: the sinks advised for one outgoing
// interface, and the snapshot of them that an event is fired to. Its
// references count on the object that contains it.
//
// Each sink is kept as the interface the point is for (the event
// dispinterface, IPropertyNotifySink); a point for a dispinterface also
// takes sinks that offer only IDispatch.
#pragma once

#include "AfxCmdTarget.h"
#include "hx/com_ptr.h"
#include "hx/critical_section.h"

#include <ocidl.h>

#include <vector>

class CConnectionPoint : public IConnectionPoint {
public:
    CConnectionPoint(CCmdTarget& owner, IConnectionPointContainer& container);
    CConnectionPoint(const CConnectionPoint&) = delete;
    CConnectionPoint& operator=(const CConnectionPoint&) = delete;
    virtual ~CConnectionPoint() = default;

    // bDispatch: the interface is a dispinterface (sinks may answer IDispatch).
    void SetIID(const IID* piid, bool bDispatch) {
        m_piid = piid;
        m_bDispatch = bDispatch;
    }
    const IID* GetIID() const { return m_piid; }
    size_t GetConnectionCount();

    // The sinks connected when the snapshot was taken, each with a reference
    // of the snapshot's own: a sink may unadvise while an event is fired.
    // The first few live inline, so that firing an event allocates nothing.
    class CSinkSnapshot {
    public:
        size_t GetCount() const { return m_count; }
        // The sink as the point's interface (I: IDispatch for a dispinterface).
        template <class I> I* GetAt(size_t i) const {
            return static_cast<I*>((i < kInline ? m_inline[i] : m_overflow[i - kInline]).get());
        }
        void Add(const hx::com_ptr<IUnknown>& sink); // may throw std::bad_alloc
        void Clear();

    private:
        static constexpr size_t kInline = 8;
        hx::com_ptr<IUnknown> m_inline[kInline];
        std::vector<hx::com_ptr<IUnknown>> m_overflow;
        size_t m_count = 0;
    };
    void GetSinks(CSinkSnapshot& snapshot);

    // IUnknown
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    // IConnectionPoint
    STDMETHOD(GetConnectionInterface)(IID* pIID) override;
    STDMETHOD(GetConnectionPointContainer)(IConnectionPointContainer** ppCPC) override;
    STDMETHOD(Advise)(IUnknown* pUnkSink, DWORD* pdwCookie) override;
    STDMETHOD(Unadvise)(DWORD dwCookie) override;
    STDMETHOD(EnumConnections)(IEnumConnections** ppEnum) override;

private:
    struct Connection {
        DWORD cookie;
        hx::com_ptr<IUnknown> sink; // the point's interface
    };

    CCmdTarget& m_owner;
    IConnectionPointContainer& m_container;
    const IID* m_piid = nullptr;
    bool m_bDispatch = false;
    hx::critical_section m_lock; // sinks may fire from worker threads
    std::vector<Connection> m_connections;
    DWORD m_nextCookie = 1;
};
