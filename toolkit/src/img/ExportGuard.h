// The exports are called from C and from other modules: no exception may
// leave them. The only ones the simulator raises are allocation failures.
#pragma once

#include "HXKSim.h"

namespace hxk {

template <class Action> int32_t statusOrNoMemory(Action action) noexcept {
    try {
        return action();
    } catch (...) {
        return HXKSIM_E_NO_MEMORY;
    }
}

} // namespace hxk
