// The process-wide registry of live simulated images and the call counters.
// Every access to an image goes through withImage, under one lock, so a
// handle that is not (or no longer) live is refused instead of followed.
#pragma once

#include "HXKToolkit.h"
#include "SimImage.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace hxk {

class SimRegistry {
public:
    static SimRegistry& instance();

    // A new image with one reference; 0 when the counts are out of range.
    HXKIMAGE create(int32_t inputs, int32_t outputs, bool basicDigIO);
    void addReference(HXKIMAGE image);
    void releaseReference(HXKIMAGE image);
    int32_t liveCount();

    // Runs action(SimImage&) under the lock when image is live and answers
    // its result; answers notLive otherwise.
    template <class Result, class Action>
    Result withImage(HXKIMAGE image, Result notLive, Action action) {
        std::lock_guard<std::mutex> guard(mutex_);
        const auto found = live_.find(key(image));
        if (found == live_.end()) return notLive;
        return action(*found->second);
    }

    void countCall(int32_t operation, HXKIMAGE image);
    int64_t callCount(int32_t operation, HXKIMAGE image);
    int64_t totalCallCount(int32_t operation);
    void resetCallCounts();

private:
    SimRegistry() = default;
    static uintptr_t key(HXKIMAGE image) { return reinterpret_cast<uintptr_t>(image); }

    std::mutex mutex_;
    std::unordered_map<uintptr_t, std::unique_ptr<SimImage>> live_;
    // Handles above 4 GiB (so that a caller that cuts them to 32 bits fails
    // visibly) and below 2^53 (so that script hosts hold them exactly as
    // doubles); never reused, so a stale handle stays invalid.
    uintptr_t nextHandle_ = 0x485800000000u;

    std::mutex countersMutex_;
    std::map<std::pair<int32_t, uintptr_t>, int64_t> calls_;
    std::map<int32_t, int64_t> totals_;
};

} // namespace hxk
