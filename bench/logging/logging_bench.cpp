// Cost of a filtered CaxLogging::Log line against an empty variadic call of
// the same shape, measured side by side in one run and printed as a ratio.
// A filtered line is meant to cost one bit test on top of the call.
#include "CaxLogging.h"
#include "EmptyLog.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kCallsPerRound = 2000000;
constexpr int kRounds = 15;

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

template <class Logger> double TimeRound(Logger& logger, volatile std::int64_t& sink) {
    LARGE_INTEGER from, to;
    QueryPerformanceCounter(&from);
    for (int i = 0; i < kCallsPerRound; ++i)
        sink = sink + logger.Log(16, "SingleStep: %s %d...\r\n", "invoking", i);
    QueryPerformanceCounter(&to);
    return Seconds(from, to);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main() {
    // Level mask 1 with a trace target: the banner is written, then every
    // line at level 16 is filtered out.
    CaxLogging logger("LoggingBench", 0, caxlogging::kModeTrace, 1, 0);
    EmptyLog empty;
    volatile std::int64_t sink = 0;
    std::vector<double> filtered, baseline;
    for (int round = 0; round < kRounds; ++round) {
        // Alternate the order so that neither side always runs first.
        if (round % 2) {
            filtered.push_back(TimeRound(logger, sink));
            baseline.push_back(TimeRound(empty, sink));
        } else {
            baseline.push_back(TimeRound(empty, sink));
            filtered.push_back(TimeRound(logger, sink));
        }
    }
    const double filteredNs = Median(filtered) / kCallsPerRound * 1e9;
    const double baselineNs = Median(baseline) / kCallsPerRound * 1e9;
    std::printf("filtered Log:       %.2f ns per call\n", filteredNs);
    std::printf("empty variadic call: %.2f ns per call\n", baselineNs);
    std::printf("ratio filtered/empty: %.2f (sink %lld)\n", filteredNs / baselineNs,
                static_cast<long long>(sink));
    return 0;
}
