// HXKUtilities.dll: stopwatches on the performance counter. Handles are
// looked up in a registry under a lock, so a destroyed or made-up handle is
// refused, and handle values are never reused.
#include "HXKSim.h"
#include "UtilityFaults.h"

#include <array>
#include <mutex>
#include <new>
#include <unordered_map>

namespace {

constexpr int32_t kSlots = HXKSIM_STOPWATCH_SLOTS;

struct Stopwatch {
    std::array<LONGLONG, kSlots> started{};
};

LONGLONG now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

double countsPerMillisecond() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1000.0;
}

class StopwatchRegistry {
public:
    static StopwatchRegistry& instance() {
        static StopwatchRegistry registry;
        return registry;
    }

    // 0 when memory runs out: no exception may reach a C caller.
    HXKSTOPWATCH create() {
        Stopwatch stopwatch;
        stopwatch.started.fill(now());
        std::lock_guard<std::mutex> guard(mutex_);
        try {
            live_.emplace(nextHandle_ + 0x10, stopwatch);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        nextHandle_ += 0x10;
        return reinterpret_cast<HXKSTOPWATCH>(nextHandle_);
    }

    int32_t liveCount() {
        std::lock_guard<std::mutex> guard(mutex_);
        return static_cast<int32_t>(live_.size());
    }

    void destroy(HXKSTOPWATCH handle) {
        std::lock_guard<std::mutex> guard(mutex_);
        live_.erase(reinterpret_cast<uintptr_t>(handle));
    }

    int32_t restart(HXKSTOPWATCH handle, int32_t slot) {
        if (slot < 0 || slot >= kSlots) return HXKSIM_E_BAD_ARGUMENT;
        const LONGLONG started = now();
        std::lock_guard<std::mutex> guard(mutex_);
        const auto found = live_.find(reinterpret_cast<uintptr_t>(handle));
        if (found == live_.end()) return HXKSIM_E_NOT_LIVE;
        found->second.started[static_cast<size_t>(slot)] = started;
        return HXKSIM_OK;
    }

    int32_t elapsed(HXKSTOPWATCH handle, int32_t slot, double* milliseconds) {
        if (!milliseconds) return HXKSIM_E_NULL_POINTER;
        *milliseconds = 0.0;
        if (slot < 0 || slot >= kSlots) return HXKSIM_E_BAD_ARGUMENT;
        const LONGLONG stopped = now();
        std::lock_guard<std::mutex> guard(mutex_);
        const auto found = live_.find(reinterpret_cast<uintptr_t>(handle));
        if (found == live_.end()) return HXKSIM_E_NOT_LIVE;
        const LONGLONG counts = stopped - found->second.started[static_cast<size_t>(slot)];
        *milliseconds = static_cast<double>(counts) / perMillisecond_;
        return HXKSIM_OK;
    }

private:
    StopwatchRegistry() = default;

    std::mutex mutex_;
    std::unordered_map<uintptr_t, Stopwatch> live_;
    uintptr_t nextHandle_ = 0x485300000000u;
    const double perMillisecond_ = countsPerMillisecond();
};

} // namespace

HXKAPI void CreateStopwatch(HXKSTOPWATCH* stopwatch) {
    const bool fails = hxk::utilityCallFails(HXKSIM_OP_CREATE_STOPWATCH);
    if (stopwatch) *stopwatch = fails ? nullptr : StopwatchRegistry::instance().create();
}

HXKAPI void DestroyStopwatch(HXKSTOPWATCH stopwatch) {
    if (!hxk::utilityCallFails(HXKSIM_OP_DESTROY_STOPWATCH))
        StopwatchRegistry::instance().destroy(stopwatch);
}

HXKAPI void RestartStopwatch(HXKSTOPWATCH stopwatch, int32_t slot) {
    if (!hxk::utilityCallFails(HXKSIM_OP_RESTART_STOPWATCH))
        StopwatchRegistry::instance().restart(stopwatch, slot);
}

HXKAPI int32_t StopwatchElapsed(HXKSTOPWATCH stopwatch, int32_t slot, double* milliseconds) {
    if (hxk::utilityCallFails(HXKSIM_OP_STOPWATCH_ELAPSED)) {
        if (milliseconds) *milliseconds = 0.0;
        return HXKSIM_E_FAULT;
    }
    return StopwatchRegistry::instance().elapsed(stopwatch, slot, milliseconds);
}

HXKAPI int32_t HXKSimLiveStopwatchCount(void) {
    return StopwatchRegistry::instance().liveCount();
}
