// Replaces the global operator new/delete of the test executable.
#include "allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::uint64_t> g_newCalls{0};
std::atomic<int> g_failCountdown{0};

void* Allocate(std::size_t size) {
    if (g_failCountdown.load() > 0 && --g_failCountdown == 0) throw std::bad_alloc();
    g_newCalls.fetch_add(1, std::memory_order_relaxed);
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}
} // namespace

namespace alloccount {
std::uint64_t NewCalls() {
    return g_newCalls.load();
}
void FailNthNew(int n) {
    g_failCountdown = n;
}
} // namespace alloccount

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
