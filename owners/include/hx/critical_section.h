// hx::critical_section: a Win32 critical section that lives and dies with its
// owner, and hx::critical_section::lock_guard, which holds it for one scope.
#pragma once

#include <windows.h>

namespace hx {

class critical_section {
public:
    critical_section() noexcept { InitializeCriticalSection(&m_section); }
    critical_section(const critical_section&) = delete;
    critical_section& operator=(const critical_section&) = delete;
    ~critical_section() { DeleteCriticalSection(&m_section); }

    void enter() noexcept { EnterCriticalSection(&m_section); }
    void leave() noexcept { LeaveCriticalSection(&m_section); }

    class lock_guard {
    public:
        explicit lock_guard(critical_section& section) noexcept : m_section(section) {
            m_section.enter();
        }
        lock_guard(const lock_guard&) = delete;
        lock_guard& operator=(const lock_guard&) = delete;
        ~lock_guard() { m_section.leave(); }

    private:
        critical_section& m_section;
    };
    [[nodiscard]] lock_guard lock() noexcept { return lock_guard(*this); }

private:
    CRITICAL_SECTION m_section;
};

} // namespace hx
