// The toolkit's DLLs through the ordinal imports the control uses and the
// simulation API: handles, call counts, lines, groups, faults, threads, the
// stopwatch and the settings key (ctest lock "toolkit-key").
#include "HXKImageRef.h"
#include "HXKSim.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <atomic>
#include <climits>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace {

HXKImageRef makeImage(int32_t inputs, int32_t outputs, int32_t basicDigIO = 1) {
    return HXKImageRef::Adopt(HXKSimCreateImage(inputs, outputs, basicDigIO));
}

// Call counts start from 0; no test leaves an image alive.
class ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override { HXKSimResetCallCounts(); }
    void TearDown() override { EXPECT_EQ(0, HXKSimLiveImageCount()); }
};

HXKIMAGE fakeHandle(uintptr_t value) {
    return reinterpret_cast<HXKIMAGE>(value);
}

// A line's level or a group's bits as read; -1 when the read fails.
template <typename Value>
int64_t readOf(int32_t (*read)(HXKIMAGE, int32_t, Value*), HXKIMAGE image, int32_t index) {
    Value value = 0;
    return read(image, index, &value) == 0 ? int64_t{value} : -1;
}

// The driver operations that answer a status, kFirstOp to kLastOp in order,
// called at a line or group index (which the count queries ignore); writes
// set lines HI.
constexpr int32_t kFirstOp = HXKSIM_OP_QUERY_INPUT_COUNT, kLastOp = HXKSIM_OP_WRITE_OUTPUT_GROUP;
int32_t outLevel;
uint32_t outBits;
int32_t (*const kDriverCalls[])(HXKIMAGE, int32_t) = {
    [](HXKIMAGE i, int32_t) { return QueryInputCount(i, &outLevel); },
    [](HXKIMAGE i, int32_t) { return QueryOutputCount(i, &outLevel); },
    [](HXKIMAGE i, int32_t n) { return ReadInputLine(i, n, &outLevel); },
    [](HXKIMAGE i, int32_t n) { return ReadInputGroup(i, n, &outBits); },
    [](HXKIMAGE i, int32_t n) { return ReadOutputLine(i, n, &outLevel); },
    [](HXKIMAGE i, int32_t n) { return ReadOutputGroup(i, n, &outBits); },
    [](HXKIMAGE i, int32_t n) { return WriteOutputLine(i, n, 1); },
    [](HXKIMAGE i, int32_t n) { return WriteOutputGroup(i, n, ~0u, ~0u); },
};
int32_t callDriver(int32_t operation, HXKIMAGE image, int32_t index) {
    return kDriverCalls[operation - kFirstOp](image, index);
}

// Bytes in use on the C runtime's heap, which the toolkit DLLs share.
size_t heapBytesInUse() {
    _HEAPINFO entry = {};
    size_t used = 0;
    while (_heapwalk(&entry) == _HEAPOK)
        used += entry._useflag == _USEDENTRY ? entry._size : 0;
    return used;
}

