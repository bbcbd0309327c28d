// The simulator's faults and call counters of HXKUtilities.dll's own
// operations (stopwatches and the settings key), process-wide.
#pragma once

#include <cstdint>

namespace hxk {

// Counts a call of the operation and answers whether it is to fail.
bool utilityCallFails(int32_t operation) noexcept;

} // namespace hxk
