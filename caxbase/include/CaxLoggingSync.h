// A Win32 critical section as an owned object, and the guard that holds it
// for one scope. Shared by the logger and the worker-thread class.
#pragma once

#include <windows.h>

class CaxCriticalSection {
public:
    CaxCriticalSection() noexcept { InitializeCriticalSection(&m_section); }
    ~CaxCriticalSection() { DeleteCriticalSection(&m_section); }
    CaxCriticalSection(const CaxCriticalSection&) = delete;
    CaxCriticalSection& operator=(const CaxCriticalSection&) = delete;

    void Enter() noexcept { EnterCriticalSection(&m_section); }
    void Leave() noexcept { LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};

class CaxLockGuard {
public:
    explicit CaxLockGuard(CaxCriticalSection& section) noexcept : m_section(section) {
        m_section.Enter();
    }
    ~CaxLockGuard() { m_section.Leave(); }
    CaxLockGuard(const CaxLockGuard&) = delete;
    CaxLockGuard& operator=(const CaxLockGuard&) = delete;

private:
    CaxCriticalSection& m_section;
};
