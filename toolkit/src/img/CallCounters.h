// Call counters of the toolkit operations in fixed space. A call with a live
// image is counted in that image (its CallCounts), found by the lookup the
// call makes anyway; everything else lands here: the totals, handle 0, the
// most recently used other handle values (dead images among them) and one
// pooled count for the older ones, so that no stream of made-up handles can
// grow memory. Not locked itself: the registry of live images serialises it.
#pragma once

#include "HXKSim.h"

#include <cstdint>

namespace hxk {

constexpr int kCountedOperations = 12;

// The place of a toolkit operation in CallCounts; -1 for any other number.
int countedIndex(int32_t operation);

struct CallCounts {
    int64_t calls[kCountedOperations] = {};

    bool any() const;
    void add(const CallCounts& other);
};

class CallCounters {
public:
    void countTotal(int index) { ++totals_.calls[index]; }
    void countOther(int index, uintptr_t handle) { ++countsOf(handle).calls[index]; }
    // Keeps a dying image's counts under its handle value.
    void retire(uintptr_t handle, const CallCounts& counts);

    int64_t total(int index) const { return totals_.calls[index]; }
    // Exact for handle 0 and the tracked handles, the pooled count otherwise.
    int64_t other(int index, uintptr_t handle) const;
    void reset() { *this = CallCounters(); }

private:
    struct Tracked {
        uintptr_t handle = 0;
        uint64_t lastUse = 0; // 0: the slot is free
        CallCounts counts;
    };
    CallCounts& countsOf(uintptr_t handle);

    CallCounts totals_;
    CallCounts nullHandle_;
    CallCounts pooled_;
    Tracked tracked_[HXKSIM_TRACKED_HANDLES];
    uint64_t clock_ = 0;
};

} // namespace hxk
