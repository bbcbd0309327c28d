// Owners for the COM and Win32 resources the framework handles: interface
// references, BSTRs, VARIANTs, critical sections and registry keys. Each
// releases what it owns exactly once.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <utility>

// One counted reference on an interface.
template <class T> class CAfxComPtr {
public:
    CAfxComPtr() = default;
    explicit CAfxComPtr(T* p, bool addRef = true) : m_p(p) {
        if (m_p && addRef) m_p->AddRef();
    }
    CAfxComPtr(const CAfxComPtr& other) : CAfxComPtr(other.m_p) {}
    CAfxComPtr(CAfxComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    CAfxComPtr& operator=(CAfxComPtr other) noexcept {
        std::swap(m_p, other.m_p);
        return *this;
    }
    ~CAfxComPtr() { Release(); }

    void Release() {
        if (T* p = std::exchange(m_p, nullptr)) p->Release();
    }
    // Hands the reference to the caller.
    T* Detach() { return std::exchange(m_p, nullptr); }
    // For out-parameters: drops what is held and exposes the slot.
    T** ReleaseAndGetAddressOf() {
        Release();
        return &m_p;
    }
    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T* m_p = nullptr;
};

// A BSTR freed with SysFreeString.
class CAfxBstr {
public:
    CAfxBstr() = default;
    explicit CAfxBstr(BSTR owned) : m_bstr(owned) {}
    // Converts 8-bit text in the ANSI code page; null stays null.
    explicit CAfxBstr(const char* text);
    CAfxBstr(const CAfxBstr&) = delete;
    CAfxBstr& operator=(const CAfxBstr&) = delete;
    CAfxBstr(CAfxBstr&& other) noexcept : m_bstr(std::exchange(other.m_bstr, nullptr)) {}
    CAfxBstr& operator=(CAfxBstr&& other) noexcept {
        std::swap(m_bstr, other.m_bstr);
        return *this;
    }
    ~CAfxBstr() { SysFreeString(m_bstr); }

    BSTR Get() const { return m_bstr; }
    BSTR Detach() { return std::exchange(m_bstr, nullptr); }
    BSTR* ReleaseAndGetAddressOf() {
        SysFreeString(std::exchange(m_bstr, nullptr));
        return &m_bstr;
    }

private:
    BSTR m_bstr = nullptr;
};

// A VARIANT cleared with VariantClear.
class CAfxVariant : public VARIANT {
public:
    CAfxVariant() { VariantInit(this); }
    CAfxVariant(const CAfxVariant&) = delete;
    CAfxVariant& operator=(const CAfxVariant&) = delete;
    ~CAfxVariant() { VariantClear(this); }
    void Clear() { VariantClear(this); }
};

// A critical section and its scoped lock.
class CAfxCriticalSection {
public:
    CAfxCriticalSection() { InitializeCriticalSection(&m_section); }
    CAfxCriticalSection(const CAfxCriticalSection&) = delete;
    CAfxCriticalSection& operator=(const CAfxCriticalSection&) = delete;
    ~CAfxCriticalSection() { DeleteCriticalSection(&m_section); }
    void Lock() { EnterCriticalSection(&m_section); }
    void Unlock() { LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};

class CAfxLock {
public:
    explicit CAfxLock(CAfxCriticalSection& section) : m_section(section) { m_section.Lock(); }
    CAfxLock(const CAfxLock&) = delete;
    CAfxLock& operator=(const CAfxLock&) = delete;
    ~CAfxLock() { m_section.Unlock(); }

private:
    CAfxCriticalSection& m_section;
};

// An open registry key closed with RegCloseKey.
class CAfxRegKey {
public:
    CAfxRegKey() = default;
    explicit CAfxRegKey(HKEY owned) : m_key(owned) {}
    CAfxRegKey(const CAfxRegKey&) = delete;
    CAfxRegKey& operator=(const CAfxRegKey&) = delete;
    CAfxRegKey(CAfxRegKey&& other) noexcept : m_key(std::exchange(other.m_key, nullptr)) {}
    ~CAfxRegKey() { Close(); }

    void Close() {
        if (HKEY key = std::exchange(m_key, nullptr)) RegCloseKey(key);
    }
    HKEY Get() const { return m_key; }
    HKEY Detach() { return std::exchange(m_key, nullptr); }
    HKEY* ReleaseAndGetAddressOf() {
        Close();
        return &m_key;
    }

private:
    HKEY m_key = nullptr;
};