TEST_F(ToolkitTest, DeadAndMadeUpHandlesFailCleanlyAndAreCountedInFixedSpace) {
    HXKIMAGE stale = HXKSimCreateImage(64, 64, 1);
    ReleaseImageRef(stale);
    const HXKImageRef live = makeImage(5, 3);
    int32_t inputs = 0, outputs = 0;
    ASSERT_EQ(0, QueryInputCount(live.Get(), &inputs));
    ASSERT_EQ(0, QueryOutputCount(live.Get(), &outputs));
    EXPECT_EQ(std::make_pair(5, 3), std::make_pair(inputs, outputs));
    const auto value = reinterpret_cast<uintptr_t>(live.Get());
    int local = 0;
    for (HXKIMAGE bad : {fakeHandle(0), stale, fakeHandle(value + 1),
                         fakeHandle(reinterpret_cast<uintptr_t>(&local))}) {
        AddImageRef(bad); // a late call brings nothing back
        EXPECT_EQ(0, ImageHandleValid(bad));
        EXPECT_EQ(0, SupportsBasicDigIO(bad));
        for (int32_t op = kFirstOp; op <= kLastOp; ++op) {
            EXPECT_EQ(HXKSIM_E_NOT_LIVE, callDriver(op, bad, 0)) << op;
            EXPECT_EQ(1, HXKSimCallCount(op, bad)); // every handle value counts
        }
        ReleaseImageRef(bad);
    }
    EXPECT_EQ(1, HXKSimImageRefCount(live.Get()));
    EXPECT_EQ(2, HXKSimCallCount(HXKSIM_OP_RELEASE_IMAGE_REF, stale));  // alive, then dead
    for (int32_t op = HXKSIM_OP_READ_INPUT_LINE; op <= kLastOp; ++op) { // those with an index
        for (int32_t index : {-1, 5, INT_MIN})                          // failed calls count too
            EXPECT_EQ(HXKSIM_E_NO_SUCH_LINE, callDriver(op, live.Get(), index)) << op;
        EXPECT_EQ(3, HXKSimCallCount(op, live.Get()));
    }
    int32_t untouched = 77;
    EXPECT_EQ(HXKSIM_E_NO_SUCH_LINE, ReadInputLine(live.Get(), 9, &untouched));
    EXPECT_EQ(77, untouched); // a failed read writes nothing
    EXPECT_EQ(HXKSIM_E_NULL_POINTER, ReadOutputGroup(live.Get(), 0, nullptr));
    EXPECT_EQ(nullptr, HXKSimCreateImage(4, HXKSIM_MAX_LINES + 1, 1));

    // A flood of made-up handles: no memory grows, the latest stay counted
    // exactly, older ones pool into a count never below their own.
    const size_t bytes = heapBytesInUse();
    for (uintptr_t i = 1; i <= 5000; ++i)
        readOf(ReadInputLine, fakeHandle(i << 4), 0);
    EXPECT_EQ(bytes, heapBytesInUse());
    EXPECT_EQ(1, HXKSimCallCount(HXKSIM_OP_READ_INPUT_LINE, fakeHandle(5000 << 4)));
    EXPECT_LE(1, HXKSimCallCount(HXKSIM_OP_READ_INPUT_LINE, stale));
}

TEST_F(ToolkitTest, GroupsHold32LinesAndWritesAreRecordedPerLine) {
    const HXKImageRef image = makeImage(40, 40), exact = makeImage(32, 32),
                   plain = makeImage(8, 8, 0); // plain: no basic digital I/O
    for (int32_t line : {0, 5, 31, 32, 39})
        ASSERT_EQ(0, HXKSimSetInput(image.Get(), line, 9)); // any nonzero level is HI
    EXPECT_EQ(0x80000021u, readOf(ReadInputGroup, image.Get(), 0));
    EXPECT_EQ(0x81u, readOf(ReadInputGroup, image.Get(), 1)); // lines past 39 read 0
    LARGE_INTEGER before;
    QueryPerformanceCounter(&before);
    for (int32_t level : {1, 0, -5})
        ASSERT_EQ(0, WriteOutputLine(image.Get(), 8, level));
    ASSERT_EQ(0, WriteOutputGroup(image.Get(), 0, 0xFFFFFFFFu, 0x0000F000u));
    ASSERT_EQ(0, WriteOutputGroup(image.Get(), 0, 0x00000001u, 0x00000301u));
    ASSERT_EQ(0, HXKSimSetOutput(image.Get(), 12, 0)); // device side: no driver write
    EXPECT_EQ(0x0000E001u, readOf(ReadOutputGroup, image.Get(), 0));
    EXPECT_EQ(1, readOf(ReadOutputLine, image.Get(), 0));
    ASSERT_EQ(0, WriteOutputGroup(image.Get(), 1, ~0u, ~0u)); // bits past line 39 ignored
    EXPECT_EQ(0xFFu, readOf(ReadOutputGroup, image.Get(), 1));
    int32_t levels[4] = {};
    EXPECT_EQ(4, HXKSimOutputWrites(image.Get(), 8, levels, 4)); // oldest first
    EXPECT_EQ((std::vector<int32_t>{1, 0, 1, 0}), std::vector<int32_t>(levels, levels + 4));
    EXPECT_EQ(1, HXKSimOutputWrites(image.Get(), 12, nullptr, 0));
    // Each write's time on the performance counter, in the same order.
    int64_t times[5] = {};
    EXPECT_EQ(4, HXKSimOutputWriteTimes(image.Get(), 8, times, 5));
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    EXPECT_TRUE(before.QuadPart <= times[0] && times[0] <= times[1] && times[1] <= times[2] &&
                times[2] <= times[3] && times[3] <= now.QuadPart);
    EXPECT_EQ(0, times[4]); // only as many as there were
    EXPECT_EQ(-1, HXKSimOutputWriteTimes(image.Get(), 40, times, 5));
    EXPECT_EQ(-1, readOf(ReadInputGroup, exact.Get(), 1)); // a group without any line
    EXPECT_EQ(HXKSIM_E_NO_SUCH_LINE, WriteOutputGroup(exact.Get(), 1, ~0u, ~0u));
    EXPECT_EQ(0, SupportsBasicDigIO(plain.Get()));
    for (int32_t op = kFirstOp; op <= kLastOp; ++op)
        EXPECT_EQ(HXKSIM_E_NO_DIGIO, callDriver(op, plain.Get(), 0)) << op;
}

