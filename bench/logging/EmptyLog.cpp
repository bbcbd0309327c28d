#include "EmptyLog.h"

std::int64_t EmptyLog::Log(unsigned /*level*/, const char* /*format*/, ...) {
    return 0;
}
