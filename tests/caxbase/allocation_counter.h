// Counts the test process's operator new calls and can make the next one fail.
#pragma once

#include <cstdint>

namespace alloccount {
std::uint64_t NewCalls();
// The next operator new throws std::bad_alloc.
void FailNextNew();
} // namespace alloccount