TEST_F(ToolkitTest, FaultsHitOnlyTheirOperationIndexAndImage) {
    const HXKImageRef image = makeImage(64, 64), healthy = makeImage(64, 64);
    const HXKIMAGE faulty = image.Get();
    for (int32_t op = kFirstOp; op <= kLastOp; ++op) {
        const bool wholeImage = op <= HXKSIM_OP_QUERY_OUTPUT_COUNT; // ignores the index
        ASSERT_EQ(0, HXKSimSetFault(faulty, op, 1, 1));
        for (int32_t other = kFirstOp; other <= kLastOp; ++other) {
            const int32_t hit = other == op ? HXKSIM_E_FAULT : 0;
            EXPECT_EQ(hit, callDriver(other, faulty, 1)) << op;
            EXPECT_EQ(wholeImage ? hit : 0, callDriver(other, faulty, 0)) << op;
            EXPECT_EQ(0, callDriver(other, healthy.Get(), 1));
        }
        ASSERT_EQ(0, HXKSimSetFault(faulty, op, HXKSIM_ANY_INDEX, 1));
        EXPECT_EQ(HXKSIM_E_FAULT, callDriver(op, faulty, 0));
        ASSERT_EQ(0, HXKSimClearFaults(faulty));
        EXPECT_EQ(0, callDriver(op, faulty, 0));
    }
    ASSERT_EQ(0, HXKSimSetFault(faulty, HXKSIM_OP_WRITE_OUTPUT_LINE, 63, 1));
    EXPECT_EQ(HXKSIM_E_FAULT, WriteOutputLine(faulty, 63, 0));
    EXPECT_EQ(1, readOf(HXKSimGetOutput, faulty, 63)); // a failed write changes nothing
    ASSERT_EQ(0, HXKSimSetFault(faulty, HXKSIM_OP_SUPPORTS_BASIC_DIGIO, 0, 1));
    EXPECT_EQ(0, SupportsBasicDigIO(faulty));
    for (int32_t operation : {int32_t{HXKSIM_OP_RELEASE_IMAGE_REF} + 1, kLastOp + 1,
                              int32_t{HXKSIM_OP_CREATE_STOPWATCH}})
        EXPECT_EQ(HXKSIM_E_BAD_ARGUMENT, HXKSimSetFault(faulty, operation, 0, 1));
    EXPECT_EQ(HXKSIM_E_BAD_ARGUMENT, HXKSimSetFault(faulty, HXKSIM_OP_READ_INPUT_LINE, -2, 1));
}

