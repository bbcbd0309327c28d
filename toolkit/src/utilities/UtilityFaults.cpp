#include "UtilityFaults.h"

#include "HXKSim.h"

#include <atomic>

namespace {

// The operations' ordinals are below 16: one bit and one counter each.
constexpr int32_t kOperations = 16;

bool known(int32_t operation) {
    return operation == HXKSIM_OP_CREATE_STOPWATCH || operation == HXKSIM_OP_DESTROY_STOPWATCH ||
           operation == HXKSIM_OP_RESTART_STOPWATCH || operation == HXKSIM_OP_STOPWATCH_ELAPSED ||
           operation == HXKSIM_OP_OPEN_TOOLKIT_KEY;
}

std::atomic<uint32_t> g_faults{0};
std::atomic<int64_t> g_calls[kOperations];

} // namespace

bool hxk::utilityCallFails(int32_t operation) noexcept {
    if (!known(operation)) return false;
    g_calls[operation].fetch_add(1, std::memory_order_relaxed);
    return (g_faults.load(std::memory_order_relaxed) & (1u << operation)) != 0;
}

HXKAPI int32_t HXKSimSetUtilityFault(int32_t operation, int32_t enable) {
    if (!known(operation)) return HXKSIM_E_BAD_ARGUMENT;
    if (enable)
        g_faults.fetch_or(1u << operation);
    else
        g_faults.fetch_and(~(1u << operation));
    return HXKSIM_OK;
}

HXKAPI int64_t HXKSimUtilityCallCount(int32_t operation) {
    return known(operation) ? g_calls[operation].load() : 0;
}

HXKAPI void HXKSimResetUtilityCallCounts(void) {
    for (auto& calls : g_calls)
        calls.store(0);
}
