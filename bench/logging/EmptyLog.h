// A call of the same shape as CaxLogging::Log that does nothing: the baseline
// a filtered line is measured against. Defined in its own translation unit,
// so that it is never inlined.
#pragma once

#include <cstdint>

class EmptyLog {
public:
    std::int64_t Log(unsigned level, const char* format, ...);
};
