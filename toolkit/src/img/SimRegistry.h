// The process-wide registry of live simulated images and the call counters.
// Every access to an image goes through one lookup under one lock, so a
// handle that is not (or no longer) live is refused instead of followed, and
// a toolkit call is counted by that same lookup.
#pragma once

#include "CallCounters.h"
#include "HXKToolkit.h"
#include "SimImage.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace hxk {

class SimRegistry {
public:
    static SimRegistry& instance();

    // A new image with one reference; 0 when the counts are out of range or
    // memory runs out. From the first image on, the module stays loaded, so
    // that handle values are never handed out twice in a process.
    HXKIMAGE create(int32_t inputs, int32_t outputs, bool basicDigIO);
    void addReference(HXKIMAGE image);
    // counted: a ReleaseImageRef call of the toolkit.
    void releaseReference(HXKIMAGE image, bool counted = false);
    int32_t liveCount();

    // Runs action(SimImage&) under the lock when image is live and answers
    // its result; answers notLive otherwise.
    template <class Result, class Action>
    Result withImage(HXKIMAGE image, Result notLive, Action action) {
        std::lock_guard<std::mutex> guard(mutex_);
        SimImage* live = find(image);
        return live ? action(*live) : notLive;
    }
    // The same for a call of a toolkit operation, counted whatever follows.
    template <class Result, class Action>
    Result call(int32_t operation, HXKIMAGE image, Result notLive, Action action) {
        std::lock_guard<std::mutex> guard(mutex_);
        SimImage* live = find(image);
        count(operation, image, live);
        return live ? action(*live) : notLive;
    }

    int64_t callCount(int32_t operation, HXKIMAGE image);
    int64_t totalCallCount(int32_t operation);
    void resetCallCounts();

private:
    SimRegistry() = default;
    static uintptr_t key(HXKIMAGE image) { return reinterpret_cast<uintptr_t>(image); }
    SimImage* find(HXKIMAGE image) {
        const auto found = live_.find(key(image));
        return found == live_.end() ? nullptr : found->second.get();
    }
    void count(int32_t operation, HXKIMAGE image, SimImage* live);
    void keepModuleLoaded();

    std::mutex mutex_;
    std::unordered_map<uintptr_t, std::unique_ptr<SimImage>> live_;
    // Handles above 4 GiB (so that a caller that cuts them to 32 bits fails
    // visibly) and below 2^53 (so that script hosts hold them exactly as
    // doubles); never reused, so a stale handle stays invalid.
    uintptr_t nextHandle_ = 0x485800000000u;
    CallCounters counters_;
    std::atomic<bool> pinned_{false};
};

} // namespace hxk