// The image's own operations failing as their callers would meet it: the
// check calls the live image dead, and a reference is neither taken nor
// dropped; the calls are counted all the same.
TEST_F(ToolkitTest, ImageOperationsFailWithoutTouchingTheReferenceCount) {
    const HXKImageRef image = makeImage(1, 1), healthy = makeImage(1, 1);
    const HXKIMAGE faulty = image.Get();
    ASSERT_EQ(0, HXKSimSetFault(faulty, HXKSIM_OP_IMAGE_HANDLE_VALID, 5, 1)); // any index
    EXPECT_EQ(0, ImageHandleValid(faulty));
    EXPECT_NE(0, ImageHandleValid(healthy.Get()));
    ASSERT_EQ(0, HXKSimSetFault(faulty, HXKSIM_OP_ADD_IMAGE_REF, HXKSIM_ANY_INDEX, 1));
    AddImageRef(faulty);
    EXPECT_EQ(1, HXKSimImageRefCount(faulty));
    AddImageRef(faulty);
    ASSERT_EQ(0, HXKSimSetFault(faulty, HXKSIM_OP_RELEASE_IMAGE_REF, 0, 1));
    ReleaseImageRef(faulty);
    EXPECT_EQ(1, HXKSimImageRefCount(faulty));
    for (int32_t op : {HXKSIM_OP_IMAGE_HANDLE_VALID, HXKSIM_OP_RELEASE_IMAGE_REF})
        EXPECT_EQ(1, HXKSimCallCount(op, faulty)) << op;
    EXPECT_EQ(2, HXKSimCallCount(HXKSIM_OP_ADD_IMAGE_REF, faulty));
    ASSERT_EQ(0, HXKSimClearFaults(faulty));
    EXPECT_NE(0, ImageHandleValid(faulty));
    AddImageRef(faulty);
    EXPECT_EQ(2, HXKSimImageRefCount(faulty));
    ReleaseImageRef(faulty);
}

// The owner that the control and its workers keep their references with.
TEST_F(ToolkitTest, ImageRefTakesAndDropsExactlyOneReference) {
    const HXKImageRef created = makeImage(4, 4);
    const HXKIMAGE image = created.Get();
    {
        HXKImageRef taken(image);
        EXPECT_EQ(2, HXKSimImageRefCount(image));
        HXKImageRef moved(std::move(taken));
        EXPECT_EQ(nullptr, taken.Get());
        EXPECT_EQ(2, HXKSimImageRefCount(image));
        HXKImageRef none(nullptr);
        moved = std::move(none); // drops the reference it held
        EXPECT_EQ(1, HXKSimImageRefCount(image));
        HXKImageRef again(image);
        again.ReleaseIfValid(); // live: released
        EXPECT_EQ(1, HXKSimImageRefCount(image));
        EXPECT_EQ(nullptr, again.Get());
    }
    EXPECT_EQ(2, HXKSimCallCount(HXKSIM_OP_ADD_IMAGE_REF, image));
    EXPECT_EQ(2, HXKSimCallCount(HXKSIM_OP_RELEASE_IMAGE_REF, image));

    // A container that releases an image once too often kills it under the
    // holder; the guarded release then leaves the dead handle alone.
    const HXKIMAGE doomed = HXKSimCreateImage(1, 1, 1);
    HXKImageRef holder(doomed);
    ReleaseImageRef(doomed);
    ReleaseImageRef(doomed);
    ASSERT_EQ(0, HXKSimImageRefCount(doomed));
    holder.ReleaseIfValid();
    EXPECT_EQ(2, HXKSimCallCount(HXKSIM_OP_RELEASE_IMAGE_REF, doomed));
    EXPECT_EQ(1, HXKSimCallCount(HXKSIM_OP_IMAGE_HANDLE_VALID, doomed));
    EXPECT_EQ(nullptr, holder.Get());
}

