#include "CallCounters.h"

namespace hxk {

int countedIndex(int32_t operation) {
    switch (operation) {
    case HXKSIM_OP_IMAGE_HANDLE_VALID:
        return 0;
    case HXKSIM_OP_ADD_IMAGE_REF:
        return 1;
    case HXKSIM_OP_RELEASE_IMAGE_REF:
        return 2;
    default:
        return operation >= HXKSIM_OP_SUPPORTS_BASIC_DIGIO &&
                       operation <= HXKSIM_OP_WRITE_OUTPUT_GROUP
                   ? 3 + (operation - HXKSIM_OP_SUPPORTS_BASIC_DIGIO)
                   : -1;
    }
}

bool CallCounts::any() const {
    for (int64_t count : calls) {
        if (count) return true;
    }
    return false;
}

void CallCounts::add(const CallCounts& other) {
    for (int i = 0; i < kCountedOperations; ++i)
        calls[i] += other.calls[i];
}

void CallCounters::retire(uintptr_t handle, const CallCounts& counts) {
    // An image that was never called would only push a useful entry out.
    if (counts.any()) countsOf(handle).add(counts);
}

// The least recently used tracked handle makes room, its counts pooled.
CallCounts& CallCounters::countsOf(uintptr_t handle) {
    if (!handle) return nullHandle_;
    Tracked* slot = &tracked_[0];
    for (Tracked& entry : tracked_) {
        if (entry.lastUse && entry.handle == handle) {
            slot = &entry;
            break;
        }
        if (entry.lastUse < slot->lastUse) slot = &entry;
    }
    if (slot->handle != handle || !slot->lastUse) {
        pooled_.add(slot->counts);
        *slot = Tracked{handle, 0, {}};
    }
    slot->lastUse = ++clock_;
    return slot->counts;
}

int64_t CallCounters::other(int index, uintptr_t handle) const {
    if (!handle) return nullHandle_.calls[index];
    for (const Tracked& entry : tracked_) {
        if (entry.lastUse && entry.handle == handle) return entry.counts.calls[index];
    }
    return pooled_.calls[index];
}

} // namespace hxk
