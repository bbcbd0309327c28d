// Counts the test process's operator new calls and can make the next one fail.
#pragma once

#include <cstdint>

namespace alloccount {
std::uint64_t NewCalls();
// The nth operator new from now (1: the next one) throws std::bad_alloc.
void FailNthNew(int n);
} // namespace alloccount
