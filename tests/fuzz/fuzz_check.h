// Shared by the fuzz targets: a failed check aborts, so that libFuzzer keeps
// the input and fails the run exactly as for a crash or a sanitizer report.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_REQUIRE(condition)                                                                    \
    do {                                                                                           \
        if (!(condition)) fuzzcheck::Fail(#condition, __FILE__, __LINE__);                         \
    } while (false)

namespace fuzzcheck {

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", what, file, line);
    std::abort();
}

// Text as a caller hands it over through a const char*: no NUL inside.
inline std::string Text(FuzzedDataProvider& in, std::size_t maxLength) {
    std::string text = in.ConsumeRandomLengthString(maxLength);
    std::erase(text, '\0');
    return text;
}

// An index argument: mostly near the text (so that the edges are hit), at
// times one of the extremes of int.
inline int Index(FuzzedDataProvider& in, std::size_t length) {
    switch (in.ConsumeIntegralInRange<int>(0, 15)) {
    case 0:
        return in.ConsumeIntegral<int>();
    case 1:
        return in.ConsumeBool() ? 2147483647 : -2147483647 - 1;
    default:
        return in.ConsumeIntegralInRange<int>(-3, static_cast<int>(length) + 3);
    }
}

} // namespace fuzzcheck
