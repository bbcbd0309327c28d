#include "SimRegistry.h"

#include "HXKSim.h"

#include <new>

namespace hxk {

namespace {
// Spacing of handle values: keeps them aligned like real object addresses.
constexpr uintptr_t kHandleStep = 0x10;
} // namespace

SimRegistry& SimRegistry::instance() {
    static SimRegistry registry;
    return registry;
}

HXKIMAGE SimRegistry::create(int32_t inputs, int32_t outputs, bool basicDigIO) {
    if (inputs < 0 || outputs < 0 || inputs > HXKSIM_MAX_LINES || outputs > HXKSIM_MAX_LINES) {
        return nullptr;
    }
    std::unique_ptr<SimImage> image;
    try {
        image = std::make_unique<SimImage>(inputs, outputs, basicDigIO);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    nextHandle_ += kHandleStep;
    live_.emplace(nextHandle_, std::move(image));
    return reinterpret_cast<HXKIMAGE>(nextHandle_);
}

void SimRegistry::addReference(HXKIMAGE image) {
    withImage(image, 0, [](SimImage& live) {
        live.addReference();
        return 0;
    });
}

void SimRegistry::releaseReference(HXKIMAGE image) {
    std::unique_ptr<SimImage> dead; // destroyed after the lock is left
    std::lock_guard<std::mutex> guard(mutex_);
    const auto found = live_.find(key(image));
    if (found == live_.end() || !found->second->dropReference()) return;
    dead = std::move(found->second);
    live_.erase(found);
}

int32_t SimRegistry::liveCount() {
    std::lock_guard<std::mutex> guard(mutex_);
    return static_cast<int32_t>(live_.size());
}

void SimRegistry::countCall(int32_t operation, HXKIMAGE image) {
    std::lock_guard<std::mutex> guard(countersMutex_);
    ++calls_[{operation, key(image)}];
    ++totals_[operation];
}

int64_t SimRegistry::callCount(int32_t operation, HXKIMAGE image) {
    std::lock_guard<std::mutex> guard(countersMutex_);
    const auto found = calls_.find({operation, key(image)});
    return found == calls_.end() ? 0 : found->second;
}

int64_t SimRegistry::totalCallCount(int32_t operation) {
    std::lock_guard<std::mutex> guard(countersMutex_);
    const auto found = totals_.find(operation);
    return found == totals_.end() ? 0 : found->second;
}

void SimRegistry::resetCallCounts() {
    std::lock_guard<std::mutex> guard(countersMutex_);
    calls_.clear();
    totals_.clear();
}

} // namespace hxk
