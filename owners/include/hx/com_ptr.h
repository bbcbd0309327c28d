// hx::com_ptr: one counted reference on a COM interface. Copies add a
// reference, moves pass the one they hold, and the destructor releases it:
// no AddRef/Release pair is written by hand.
//
//   hx::com_ptr<IClassFactory> factory;
//   RETURN_IF_FAILED(DllGetClassObject(clsid, IID_PPV_ARGS(factory.put())));
//   hx::com_ptr<IDispatch> object;
//   RETURN_IF_FAILED(factory->CreateInstance(nullptr, IID_PPV_ARGS(object.put())));
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <cstddef>
#include <utility>

namespace hx {

template <class T> class com_ptr {
public:
    com_ptr() noexcept = default;
    com_ptr(std::nullptr_t) noexcept {}
    // Takes a reference of its own on p.
    explicit com_ptr(T* p) noexcept : m_p(p) {
        if (m_p) m_p->AddRef();
    }
    com_ptr(const com_ptr& other) noexcept : com_ptr(other.m_p) {}
    com_ptr(com_ptr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    com_ptr& operator=(com_ptr other) noexcept {
        swap(other);
        return *this;
    }
    ~com_ptr() { reset(); }

    // Adopts a reference the caller already holds (no AddRef).
    static com_ptr attach(T* p) noexcept {
        com_ptr result;
        result.m_p = p;
        return result;
    }
    // Hands the reference to the caller (no Release).
    [[nodiscard]] T* detach() noexcept { return std::exchange(m_p, nullptr); }

    void reset() noexcept {
        if (T* p = std::exchange(m_p, nullptr)) p->Release();
    }
    // For out-parameters: releases what is held and exposes the empty slot.
    T** put() noexcept {
        reset();
        return &m_p;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    T* get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    T& operator*() const noexcept { return *m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }

    // Another interface of the same object; empty when it has none.
    template <class U> com_ptr<U> query(REFIID iid) const noexcept {
        com_ptr<U> result;
        if (m_p) m_p->QueryInterface(iid, result.put_void());
        return result;
    }
    // Hands out a new reference through an out-parameter, as COM methods do.
    HRESULT copy_to(T** out) const noexcept {
        if (!out) return E_POINTER;
        *out = m_p;
        if (m_p) m_p->AddRef();
        return S_OK;
    }

    void swap(com_ptr& other) noexcept { std::swap(m_p, other.m_p); }
    friend bool operator==(const com_ptr& a, const com_ptr& b) noexcept { return a.m_p == b.m_p; }
    friend bool operator==(const com_ptr& a, std::nullptr_t) noexcept { return a.m_p == nullptr; }

private:
    T* m_p = nullptr;
};

} // namespace hx
