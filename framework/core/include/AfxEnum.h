// Enumerators over a snapshot taken when the enumerator is made: the
// enumerator holds its own reference on every item, so the items stay valid
// whatever happens to the list they came from.
#pragma once

#include "AfxCmdTarget.h"

#include <ocidl.h>

#include <vector>

namespace afx {

struct CopyConnectData {
    static void Copy(CONNECTDATA& to, const CONNECTDATA& from) {
        to = from;
        if (to.pUnk) to.pUnk->AddRef();
    }
    static void Destroy(CONNECTDATA& item) {
        if (item.pUnk) item.pUnk->Release();
    }
};

template <class I> struct CopyInterface {
    static void Copy(I*& to, I* const& from) {
        to = from;
        if (to) to->AddRef();
    }
    static void Destroy(I*& item) {
        if (item) item->Release();
    }
};

} // namespace afx

template <class Base, const IID* piid, class T, class Copy>
class CAfxEnum : public CCmdTarget, public Base {
public:
    // Takes copies (with their own references) of the items.
    explicit CAfxEnum(const std::vector<T>& items, size_t position = 0) : m_position(position) {
        m_items.reserve(items.size());
        for (const T& item : items) {
            m_items.push_back(T{});
            Copy::Copy(m_items.back(), item);
        }
    }

    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, *piid)) return E_NOINTERFACE;
        *ppv = static_cast<Base*>(this);
        InternalAddRef();
        return S_OK;
    }
    STDMETHOD_(ULONG, AddRef)() override { return InternalAddRef(); }
    STDMETHOD_(ULONG, Release)() override { return InternalRelease(); }

    STDMETHOD(Next)(ULONG celt, T* rgelt, ULONG* pceltFetched) override {
        if (pceltFetched) *pceltFetched = 0;
        if (!rgelt || (celt > 1 && !pceltFetched)) return E_POINTER;
        ULONG fetched = 0;
        while (fetched < celt && m_position < m_items.size()) {
            Copy::Copy(rgelt[fetched++], m_items[m_position++]);
        }
        if (pceltFetched) *pceltFetched = fetched;
        return fetched == celt ? S_OK : S_FALSE;
    }
    STDMETHOD(Skip)(ULONG celt) override {
        const size_t left = m_items.size() - m_position;
        if (celt > left) {
            m_position = m_items.size();
            return S_FALSE;
        }
        m_position += celt;
        return S_OK;
    }
    STDMETHOD(Reset)() override {
        m_position = 0;
        return S_OK;
    }
    STDMETHOD(Clone)(Base** ppEnum) override {
        if (!ppEnum) return E_POINTER;
        *ppEnum = nullptr;
        return Create(m_items, m_position, ppEnum);
    }

    static HRESULT Create(const std::vector<T>& items, size_t position, Base** ppEnum) {
        try {
            auto* created = new CAfxEnum(items, position);
            created->InternalAddRef();
            *ppEnum = created;
            return S_OK;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

private:
    // Owns the copies: they are let go with the enumerator, and also when
    // its construction fails half-way.
    struct Items : std::vector<T> {
        Items() = default;
        Items(const Items&) = delete;
        Items& operator=(const Items&) = delete;
        ~Items() {
            for (T& item : *this)
                Copy::Destroy(item);
        }
    };
    Items m_items;
    size_t m_position;
};

using CAfxEnumConnections =
    CAfxEnum<IEnumConnections, &IID_IEnumConnections, CONNECTDATA, afx::CopyConnectData>;
using CAfxEnumConnectionPoints = CAfxEnum<IEnumConnectionPoints, &IID_IEnumConnectionPoints,
                                          IConnectionPoint*, afx::CopyInterface<IConnectionPoint>>;