// As the control's threads call the toolkit: masked writes into one group stay
// exact; the image dies with the last release while others still call it.
TEST_F(ToolkitTest, ThreadsShareAnImageUntilTheLastReleaseWins) {
    constexpr int kThreads = 4, kRounds = 1000, kLateCalls = 200;
    HXKIMAGE image = HXKSimCreateImage(64, 64, 1);
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        AddImageRef(image); // each worker's own reference
        threads.emplace_back([&, t] {
            const uint32_t mask = 0xFFu << (t * 8); // lines 8t .. 8t+7
            for (int i = 0; i < kRounds; ++i) {
                AddImageRef(image);
                const uint32_t pattern = (i & 1) ? mask : 0u;
                mismatches += WriteOutputGroup(image, 0, pattern, mask) != 0 ||
                              (readOf(ReadOutputGroup, image, 0) & mask) != pattern;
                ReleaseImageRef(image);
            }
            ReleaseImageRef(image);
            for (int i = 0; i < kLateCalls; ++i) { // the image may die under these calls
                const int32_t status = WriteOutputLine(image, 63, 1);
                mismatches += status != 0 && status != HXKSIM_E_NOT_LIVE;
            }
        });
    }
    ReleaseImageRef(image); // the creator's reference
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(0, mismatches.load());
    EXPECT_EQ(int64_t{kThreads} * kLateCalls, HXKSimCallCount(HXKSIM_OP_WRITE_OUTPUT_LINE, image));
    EXPECT_EQ(int64_t{kThreads} * (kRounds + 1) + 1,
              HXKSimCallCount(HXKSIM_OP_RELEASE_IMAGE_REF, image));
}

double elapsed(HXKSTOPWATCH watch, int32_t slot) {
    double milliseconds = -1.0;
    EXPECT_EQ(0, StopwatchElapsed(watch, slot, &milliseconds)) << slot;
    return milliseconds;
}

// Bounds wide enough for a busy machine and a coarse clock, narrow enough for
// any wrong unit.
TEST_F(ToolkitTest, StopwatchMeasuresPerSlotAndRefusesBadHandlesSlotsAndPointers) {
    HXKSTOPWATCH watch = nullptr;
    CreateStopwatch(&watch);
    ASSERT_NE(nullptr, watch);
    Sleep(50);
    RestartStopwatch(watch, 1);
    Sleep(50);
    const double slot1 = elapsed(watch, 1), slot0 = elapsed(watch, 0);
    EXPECT_GE(slot1, 25.0);
    EXPECT_LT(slot1, 10000.0);
    EXPECT_GE(slot0 - slot1, 25.0); // slot 0 runs since creation
    RestartStopwatch(watch, 0);
    EXPECT_LT(elapsed(watch, 0), slot1);
    EXPECT_LE(0.0, elapsed(watch, HXKSIM_STOPWATCH_SLOTS - 1));

    double milliseconds = 0.0;
    for (int32_t slot : {-1, int32_t{HXKSIM_STOPWATCH_SLOTS}}) {
        RestartStopwatch(watch, slot);
        EXPECT_EQ(HXKSIM_E_BAD_ARGUMENT, StopwatchElapsed(watch, slot, &milliseconds));
    }
    EXPECT_EQ(HXKSIM_E_NULL_POINTER, StopwatchElapsed(watch, 0, nullptr));
    DestroyStopwatch(watch);
    int local = 0;
    for (HXKSTOPWATCH bad : {HXKSTOPWATCH{}, watch, reinterpret_cast<HXKSTOPWATCH>(&local)}) {
        RestartStopwatch(bad, 0);
        DestroyStopwatch(bad);
        EXPECT_EQ(HXKSIM_E_NOT_LIVE, StopwatchElapsed(bad, 0, &milliseconds));
    }
}

