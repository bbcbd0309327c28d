// A call of the same shape as CaxLogging::Log that does nothing: the
// baseline a filtered line is measured against.
#pragma once

#include <cstdint>

class EmptyLog {
public:
    // Defined in its own translation unit, so it is never inlined.
    std::int64_t Log(unsigned level, const char* format, ...);
};
