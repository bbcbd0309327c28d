// Cost of a filtered CaxLogging::Log line against an empty variadic call of
// the same shape, measured side by side in one run and printed as a ratio.
// A filtered line is meant to cost one bit test on top of the call.
#include "CaxLogging.h"
#include "EmptyLog.h"
#include "SideBySide.h"

int main() {
    // Level mask 1 with a trace target: the banner is written, then every
    // line at level 16 is filtered out.
    CaxLogging logger("LoggingBench", 0, caxlogging::kModeTrace, 1, 0);
    EmptyLog empty;
    volatile std::int64_t sink = 0; // keeps every result in use
    auto lines = [&sink](auto& target) {
        return [&sink, &target](int calls) {
            for (int i = 0; i < calls; ++i)
                sink = sink + target.Log(16, "SingleStep: %s %d...\r\n", "invoking", i);
        };
    };
    std::vector<Way> ways = {{"empty variadic call", lines(empty)},
                             {"filtered Log", lines(logger)}};
    RunSideBySide("Log line at a filtered level", ways, 15, 2000000);
    return 0;
}
