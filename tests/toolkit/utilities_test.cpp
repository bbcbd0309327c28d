// HXKUtilities.dll: the stopwatch, bracketed by the test's own readings of
// the performance counter, and the settings key (ctest lock "toolkit-key").
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

double elapsed(HXKSTOPWATCH watch, int32_t slot) {
    double milliseconds = -1.0;
    EXPECT_EQ(0, StopwatchElapsed(watch, slot, &milliseconds));
    return milliseconds;
}

TEST(UtilitiesTest, StopwatchMeasuresPerSlotAndRefusesBadHandlesSlotsAndPointers) {
    HXKSTOPWATCH watch = nullptr, destroyed = nullptr;
    CreateStopwatch(&destroyed);
    DestroyStopwatch(destroyed);
    CreateStopwatch(&watch);
    ASSERT_NE(nullptr, watch);
    EXPECT_NE(destroyed, watch); // values are never reused
    const double beforeRestart = counterMilliseconds();
    RestartStopwatch(watch, 1);
    const double afterRestart = counterMilliseconds();
    Sleep(30);
    const double beforeRead = counterMilliseconds();
    const double slot1 = elapsed(watch, 1);
    EXPECT_LE(slot1, counterMilliseconds() - beforeRestart);
    EXPECT_GE(slot1, beforeRead - afterRestart - 0.001); // allow for rounding
    EXPECT_GT(elapsed(watch, 0), slot1);                 // slot 0 runs since creation
    RestartStopwatch(watch, 0);
    EXPECT_LT(elapsed(watch, 0), slot1);

    CreateStopwatch(nullptr); // nowhere to put a handle: nothing happens
    int local = 0;
    double milliseconds = 5.0;
    for (HXKSTOPWATCH bad : {HXKSTOPWATCH{}, destroyed, reinterpret_cast<HXKSTOPWATCH>(&local)}) {
        RestartStopwatch(bad, 0);
        DestroyStopwatch(bad);
        EXPECT_EQ(HXKSIM_E_NOT_LIVE, StopwatchElapsed(bad, 0, &milliseconds));
        EXPECT_EQ(0.0, milliseconds);
    }
    EXPECT_EQ(HXKSIM_E_NULL_POINTER, StopwatchElapsed(watch, 0, nullptr));
    EXPECT_EQ(HXKSIM_E_BAD_ARGUMENT, StopwatchElapsed(watch, -1, &milliseconds));
    EXPECT_EQ(HXKSIM_E_BAD_ARGUMENT,
              StopwatchElapsed(watch, HXKSIM_STOPWATCH_SLOTS, &milliseconds));
    EXPECT_EQ(0, StopwatchElapsed(watch, HXKSIM_STOPWATCH_SLOTS - 1, &milliseconds));
    RestartStopwatch(watch, INT_MIN);
    DestroyStopwatch(watch);
    EXPECT_EQ(HXKSIM_E_NOT_LIVE, StopwatchElapsed(watch, 0, &milliseconds));
}

TEST(UtilitiesTest, ToolkitKeyOpensAnExistingKeyWithTheRequestedAccessOnly) {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH);
    HKEY key = reinterpret_cast<HKEY>(0x1234);
    EXPECT_NE(0, OpenToolkitKey(0, KEY_READ, nullptr));
    EXPECT_NE(0, OpenToolkitKey(0, KEY_READ, &key));
    EXPECT_EQ(nullptr, key);
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH, 0, KEY_READ,
                                           &key)); // not created
    const DWORD enabled = 1;
    DWORD value = 0, size = sizeof value;
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH, "Flag",
                                             REG_DWORD, &enabled, sizeof enabled));
    ASSERT_EQ(0, OpenToolkitKey(0, KEY_READ, &key));
    EXPECT_EQ(ERROR_SUCCESS,
              RegGetValueA(key, nullptr, "Flag", RRF_RT_REG_DWORD, nullptr, &value, &size));
    EXPECT_EQ(1u, value);
    EXPECT_NE(ERROR_SUCCESS, RegSetValueExA(key, "probe", 0, REG_DWORD, nullptr, 0)); // read only
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key)); // the caller owns the key
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH));
}

} // namespace
