// The fault points' bookkeeping. Only armed points get here (ShouldFail
// answers unarmed ones itself), so a plain lock is cheap enough.
#include "CaxFaultSeam.h"

#include <mutex>

#ifdef _WIN32
#include <windows.h>
#else
#include <functional>
#include <thread>
#endif

namespace caxseam {

namespace detail {
std::atomic<unsigned> g_armedPoints{0};
} // namespace detail

namespace {

constexpr unsigned kPoints = static_cast<unsigned>(Point::Count);

std::uint64_t CurrentThread() noexcept {
#ifdef _WIN32
    return GetCurrentThreadId();
#else
    return std::hash<std::thread::id>()(std::this_thread::get_id());
#endif
}

struct PointState {
    bool armed = false;
    Plan plan;
    std::uint64_t thread = 0;
    std::uint64_t hits = 0;
    std::uint64_t injected = 0;
};

struct Seams {
    std::mutex lock;
    PointState points[kPoints];
    std::uint64_t totalInjected = 0;
};

Seams& State() noexcept {
    static Seams seams;
    return seams;
}

bool Valid(Point point) noexcept {
    return static_cast<unsigned>(point) < kPoints;
}

PointState& StateOf(Seams& seams, Point point) noexcept {
    return seams.points[static_cast<unsigned>(point)];
}

} // namespace

bool detail::Hit(Point point) noexcept {
    if (!Valid(point)) return false;
    Seams& seams = State();
    const std::lock_guard<std::mutex> hold(seams.lock);
    PointState& state = StateOf(seams, point);
    if (!state.armed) return false;
    if (!state.plan.anyThread && state.thread != CurrentThread()) return false;
    const std::uint64_t hit = state.hits++;
    const bool fails = hit >= state.plan.skip && hit - state.plan.skip < state.plan.fail;
    if (fails) {
        ++state.injected;
        ++seams.totalInjected;
    }
    return fails;
}

void Arm(Point point, Plan plan) noexcept {
    if (!Valid(point)) return;
    Seams& seams = State();
    const std::lock_guard<std::mutex> hold(seams.lock);
    PointState& state = StateOf(seams, point);
    if (!state.armed) detail::g_armedPoints.fetch_add(1, std::memory_order_relaxed);
    state.armed = true;
    state.plan = plan;
    state.thread = CurrentThread();
    state.hits = 0;
    state.injected = 0;
}

void Disarm(Point point) noexcept {
    if (!Valid(point)) return;
    Seams& seams = State();
    const std::lock_guard<std::mutex> hold(seams.lock);
    PointState& state = StateOf(seams, point);
    if (state.armed) detail::g_armedPoints.fetch_sub(1, std::memory_order_relaxed);
    state.armed = false;
}

std::uint64_t Hits(Point point) noexcept {
    if (!Valid(point)) return 0;
    Seams& seams = State();
    const std::lock_guard<std::mutex> hold(seams.lock);
    return StateOf(seams, point).hits;
}

std::uint64_t Injected(Point point) noexcept {
    if (!Valid(point)) return 0;
    Seams& seams = State();
    const std::lock_guard<std::mutex> hold(seams.lock);
    return StateOf(seams, point).injected;
}

std::uint64_t TotalInjected() noexcept {
    Seams& seams = State();
    const std::lock_guard<std::mutex> hold(seams.lock);
    return seams.totalInjected;
}

const char* Name(Point point) noexcept {
    switch (point) {
    case Point::StringAllocation:
        return "StringAllocation";
    case Point::RegistryOpen:
        return "RegistryOpen";
    case Point::RegistryQuery:
        return "RegistryQuery";
    case Point::LogFileOpen:
        return "LogFileOpen";
    case Point::EventSourceRegister:
        return "EventSourceRegister";
    case Point::EventReport:
        return "EventReport";
    case Point::ConsoleAllocate:
        return "ConsoleAllocate";
    case Point::ConsoleOutput:
        return "ConsoleOutput";
    case Point::ConsoleWrite:
        return "ConsoleWrite";
    case Point::Count:
        break;
    }
    return "?";
}

} // namespace caxseam