// The utilities' faults hold for every caller until they are removed.
TEST_F(ToolkitTest, UtilityFaultsFailTheirOperationUntilRemoved) {
    HXKSimResetUtilityCallCounts();
    const int32_t live = HXKSimLiveStopwatchCount();
    const auto fault = [](int32_t op, bool on) { ASSERT_EQ(0, HXKSimSetUtilityFault(op, on)); };
    HXKSTOPWATCH watch = reinterpret_cast<HXKSTOPWATCH>(0x10);
    fault(HXKSIM_OP_CREATE_STOPWATCH, true);
    CreateStopwatch(&watch);
    EXPECT_EQ(nullptr, watch);
    EXPECT_EQ(live, HXKSimLiveStopwatchCount());
    fault(HXKSIM_OP_CREATE_STOPWATCH, false);
    CreateStopwatch(&watch);
    ASSERT_NE(nullptr, watch);
    EXPECT_EQ(live + 1, HXKSimLiveStopwatchCount());

    Sleep(50);
    fault(HXKSIM_OP_STOPWATCH_ELAPSED, true);
    double milliseconds = -1.0;
    EXPECT_EQ(HXKSIM_E_FAULT, StopwatchElapsed(watch, 0, &milliseconds));
    EXPECT_EQ(0.0, milliseconds);
    fault(HXKSIM_OP_STOPWATCH_ELAPSED, false);
    fault(HXKSIM_OP_RESTART_STOPWATCH, true);
    RestartStopwatch(watch, 0); // slot 0 keeps counting from the creation
    fault(HXKSIM_OP_RESTART_STOPWATCH, false);
    EXPECT_GE(elapsed(watch, 0), 25.0);
    fault(HXKSIM_OP_DESTROY_STOPWATCH, true);
    DestroyStopwatch(watch);
    EXPECT_EQ(live + 1, HXKSimLiveStopwatchCount());
    fault(HXKSIM_OP_DESTROY_STOPWATCH, false);
    DestroyStopwatch(watch);
    EXPECT_EQ(live, HXKSimLiveStopwatchCount());

    const DWORD enabled = 1;
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH, "Flag",
                                             REG_DWORD, &enabled, sizeof enabled));
    HKEY key = reinterpret_cast<HKEY>(0x1234);
    fault(HXKSIM_OP_OPEN_TOOLKIT_KEY, true);
    EXPECT_EQ(HXKSIM_E_FAULT, OpenToolkitKey(0, KEY_READ, &key));
    EXPECT_EQ(nullptr, key);
    fault(HXKSIM_OP_OPEN_TOOLKIT_KEY, false);
    ASSERT_EQ(0, OpenToolkitKey(0, KEY_READ, &key));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH));

    const std::pair<int32_t, int64_t> calls[] = {{HXKSIM_OP_CREATE_STOPWATCH, 2},
                                                 {HXKSIM_OP_DESTROY_STOPWATCH, 2},
                                                 {HXKSIM_OP_RESTART_STOPWATCH, 1},
                                                 {HXKSIM_OP_STOPWATCH_ELAPSED, 2},
                                                 {HXKSIM_OP_OPEN_TOOLKIT_KEY, 2}};
    for (const auto& [op, count] : calls)
        EXPECT_EQ(count, HXKSimUtilityCallCount(op)) << op;
    EXPECT_EQ(HXKSIM_E_BAD_ARGUMENT, HXKSimSetUtilityFault(7, 1));
    EXPECT_EQ(HXKSIM_E_BAD_ARGUMENT, HXKSimSetUtilityFault(HXKSIM_OP_READ_INPUT_LINE, 1));
}

TEST_F(ToolkitTest, ToolkitKeyOpensAnExistingKeyWithTheRequestedAccessOnly) {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH);
    HKEY key = reinterpret_cast<HKEY>(0x1234);
    EXPECT_NE(0, OpenToolkitKey(0, KEY_READ, &key));
    EXPECT_EQ(nullptr, key);
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH, 0, KEY_READ,
                                           &key)); // not created
    const DWORD enabled = 1;
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH, "Flag",
                                             REG_DWORD, &enabled, sizeof enabled));
    ASSERT_EQ(0, OpenToolkitKey(0, KEY_READ, &key));
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Flag", nullptr, nullptr, nullptr, nullptr));
    EXPECT_NE(ERROR_SUCCESS, RegSetValueExA(key, "probe", 0, REG_DWORD, nullptr, 0)); // read only
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key)); // the caller owns the key
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH));
}

} // namespace
