// Thin shims over the C runtime functions that the base library is written
// against. The Windows build calls the Microsoft runtime's own functions; the
// native build uses standard equivalents that produce the same text.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace caxplatform {

// _vsnprintf: the count written, or -1 when the text does not fit (no
// terminator is promised then).
int VsnPrintf(char* buffer, std::size_t size, const char* format, va_list args);

// _ltoa with base 10 into a buffer of at least 12 bytes.
char* LongToDecimal(long value, char* buffer);

// _gcvt: the value with the given number of significant digits, in the
// runtime's %g style with a three-digit exponent ("1e+020"). The buffer must
// hold at least digits + 16 bytes.
char* DoubleToText(double value, int digits, char* buffer, std::size_t size);

// atof: decimal text only (leading white space, sign, digits, point, an
// exponent introduced by e, E, d or D); no hexadecimal, infinity or NaN
// spellings. A null text counts as empty.
double TextToDouble(const char* text);

} // namespace caxplatform
