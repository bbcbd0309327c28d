#include "CaxPlatform.h"

#include <cstdio>
#include <cstdlib>

namespace caxplatform {

#ifdef _WIN32
int VsnPrintf(char* buffer, std::size_t size, const char* format, va_list args) {
    return _vsnprintf(buffer, size, format, args);
}

char* LongToDecimal(long value, char* buffer) { return _ltoa(value, buffer, 10); }

char* DoubleToText(double value, int digits, char* buffer) { return _gcvt(value, digits, buffer); }
#else
int VsnPrintf(char* buffer, std::size_t size, const char* format, va_list args) {
    // C99 vsnprintf reports the full length; _vsnprintf reports -1 on truncation.
    const int n = std::vsnprintf(buffer, size, format, args);
    return (n < 0 || static_cast<std::size_t>(n) >= size) ? -1 : n;
}

char* LongToDecimal(long value, char* buffer) {
    std::snprintf(buffer, 12, "%ld", value);
    return buffer;
}

char* DoubleToText(double value, int digits, char* buffer) {
    // glibc's gcvt follows the same %g-style rules as the Microsoft _gcvt
    // for the values the base library formats.
    return gcvt(value, digits, buffer);
}
#endif

} // namespace caxplatform
