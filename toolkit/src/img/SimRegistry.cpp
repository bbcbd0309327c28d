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
    uintptr_t handle = 0;
    try {
        auto image = std::make_unique<SimImage>(inputs, outputs, basicDigIO);
        std::lock_guard<std::mutex> guard(mutex_);
        live_.emplace(nextHandle_ + kHandleStep, std::move(image));
        handle = nextHandle_ += kHandleStep;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    keepModuleLoaded();
    return reinterpret_cast<HXKIMAGE>(handle);
}

// A COM client that drops the last simulator object lets COM unload this
// module; its images and handle numbering must survive that.
void SimRegistry::keepModuleLoaded() {
    if (pinned_.exchange(true)) return;
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCSTR>(this), &self);
}

void SimRegistry::addReference(HXKIMAGE image) {
    withImage(image, 0, [](SimImage& live) {
        live.addReference();
        return 0;
    });
}

void SimRegistry::releaseReference(HXKIMAGE image, bool counted) {
    std::unique_ptr<SimImage> dead; // destroyed after the lock is left
    std::lock_guard<std::mutex> guard(mutex_);
    SimImage* live = find(image);
    if (counted) count(HXKSIM_OP_RELEASE_IMAGE_REF, image, live);
    if (counted && live && live->hasFault(HXKSIM_OP_RELEASE_IMAGE_REF, HXKSIM_ANY_INDEX)) return;
    if (!live || !live->dropReference()) return;
    counters_.retire(key(image), live->calls());
    const auto found = live_.find(key(image));
    dead = std::move(found->second);
    live_.erase(found);
}

int32_t SimRegistry::liveCount() {
    std::lock_guard<std::mutex> guard(mutex_);
    return static_cast<int32_t>(live_.size());
}

void SimRegistry::count(int32_t operation, HXKIMAGE image, SimImage* live) {
    const int index = countedIndex(operation);
    counters_.countTotal(index);
    if (live) {
        live->countCall(index);
    } else {
        counters_.countOther(index, key(image));
    }
}

int64_t SimRegistry::callCount(int32_t operation, HXKIMAGE image) {
    const int index = countedIndex(operation);
    if (index < 0) return 0;
    std::lock_guard<std::mutex> guard(mutex_);
    const SimImage* live = find(image);
    return live ? live->calls().calls[index] : counters_.other(index, key(image));
}

int64_t SimRegistry::totalCallCount(int32_t operation) {
    const int index = countedIndex(operation);
    if (index < 0) return 0;
    std::lock_guard<std::mutex> guard(mutex_);
    return counters_.total(index);
}

void SimRegistry::resetCallCounts() {
    std::lock_guard<std::mutex> guard(mutex_);
    for (auto& entry : live_)
        entry.second->resetCalls();
    counters_.reset();
}

} // namespace hxk
