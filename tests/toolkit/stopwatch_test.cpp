// The stopwatch of HXKUtilities.dll, bracketed by the test's own readings of
// the performance counter rather than by absolute durations.
#include "HXKSim.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

double counterMilliseconds() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double elapsed(HXKSTOPWATCH watch, int32_t slot = 0) {
    double milliseconds = -1.0;
    EXPECT_EQ(0, StopwatchElapsed(watch, slot, &milliseconds));
    return milliseconds;
}

TEST(StopwatchTest, MeasuresBetweenTheCallersReadingsPerSlot) {
    HXKSTOPWATCH watch = nullptr;
    CreateStopwatch(&watch);
    ASSERT_NE(nullptr, watch);
    const double beforeRestart = counterMilliseconds();
    RestartStopwatch(watch, 1);
    const double afterRestart = counterMilliseconds();
    Sleep(30);
    const double beforeRead = counterMilliseconds();
    const double slot1 = elapsed(watch, 1);
    const double afterRead = counterMilliseconds();
    EXPECT_GE(slot1, beforeRead - afterRestart - 0.001); // allow for rounding
    EXPECT_LE(slot1, afterRead - beforeRestart);
    EXPECT_GT(elapsed(watch, 0), slot1); // slot 0 runs since creation
    double previous = elapsed(watch);
    for (int i = 0; i < 100; ++i) {
        const double now = elapsed(watch);
        EXPECT_GE(now, previous);
        previous = now;
    }
    RestartStopwatch(watch, 0);
    EXPECT_LT(elapsed(watch), previous);
    DestroyStopwatch(watch);
}

TEST(StopwatchTest, BadHandlesSlotsAndPointersFailWithoutHarm) {
    CreateStopwatch(nullptr); // nowhere to put a handle: nothing happens
    HXKSTOPWATCH destroyed = nullptr, live = nullptr;
    CreateStopwatch(&destroyed);
    DestroyStopwatch(destroyed);
    DestroyStopwatch(destroyed);
    CreateStopwatch(&live);
    EXPECT_NE(live, destroyed); // values are never reused
    int local = 0;
    for (HXKSTOPWATCH bad : {HXKSTOPWATCH{}, destroyed, reinterpret_cast<HXKSTOPWATCH>(&local)}) {
        double milliseconds = 5.0;
        RestartStopwatch(bad, 0);
        DestroyStopwatch(bad);
        EXPECT_EQ(HXKSIM_E_NOT_LIVE, StopwatchElapsed(bad, 0, &milliseconds));
        EXPECT_EQ(0.0, milliseconds);
    }
    double milliseconds = 0.0;
    EXPECT_EQ(HXKSIM_E_NULL_POINTER, StopwatchElapsed(live, 0, nullptr));
    EXPECT_EQ(HXKSIM_E_BAD_ARGUMENT, StopwatchElapsed(live, -1, &milliseconds));
    EXPECT_EQ(HXKSIM_E_BAD_ARGUMENT, StopwatchElapsed(live, 1 << 20, &milliseconds));
    RestartStopwatch(live, INT_MIN);
    EXPECT_EQ(0, StopwatchElapsed(live, 0, &milliseconds));
    DestroyStopwatch(live);
}

} // namespace
