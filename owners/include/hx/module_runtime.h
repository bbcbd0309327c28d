// What a DLL of ours needs so that the C++ runtime linked into it gives back
// everything when the DLL is unloaded while its process goes on (a container
// calling CoFreeUnusedLibraries, say, and loading the control again later).
//
// Include this header in exactly one source file of each DLL: the one that
// holds its DllMain. It defines the guards of function-local statics for the
// whole DLL (a second inclusion in the same DLL fails to link).
//
// Two things of the runtime would otherwise stay behind at each unload:
// - libstdc++'s emergency pool for exceptions thrown when memory runs out
//   (about 73 KB from the process heap): release_runtime_on_unload frees it;
// - the POSIX-threads layer's record of every thread that initialises a
//   function-local static: libstdc++'s guards take a pthread mutex and once
//   flag, and the record (an event and a thread handle) of the thread that
//   does so cannot be given back. The guards below need nothing but a slim
//   reader/writer lock and a condition variable, which hold no handle.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <exception>

#if defined(__GLIBCXX__)
#include <cxxabi.h>
#endif

#if defined(__GLIBCXX__)
namespace __gnu_cxx {
void __freeres() noexcept; // libstdc++'s own: frees the emergency pool
}
#endif

namespace hx {

// Call from DllMain on DLL_PROCESS_DETACH with its third argument. Only a
// FreeLibrary (null) needs it; at process exit the process gives everything
// back, and other threads may still be throwing.
inline void release_runtime_on_unload(LPVOID reserved) noexcept {
#if defined(__GLIBCXX__)
    if (reserved == nullptr) __gnu_cxx::__freeres();
#else
    (void)reserved;
#endif
}

namespace module_runtime_detail {
// The guard of a function-local static, as the Itanium C++ ABI lays it out
// (64 bits; the compiler's inline check reads the first byte): byte 0 says
// the static is made, byte 1 that a thread is making it, bytes 4 to 7 which.
struct StaticGuard {
    std::atomic<std::uint8_t> made;
    std::uint8_t inProgress;
    std::uint8_t unused[2];
    DWORD maker;
};
static_assert(sizeof(StaticGuard) == 8);
#if defined(__GLIBCXX__)
static_assert(sizeof(__cxxabiv1::__guard) == sizeof(StaticGuard));
#endif
inline SRWLOCK g_lock = SRWLOCK_INIT;
inline CONDITION_VARIABLE g_done = CONDITION_VARIABLE_INIT;
} // namespace module_runtime_detail

} // namespace hx

#if defined(__GLIBCXX__)
// 1: the caller makes the static now; 0: it is made. Another thread making it
// is waited for; the same thread coming back to it would wait for itself, and
// ends the program instead.
extern "C" int __cxa_guard_acquire(__cxxabiv1::__guard* raw) {
    using namespace hx::module_runtime_detail;
    auto* guard = reinterpret_cast<StaticGuard*>(raw);
    if (guard->made.load(std::memory_order_acquire)) return 0;
    AcquireSRWLockExclusive(&g_lock);
    for (;;) {
        if (guard->made.load(std::memory_order_relaxed)) break;
        if (!guard->inProgress) {
            guard->inProgress = 1;
            guard->maker = GetCurrentThreadId();
            ReleaseSRWLockExclusive(&g_lock);
            return 1;
        }
        if (guard->maker == GetCurrentThreadId()) std::terminate();
        SleepConditionVariableSRW(&g_done, &g_lock, INFINITE, 0);
    }
    ReleaseSRWLockExclusive(&g_lock);
    return 0;
}

// The static is made: waiting threads go on with it.
extern "C" void __cxa_guard_release(__cxxabiv1::__guard* raw) {
    using namespace hx::module_runtime_detail;
    auto* guard = reinterpret_cast<StaticGuard*>(raw);
    AcquireSRWLockExclusive(&g_lock);
    guard->inProgress = 0;
    guard->made.store(1, std::memory_order_release);
    ReleaseSRWLockExclusive(&g_lock);
    WakeAllConditionVariable(&g_done);
}

// Making the static threw: the next thread to come tries again.
extern "C" void __cxa_guard_abort(__cxxabiv1::__guard* raw) {
    using namespace hx::module_runtime_detail;
    auto* guard = reinterpret_cast<StaticGuard*>(raw);
    AcquireSRWLockExclusive(&g_lock);
    guard->inProgress = 0;
    ReleaseSRWLockExclusive(&g_lock);
    WakeAllConditionVariable(&g_done);
}
#endif
