// The simulated device through the ordinal imports the control uses:
// handles and their call counts, lines, groups, faults, write history,
// threads.
#include "SimTestSupport.h"

#include <atomic>
#include <climits>
#include <thread>
#include <vector>

namespace {

using DeviceTest = SimTest;

TEST_F(DeviceTest, DeadAndMadeUpHandlesFailCleanlyAndStayDead) {
    HXKIMAGE stale = HXKSimCreateImage(64, 64, 1);
    ReleaseImageRef(stale);
    ImageRef live(5, 3);
    EXPECT_NE(stale, live.get()); // handle values are never reused
    const auto value = reinterpret_cast<uintptr_t>(live.get());
    EXPECT_LT(value, uintptr_t{1} << 53); // exact in a double
    int local = 0;
    for (HXKIMAGE bad : {fakeHandle(0), stale, fakeHandle(UINTPTR_MAX), fakeHandle(value + 1),
                         fakeHandle(value & 0xFFFFFFFFu), // cut to 32 bits
                         fakeHandle(reinterpret_cast<uintptr_t>(&local))}) {
        AddImageRef(bad); // a late call brings nothing back
        EXPECT_EQ(0, ImageHandleValid(bad));
        EXPECT_EQ(0, SupportsBasicDigIO(bad));
        outLevel = outBits = 77;
        for (const DriverCall& op : kDriverCalls) {
            EXPECT_EQ(HXKSIM_E_NOT_LIVE, op.call(bad, 0)) << op.operation;
            EXPECT_EQ(1, HXKSimCallCount(op.operation, bad)); // every handle value counts
        }
        EXPECT_EQ(0u, outLevel | outBits); // no stale value left behind
        ReleaseImageRef(bad);
    }
    EXPECT_EQ(1, HXKSimImageRefCount(live.get()));
    for (const DriverCall& op : kDriverCalls) {
        EXPECT_EQ(6, HXKSimTotalCallCount(op.operation));
        if (op.operation <= HXKSIM_OP_QUERY_OUTPUT_COUNT) continue; // no index
        for (int32_t index : {-1, 5, INT_MAX, INT_MIN})             // failed calls count too
            EXPECT_EQ(HXKSIM_E_NO_SUCH_LINE, op.call(live.get(), index)) << op.operation;
        EXPECT_EQ(4, HXKSimCallCount(op.operation, live.get()));
    }
    EXPECT_EQ(1, HXKSimCallCount(HXKSIM_OP_ADD_IMAGE_REF, stale));
    EXPECT_EQ(2, HXKSimCallCount(HXKSIM_OP_RELEASE_IMAGE_REF, stale)); // alive, then dead
    EXPECT_EQ(1, HXKSimCallCount(HXKSIM_OP_IMAGE_HANDLE_VALID, nullptr));
    EXPECT_EQ(HXKSIM_E_NULL_POINTER, ReadOutputGroup(live.get(), 0, nullptr));
    EXPECT_EQ(nullptr, HXKSimCreateImage(-1, 4, 1));
    EXPECT_EQ(nullptr, HXKSimCreateImage(4, HXKSIM_MAX_LINES + 1, 1));
}

TEST_F(DeviceTest, GroupsHold32LinesAndWritesAreRecordedPerLine) {
    ImageRef image(40, 40), exact(32, 32), plain(8, 8, 0); // plain: no basic digital I/O
    for (int32_t line : {0, 5, 31, 32, 39})
        ASSERT_EQ(0, HXKSimSetInput(image.get(), line, 9)); // any nonzero level is HI
    EXPECT_EQ(0x80000021u, groupOf(ReadInputGroup, image.get(), 0));
    EXPECT_EQ(0x81u, groupOf(ReadInputGroup, image.get(), 1)); // lines past 39 read 0
    EXPECT_EQ(0, lineOf(ReadOutputLine, image.get(), 39));     // outputs are other lines
    for (int32_t level : {1, 0, -5})
        ASSERT_EQ(0, WriteOutputLine(image.get(), 8, level));
    ASSERT_EQ(0, WriteOutputGroup(image.get(), 0, 0xFFFFFFFFu, 0x0000F000u));
    ASSERT_EQ(0, WriteOutputGroup(image.get(), 0, 0x00000001u, 0x00000301u));
    ASSERT_EQ(0, HXKSimSetOutput(image.get(), 12, 0)); // device side: no driver write
    EXPECT_EQ(0x0000E001u, groupOf(ReadOutputGroup, image.get(), 0));
    ASSERT_EQ(0, WriteOutputGroup(image.get(), 1, ~0u, ~0u)); // bits past line 39 ignored
    EXPECT_EQ(0xFFu, groupOf(ReadOutputGroup, image.get(), 1));
    int32_t levels[4] = {};
    EXPECT_EQ(4, HXKSimOutputWrites(image.get(), 8, levels, 4)); // oldest first
    EXPECT_EQ((std::vector<int32_t>{1, 0, 1, 0}), std::vector<int32_t>(levels, levels + 4));
    EXPECT_EQ(4, HXKSimOutputWrites(image.get(), 8, levels, 1));
    EXPECT_EQ(0, levels[0]); // the most recent one
    EXPECT_EQ(1, HXKSimOutputWrites(image.get(), 12, nullptr, 0));
    EXPECT_EQ(0, HXKSimOutputWrites(image.get(), 16, nullptr, 0)); // outside every mask
    EXPECT_EQ(-1, HXKSimOutputWrites(image.get(), 40, nullptr, 0));
    EXPECT_EQ(0xBADu, groupOf(ReadInputGroup, exact.get(), 1)); // a group without any line
    EXPECT_EQ(HXKSIM_E_NO_SUCH_LINE, WriteOutputGroup(exact.get(), 1, ~0u, ~0u));
    EXPECT_EQ(0, SupportsBasicDigIO(plain.get()));
    for (const DriverCall& op : kDriverCalls)
        EXPECT_EQ(HXKSIM_E_NO_DIGIO, op.call(plain.get(), 0)) << op.operation;
}

TEST_F(DeviceTest, FaultsHitOnlyTheirOperationIndexAndImage) {
    ImageRef image(64, 64), healthy(64, 64);
    const HXKIMAGE faulty = image.get();
    for (const DriverCall& op : kDriverCalls) {
        const bool wholeImage = op.operation <= HXKSIM_OP_QUERY_OUTPUT_COUNT; // ignores the index
        ASSERT_EQ(0, HXKSimSetFault(faulty, op.operation, 1, 1));
        for (const DriverCall& other : kDriverCalls) {
            const bool hit = other.operation == op.operation;
            EXPECT_EQ(hit ? HXKSIM_E_FAULT : 0, other.call(faulty, 1)) << op.operation;
            EXPECT_EQ(hit && wholeImage ? HXKSIM_E_FAULT : 0, other.call(faulty, 0))
                << op.operation;
            EXPECT_EQ(0, other.call(healthy.get(), 1));
        }
        ASSERT_EQ(0, HXKSimSetFault(faulty, op.operation, 1, 0));
        EXPECT_EQ(0, op.call(faulty, 1));
        ASSERT_EQ(0, HXKSimSetFault(faulty, op.operation, HXKSIM_ANY_INDEX, 1));
        EXPECT_EQ(HXKSIM_E_FAULT, op.call(faulty, 0));
        ASSERT_EQ(0, HXKSimClearFaults(faulty));
        EXPECT_EQ(0, op.call(faulty, 0));
    }
    ASSERT_EQ(0, HXKSimSetFault(faulty, HXKSIM_OP_WRITE_OUTPUT_LINE, 63, 1));
    EXPECT_EQ(HXKSIM_E_FAULT, WriteOutputLine(faulty, 63, 0));
    EXPECT_EQ(1, lineOf(HXKSimGetOutput, faulty, 63)); // a failed write changes nothing
    ASSERT_EQ(0, HXKSimSetFault(faulty, HXKSIM_OP_SUPPORTS_BASIC_DIGIO, 0, 1));
    EXPECT_EQ(0, SupportsBasicDigIO(faulty));
    for (int32_t operation : {0, int32_t{HXKSIM_OP_RELEASE_IMAGE_REF}, 699, 709})
        EXPECT_EQ(HXKSIM_E_BAD_ARGUMENT, HXKSimSetFault(faulty, operation, 0, 1));
    EXPECT_EQ(HXKSIM_E_BAD_ARGUMENT, HXKSimSetFault(faulty, HXKSIM_OP_READ_INPUT_LINE, -2, 1));
}

// As the control's window thread and its workers call the toolkit: results
// stay exact, and the image dies with the last release while other threads
// still call with its handle.
TEST_F(DeviceTest, ThreadsShareAnImageUntilTheLastReleaseWins) {
    constexpr int kThreads = 4, kRounds = 1000;
    HXKIMAGE image = HXKSimCreateImage(64, 64, 1);
    std::atomic<int> mismatches{0};
    std::atomic<bool> done{false};
    std::thread inputs([&] {
        for (int i = 0; !done; ++i)
            HXKSimSetInput(image, i % 64, i & 1);
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        AddImageRef(image); // each worker's own reference
        threads.emplace_back([&, t] {
            const uint32_t mask = 0xF0u << (t * 8); // lines 8t+4 .. 8t+7; line 8t alone
            for (int i = 0; i < kRounds; ++i) {
                AddImageRef(image);
                const uint32_t pattern = (i & 1) ? mask : 0u;
                mismatches += WriteOutputLine(image, t * 8, i & 1) != 0 ||
                              lineOf(ReadOutputLine, image, t * 8) != (i & 1) ||
                              WriteOutputGroup(image, 0, pattern, mask) != 0 ||
                              (groupOf(ReadOutputGroup, image, 0) & mask) != pattern ||
                              groupOf(ReadInputGroup, image, 1) == 0xBADu;
                ReleaseImageRef(image);
            }
            ReleaseImageRef(image);
            for (int i = 0; i < 200; ++i) { // the image may die under these calls
                const int32_t status = WriteOutputLine(image, 63, 1); // a line of its own
                mismatches += status != 0 && status != HXKSIM_E_NOT_LIVE;
            }
        });
    }
    ReleaseImageRef(image); // the creator's reference
    for (std::thread& thread : threads)
        thread.join();
    done = true;
    inputs.join();
    EXPECT_EQ(0, mismatches.load());
    const int64_t calls = int64_t{kThreads} * kRounds;
    EXPECT_EQ(calls + kThreads * 200, HXKSimCallCount(HXKSIM_OP_WRITE_OUTPUT_LINE, image));
    EXPECT_EQ(calls, HXKSimTotalCallCount(HXKSIM_OP_READ_OUTPUT_GROUP));
    EXPECT_EQ(calls + kThreads + 1, HXKSimCallCount(HXKSIM_OP_RELEASE_IMAGE_REF, image));
}

} // namespace
