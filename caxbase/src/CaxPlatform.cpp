#include "CaxPlatform.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace caxplatform {

#ifdef _WIN32
int VsnPrintf(char* buffer, std::size_t size, const char* format, va_list args) {
    return _vsnprintf(buffer, size, format, args);
}

char* LongToDecimal(long value, char* buffer) {
    return _ltoa(value, buffer, 10);
}

char* DoubleToText(double value, int digits, char* buffer, std::size_t size) {
    if (size < static_cast<std::size_t>(digits) + 16) {
        if (size > 0) buffer[0] = '\0';
        return buffer;
    }
    return _gcvt(value, digits, buffer);
}

double TextToDouble(const char* text) {
    return text ? std::atof(text) : 0.0;
}
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

char* DoubleToText(double value, int digits, char* buffer, std::size_t size) {
    if (size < static_cast<std::size_t>(digits) + 16) {
        if (size > 0) buffer[0] = '\0';
        return buffer;
    }
    char text[128];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    // The Microsoft runtime writes at least three exponent digits.
    char* exponent = std::strchr(text, 'e');
    if (exponent && (exponent[1] == '+' || exponent[1] == '-')) {
        char* digitsStart = exponent + 2;
        const std::size_t count = std::strlen(digitsStart);
        if (count < 3) {
            const std::size_t pad = 3 - count;
            std::memmove(digitsStart + pad, digitsStart, count + 1);
            std::memset(digitsStart, '0', pad);
        }
    }
    std::snprintf(buffer, size, "%s", text);
    return buffer;
}

double TextToDouble(const char* text) {
    if (!text) return 0.0;
    const char* p = text;
    while (std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    // Copy the longest decimal prefix the Microsoft atof accepts; strtod alone
    // would also read hexadecimal, "inf" and "nan".
    std::string number;
    if (*p == '+' || *p == '-') number += *p++;
    std::size_t mantissaDigits = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        number += *p++;
        ++mantissaDigits;
    }
    if (*p == '.') {
        number += *p++;
        while (std::isdigit(static_cast<unsigned char>(*p))) {
            number += *p++;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) return 0.0;
    if (*p == 'e' || *p == 'E' || *p == 'd' || *p == 'D') {
        const char* q = p + 1;
        std::string exponent = "e";
        if (*q == '+' || *q == '-') exponent += *q++;
        if (std::isdigit(static_cast<unsigned char>(*q))) {
            while (std::isdigit(static_cast<unsigned char>(*q)))
                exponent += *q++;
            number += exponent;
        }
    }
    return std::strtod(number.c_str(), nullptr);
}
#endif

} // namespace caxplatform
