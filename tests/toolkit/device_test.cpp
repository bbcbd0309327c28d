// The simulated device through the ordinal imports the control uses:
// references, handles, lines, groups, faults, call counters, write history.
#include "SimTestSupport.h"

#include <climits>
#include <vector>

namespace {

using DeviceTest = SimTest;

TEST_F(DeviceTest, ReferencesKeepAnImageAliveAndDeadHandlesStayDead) {
    HXKIMAGE image = HXKSimCreateImage(4, 4, 1);
    ASSERT_NE(nullptr, image);
    AddImageRef(image);
    EXPECT_EQ(2, HXKSimImageRefCount(image));
    ReleaseImageRef(image);
    EXPECT_NE(0, ImageHandleValid(image));
    ReleaseImageRef(image);
    EXPECT_EQ(0, ImageHandleValid(image));

    ImageRef next(1, 1);
    EXPECT_NE(image, next.get()); // handle values are never reused
    AddImageRef(image);           // nor does a late call bring the dead image back
    ReleaseImageRef(image);
    EXPECT_EQ(0, ImageHandleValid(image));
    EXPECT_EQ(1, HXKSimImageRefCount(next.get()));
    const auto value = reinterpret_cast<uintptr_t>(next.get());
    EXPECT_EQ(0, ImageHandleValid(fakeHandle(value & 0xFFFFFFFFu))); // cut to 32 bits: nothing
    EXPECT_LT(value, uintptr_t{1} << 53);                            // exact in a double
    EXPECT_EQ(nullptr, HXKSimCreateImage(-1, 4, 1));
    EXPECT_EQ(nullptr, HXKSimCreateImage(4, HXKSIM_MAX_LINES + 1, 1));
}

TEST_F(DeviceTest, BadHandlesNullPointersAndMissingLinesFailCleanly) {
    HXKIMAGE stale = HXKSimCreateImage(64, 64, 1);
    ReleaseImageRef(stale);
    ImageRef live(5, 3);
    int local = 0;
    for (HXKIMAGE bad : {fakeHandle(0), fakeHandle(1), stale, fakeHandle(UINTPTR_MAX),
                         fakeHandle(reinterpret_cast<uintptr_t>(&local)),
                         fakeHandle(reinterpret_cast<uintptr_t>(live.get()) + 1)}) {
        int32_t count = 77;
        EXPECT_EQ(0, ImageHandleValid(bad));
        EXPECT_EQ(0, SupportsBasicDigIO(bad));
        EXPECT_EQ(HXKSIM_E_NOT_LIVE, QueryInputCount(bad, &count));
        EXPECT_EQ(0, count); // no stale number left behind
        EXPECT_EQ(-1, lineOf(ReadInputLine, bad, 0));
        EXPECT_EQ(-1, lineOf(ReadOutputLine, bad, 0));
        EXPECT_EQ(0xBADu, groupOf(ReadInputGroup, bad, 0));
        EXPECT_EQ(0xBADu, groupOf(ReadOutputGroup, bad, 0));
        EXPECT_EQ(HXKSIM_E_NOT_LIVE, WriteOutputLine(bad, 0, 1));
        EXPECT_EQ(HXKSIM_E_NOT_LIVE, WriteOutputGroup(bad, 0, ~0u, ~0u));
        AddImageRef(bad);
        ReleaseImageRef(bad);
    }
    EXPECT_EQ(1, HXKSimImageRefCount(live.get()));

    EXPECT_EQ(HXKSIM_E_NULL_POINTER, QueryOutputCount(live.get(), nullptr));
    EXPECT_EQ(HXKSIM_E_NULL_POINTER, ReadInputLine(live.get(), 0, nullptr));
    EXPECT_EQ(HXKSIM_E_NULL_POINTER, ReadOutputGroup(live.get(), 0, nullptr));
    for (int32_t line : {-1, 5, INT_MAX, INT_MIN}) {
        EXPECT_EQ(HXKSIM_E_NO_SUCH_LINE, ReadInputLine(live.get(), line, &local));
    }
    for (int32_t line : {-1, 3, INT_MAX}) {
        EXPECT_EQ(HXKSIM_E_NO_SUCH_LINE, WriteOutputLine(live.get(), line, 1));
    }
}

TEST_F(DeviceTest, LinesReadWhatTheDeviceHoldsAndDriverWritesAreRecorded) {
    ImageRef image(5, 3);
    int32_t count = 0;
    EXPECT_EQ(0, QueryInputCount(image.get(), &count));
    EXPECT_EQ(5, count);
    EXPECT_EQ(0, QueryOutputCount(image.get(), &count));
    EXPECT_EQ(3, count);
    ASSERT_EQ(0, HXKSimSetInput(image.get(), 4, 9)); // any nonzero level is HI
    EXPECT_EQ(1, lineOf(ReadInputLine, image.get(), 4));
    EXPECT_EQ(0, lineOf(ReadInputLine, image.get(), 3));

    for (int32_t level : {1, 0, -5})
        ASSERT_EQ(0, WriteOutputLine(image.get(), 2, level));
    EXPECT_EQ(1, lineOf(ReadOutputLine, image.get(), 2));
    EXPECT_EQ(1, lineOf(HXKSimGetOutput, image.get(), 2));
    EXPECT_EQ(0, lineOf(ReadInputLine, image.get(), 2)); // inputs are other lines
    ASSERT_EQ(0, HXKSimSetOutput(image.get(), 2, 0));    // device side: no driver write
    int32_t levels[3] = {};
    EXPECT_EQ(3, HXKSimOutputWrites(image.get(), 2, levels, 3));
    EXPECT_EQ((std::vector<int32_t>{1, 0, 1}), std::vector<int32_t>(levels, levels + 3));
    EXPECT_EQ(3, HXKSimOutputWrites(image.get(), 2, levels, 1));
    EXPECT_EQ(1, levels[0]); // the most recent one
    EXPECT_EQ(0, HXKSimOutputWrites(image.get(), 1, nullptr, 0));
    EXPECT_EQ(-1, HXKSimOutputWrites(image.get(), 3, nullptr, 0));

    ImageRef plain(8, 8, 0); // a driver without basic digital I/O
    EXPECT_EQ(0, SupportsBasicDigIO(plain.get()));
    EXPECT_EQ(HXKSIM_E_NO_DIGIO, QueryInputCount(plain.get(), &count));
    EXPECT_EQ(HXKSIM_E_NO_DIGIO, WriteOutputLine(plain.get(), 0, 1));
}

TEST_F(DeviceTest, GroupsHold32LinesAndMaskedWritesChangeOnlyMaskedLines) {
    ImageRef image(40, 40);
    for (int32_t line : {0, 5, 31, 32, 39})
        ASSERT_EQ(0, HXKSimSetInput(image.get(), line, 1));
    EXPECT_EQ(0x80000021u, groupOf(ReadInputGroup, image.get(), 0));
    EXPECT_EQ(0x81u, groupOf(ReadInputGroup, image.get(), 1)); // lines past 39 read 0
    for (int32_t group : {2, -1, INT_MAX, INT_MIN, INT_MAX / 32 + 1}) {
        EXPECT_EQ(0xBADu, groupOf(ReadInputGroup, image.get(), group)) << group;
    }

    ASSERT_EQ(0, WriteOutputGroup(image.get(), 0, 0xFFFFFFFFu, 0x0000FF00u));
    ASSERT_EQ(0, WriteOutputGroup(image.get(), 0, 0x00000001u, 0x00000F01u));
    EXPECT_EQ(0x0000F001u, groupOf(ReadOutputGroup, image.get(), 0));
    EXPECT_EQ(1, lineOf(ReadOutputLine, image.get(), 12));
    EXPECT_EQ(2, HXKSimOutputWrites(image.get(), 8, nullptr, 0));
    EXPECT_EQ(0, HXKSimOutputWrites(image.get(), 16, nullptr, 0)); // outside both masks
    ASSERT_EQ(0, WriteOutputGroup(image.get(), 1, ~0u, ~0u));      // bits past line 39 ignored
    EXPECT_EQ(0xFFu, groupOf(ReadOutputGroup, image.get(), 1));
    EXPECT_EQ(HXKSIM_E_NO_SUCH_LINE, WriteOutputGroup(image.get(), 2, ~0u, ~0u));

    ImageRef exact(32, 0); // a group without any line fails
    EXPECT_EQ(0u, groupOf(ReadInputGroup, exact.get(), 0));
    EXPECT_EQ(0xBADu, groupOf(ReadInputGroup, exact.get(), 1));
    EXPECT_EQ(0xBADu, groupOf(ReadOutputGroup, exact.get(), 0));
}

TEST_F(DeviceTest, FaultsHitOnlyTheirOperationIndexAndImage) {
    ImageRef image(64, 64);
    ImageRef healthy(64, 64);
    ASSERT_EQ(0, HXKSimSetFault(image.get(), HXKSIM_OP_READ_INPUT_LINE, 3, 1));
    ASSERT_EQ(0, HXKSimSetFault(image.get(), HXKSIM_OP_READ_OUTPUT_GROUP, 1, 1));
    ASSERT_EQ(0, HXKSimSetFault(image.get(), HXKSIM_OP_WRITE_OUTPUT_LINE, HXKSIM_ANY_INDEX, 1));
    ASSERT_EQ(0, HXKSimSetFault(image.get(), HXKSIM_OP_QUERY_INPUT_COUNT, 17, 1)); // any index
    ASSERT_EQ(0, HXKSimSetFault(image.get(), HXKSIM_OP_SUPPORTS_BASIC_DIGIO, 0, 1));
    int32_t value = 0;
    EXPECT_EQ(HXKSIM_E_FAULT, ReadInputLine(image.get(), 3, &value));
    EXPECT_EQ(0, lineOf(ReadInputLine, image.get(), 4));
    EXPECT_EQ(0u, groupOf(ReadInputGroup, image.get(), 0)); // a group read is another operation
    EXPECT_EQ(0xBADu, groupOf(ReadOutputGroup, image.get(), 1));
    EXPECT_EQ(0u, groupOf(ReadOutputGroup, image.get(), 0));
    EXPECT_EQ(HXKSIM_E_FAULT, WriteOutputLine(image.get(), 63, 1));
    EXPECT_EQ(0, lineOf(ReadOutputLine, image.get(), 63)); // a failed write changes nothing
    EXPECT_EQ(0, HXKSimOutputWrites(image.get(), 63, nullptr, 0));
    EXPECT_EQ(HXKSIM_E_FAULT, QueryInputCount(image.get(), &value));
    EXPECT_EQ(0, QueryOutputCount(image.get(), &value));
    EXPECT_EQ(0, SupportsBasicDigIO(image.get()));
    EXPECT_EQ(0, WriteOutputLine(healthy.get(), 63, 1));

    ASSERT_EQ(0, HXKSimSetFault(image.get(), HXKSIM_OP_READ_INPUT_LINE, 3, 0));
    EXPECT_EQ(0, lineOf(ReadInputLine, image.get(), 3));
    ASSERT_EQ(0, HXKSimClearFaults(image.get()));
    EXPECT_EQ(0, WriteOutputLine(image.get(), 63, 1));
    for (int32_t operation : {0, int32_t{HXKSIM_OP_RELEASE_IMAGE_REF}, 699, 709}) {
        EXPECT_EQ(HXKSIM_E_BAD_ARGUMENT, HXKSimSetFault(image.get(), operation, 0, 1));
    }
    EXPECT_EQ(HXKSIM_E_BAD_ARGUMENT, HXKSimSetFault(image.get(), HXKSIM_OP_READ_INPUT_LINE, -2, 1));
}

TEST_F(DeviceTest, CountsEveryCallPerOperationAndHandleValue) {
    ImageRef image(4, 4);
    HXKIMAGE stale = HXKSimCreateImage(1, 1, 1);
    ReleaseImageRef(stale);
    HXKSimResetCallCounts();
    int32_t level = 0;
    for (HXKIMAGE handle : {image.get(), image.get(), fakeHandle(0), stale, fakeHandle(0x1234)}) {
        ReadInputLine(handle, 0, &level);
    }
    ReadInputLine(image.get(), 99, nullptr); // failed calls count too
    SupportsBasicDigIO(nullptr);
    AddImageRef(image.get());
    ReleaseImageRef(image.get());
    HXKSimSetInput(image.get(), 0, 1); // the simulation API is no toolkit call

    EXPECT_EQ(3, HXKSimCallCount(HXKSIM_OP_READ_INPUT_LINE, image.get()));
    EXPECT_EQ(1, HXKSimCallCount(HXKSIM_OP_READ_INPUT_LINE, nullptr));
    EXPECT_EQ(1, HXKSimCallCount(HXKSIM_OP_READ_INPUT_LINE, stale));
    EXPECT_EQ(1, HXKSimCallCount(HXKSIM_OP_READ_INPUT_LINE, fakeHandle(0x1234)));
    EXPECT_EQ(6, HXKSimTotalCallCount(HXKSIM_OP_READ_INPUT_LINE));
    EXPECT_EQ(1, HXKSimCallCount(HXKSIM_OP_SUPPORTS_BASIC_DIGIO, nullptr));
    EXPECT_EQ(1, HXKSimCallCount(HXKSIM_OP_ADD_IMAGE_REF, image.get()));
    EXPECT_EQ(1, HXKSimTotalCallCount(HXKSIM_OP_RELEASE_IMAGE_REF));
    EXPECT_EQ(0, HXKSimTotalCallCount(HXKSIM_OP_WRITE_OUTPUT_LINE));
    HXKSimResetCallCounts();
    EXPECT_EQ(0, HXKSimCallCount(HXKSIM_OP_READ_INPUT_LINE, image.get()));
}

} // namespace
