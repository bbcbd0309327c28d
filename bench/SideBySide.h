// Side-by-side timing for the benchmarks: every way runs the same number of
// calls per round, the order reversed every other round so that none always
// runs first; a way's best round counts, as nanoseconds per call.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

struct Way {
    const char* name;
    std::function<void(int calls)> run;
    double best = 1e300;
};

// Prints each way's best round and its ratio to the first way's.
inline void RunSideBySide(const char* title, std::vector<Way>& ways, int rounds, int calls) {
    LARGE_INTEGER frequency, start, stop;
    QueryPerformanceFrequency(&frequency);
    for (int round = 0; round < rounds; ++round) {
        for (size_t i = 0; i < ways.size(); ++i) {
            Way& way = ways[round % 2 ? ways.size() - 1 - i : i];
            QueryPerformanceCounter(&start);
            way.run(calls);
            QueryPerformanceCounter(&stop);
            const double nanoseconds = (stop.QuadPart - start.QuadPart) * 1e9 / frequency.QuadPart;
            way.best = std::min(way.best, nanoseconds / calls);
        }
    }
    std::printf("%s: best of %d rounds of %d calls each; ratio to %s\n", title, rounds, calls,
                ways[0].name);
    for (const Way& way : ways)
        std::printf("  %-26s %9.2f ns/call %6.2f\n", way.name, way.best, way.best / ways[0].best);
}
